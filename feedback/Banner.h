#pragma once

#include "feedback/BannerRandom.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <array>

class MainPanel;

// The banner Label4: the program's name and version followed by one of ten lines about the
// logbook, changed every 10 s by the timer RTX1.
class Banner : public QObject
{
    Q_OBJECT
public:
    static constexpr int kPeriodMs = 10000;
    static constexpr int kLineCount = 10;
    // Each begins with a blank: the caption reads the prefix, a blank and the line.
    static const std::array<QString, kLineCount> kLines;

    explicit Banner(MainPanel &panel, QObject *parent = nullptr);

    // "SORVIKDDE v2.3" and line r (1 to 10).
    static QString caption(int r);
    // r = integer part of (u * 10 + 1), 1 to 10.
    static int lineNumber(float u);

    // Starts RTX1; the first change comes one period later.
    void start();
    // The logbook's "ACK": the next change comes a full period from now.
    void rearm();
    // One tick of RTX1.
    void RTX1_Timer();

private:
    MainPanel &m_panel;
    QTimer m_timer;
    BannerRandom m_random;
};
