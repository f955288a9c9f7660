#pragma once

#include <QString>

// Where the behaviour shows a modal message: a QMessageBox in the program, a recorder in tests.
class MessageBoxes
{
public:
    enum class Icon { None, Critical, Exclamation, Information };

    virtual ~MessageBoxes() = default;
    // Returns when the operator has dismissed the box.
    virtual void show(Icon icon, const QString &text, const QString &title) = 0;
};
