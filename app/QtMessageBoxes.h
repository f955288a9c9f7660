#pragma once

#include "app/Beeper.h"
#include "app/MessageBoxes.h"

#include <QPointer>
#include <QWidget>

// Message boxes as modal QMessageBoxes over the main window.
class QtMessageBoxes : public MessageBoxes
{
public:
    void setParent(QWidget *parent) { m_parent = parent; }
    void show(Icon icon, const QString &text, const QString &title) override;

private:
    QPointer<QWidget> m_parent;
};

// The desktop's beep.
class QtBeeper : public Beeper
{
public:
    void beep() override;
};
