#include "feedback/ReplyPoller.h"

#include "core/MainPanel.h"
#include "core/RotorProfile.h"
#include "core/SerialPort.h"
#include "feedback/ReplyChunk.h"
#include "rotor/RotorFamily.h"

using Item = MainPanel::Item;

namespace {
constexpr int kMaxAzimuth = 359;
}

ReplyPoller::ReplyPoller(MainPanel &panel, const RotorProfile &profile, SerialPort &port,
                         QObject *parent)
    : QObject(parent), m_panel(panel), m_profile(profile), m_port(port)
{
    setObjectName(QStringLiteral("Timer1"));
    connect(&m_port, &SerialPort::readyRead, this, &ReplyPoller::Timer1_Timer);
    connect(&m_port, &SerialPort::portLost, this, &ReplyPoller::portLost);
}

void ReplyPoller::Timer1_Timer()
{
    if (m_port.inBufferCount() <= 0)
        return;
    apply(parseReplyChunk(m_port.input(), m_profile.RotorModel));
}

int ReplyPoller::reportedAzimuth() const
{
    const RotorFamily *family = RotorFamily::of(m_profile.RotorModel);
    return family && family->reportsPosition ? m_reported : -1;
}

void ReplyPoller::apply(const ReplyChunk &chunk)
{
    if (chunk.label3)
        m_panel.setText(Item::Label3, *chunk.label3);
    if (chunk.azimuth)
        m_reported = *chunk.azimuth >= 0 && *chunk.azimuth <= kMaxAzimuth ? *chunk.azimuth : -1;
    m_panel.appendTBox(chunk.text);
    switch (chunk.status) {
    case ReplyChunk::Status::Busy:
        // Locked while the rotor turns, so no manual azimuth is typed over a running drive.
        m_panel.setBackground(Item::Text3, MainPanel::kRed);
        m_panel.setText(Item::LblDelay, QStringLiteral("BUSY"));
        m_panel.setText3ReadOnly(true);
        break;
    case ReplyChunk::Status::Ready:
        m_panel.setBackground(Item::Text3, MainPanel::kLightYellow);
        m_panel.setText(Item::LblDelay, QStringLiteral("STATUS OK"));
        m_panel.setText3ReadOnly(false);
        break;
    case ReplyChunk::Status::None:
        break;
    }
}

void ReplyPoller::portLost(const QString &reason)
{
    m_panel.setText(Item::TxtCom, QStringLiteral("COM OFF"));
    m_panel.appendNote(QStringLiteral("COM PORT LOST (") + reason +
                       QStringLiteral("): port closed, press ON to open it again"));
}
