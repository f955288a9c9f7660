#pragma once

class ConfigDialog;

// The window side of the configuration dialog as its controller sees it: the QDialog in the
// program, a script in tests.
class ConfigDialogView
{
public:
    virtual ~ConfigDialogView() = default;
    // Shows a window over the dialog's state, modally; returns once it has closed. The window
    // closes on ConfigDialog::closeRequested, its close box or close().
    virtual void showModal(ConfigDialog &dialog) = 0;
    // Closes the window being shown (the program is ending).
    virtual void close() = 0;
};
