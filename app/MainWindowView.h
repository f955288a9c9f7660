#pragma once

#include <QSize>

// What the main window's behaviour asks of the real window: geometry in twips, showing, focus,
// keeping on top, closing.
class MainWindowView
{
public:
    virtual ~MainWindowView() = default;

    virtual int top() const = 0;
    virtual int left() const = 0;
    virtual void moveTo(int top, int left) = 0;
    // The outer (frame) size.
    virtual QSize size() const = 0;
    virtual void setOuterHeight(int height) = 0;
    virtual QSize screenSize() const = 0;

    // Visible, in front of the others, not modal.
    virtual void showInFront() = 0;
    virtual void focusTBox() = 0;
    // Topmost or not; the window keeps its place and size.
    virtual void setOnTop(bool onTop) = 0;
    // A close request, as from the close box.
    virtual void requestClose() = 0;
};
