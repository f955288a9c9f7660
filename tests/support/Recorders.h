#pragma once

#include "core/Beeper.h"
#include "core/MessageBoxes.h"

#include <QList>
#include <QString>

#include <functional>

// Records every message box instead of showing it.
class RecordingMessageBoxes : public MessageBoxes
{
public:
    struct Box
    {
        Icon icon;
        QString text;
        QString title;
    };
    void show(Icon icon, const QString &text, const QString &title) override
    {
        boxes.append({icon, text, title});
    }
    QStringList texts() const
    {
        QStringList out;
        for (const Box &box : boxes)
            out << box.text;
        return out;
    }
    QList<Box> boxes;
};

// A message box that lets a test act while it is "open".
class ReentrantMessageBoxes : public RecordingMessageBoxes
{
public:
    void show(Icon icon, const QString &text, const QString &title) override
    {
        RecordingMessageBoxes::show(icon, text, title);
        if (auto act = std::exchange(whileOpen, nullptr))
            act();
    }
    std::function<void()> whileOpen;
};

// Counts beeps.
class CountingBeeper : public Beeper
{
public:
    void beep() override { ++count; }
    int count = 0;
};
