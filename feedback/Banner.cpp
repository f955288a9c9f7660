#include "feedback/Banner.h"

#include "core/MainPanel.h"
#include "core/Version.h"

#include <algorithm>

const std::array<QString, Banner::kLineCount> Banner::kLines = {
    QStringLiteral(" - the logbook turns your antenna for you"),
    QStringLiteral(" - log the contact, the beam follows"),
    QStringLiteral(" - one click in the logbook points the rotor"),
    QStringLiteral(" - keep your logbook and your rotor in step"),
    QStringLiteral(" - the logbook knows where the station is"),
    QStringLiteral(" - from callsign to bearing in a moment"),
    QStringLiteral(" - let the logbook do the turning"),
    QStringLiteral(" - every contact logged, every beam aimed"),
    QStringLiteral(" - the logbook and the rotor, working together"),
    QStringLiteral(" - more contacts, less cranking"),
};

Banner::Banner(MainPanel &panel, QObject *parent) : QObject(parent), m_panel(panel)
{
    m_timer.setParent(this);
    m_timer.setObjectName(QStringLiteral("RTX1"));
    m_timer.setInterval(kPeriodMs);
    // A coarse timer could run 5 % late; the lines change every 10 s as designed.
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &Banner::RTX1_Timer);
}

QString Banner::caption(int r)
{
    return QStringLiteral("SORVIKDDE ") + kVersion + kLines[std::size_t(r - 1)];
}

int Banner::lineNumber(float u)
{
    const int r = int(u * 10.0f + 1.0f);
    return std::clamp(r, 1, kLineCount);
}

void Banner::start()
{
    m_timer.start();
}

void Banner::rearm()
{
    m_timer.start(kPeriodMs);
}

void Banner::RTX1_Timer()
{
    m_panel.setText(MainPanel::Item::Label4, caption(lineNumber(m_random.next())));
}
