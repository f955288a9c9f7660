#include "feedback/ReplyPoller.h"

#include "app/MainPanel.h"
#include "app/SerialPort.h"
#include "configuration/Configuration.h"
#include "feedback/ReplyChunk.h"
#include "feedback/TrafficBox.h"

using Item = MainPanel::Item;

ReplyPoller::ReplyPoller(MainPanel &panel, const Configuration &config, SerialPort &port,
                         QObject *parent)
    : QObject(parent), m_panel(panel), m_config(config), m_port(port)
{
    setObjectName(QStringLiteral("Timer1"));
    connect(&m_port, &SerialPort::readyRead, this, &ReplyPoller::Timer1_Timer);
    connect(&m_port, &SerialPort::portLost, this, &ReplyPoller::portLost);
}

void ReplyPoller::Timer1_Timer()
{
    if (m_port.inBufferCount() <= 0)
        return;
    apply(parseReplyChunk(m_port.input(), m_config.activeProfile().RotorModel));
}

void ReplyPoller::apply(const ReplyChunk &chunk)
{
    if (chunk.label3)
        m_panel.setText(Item::Label3, *chunk.label3);
    TrafficBox::append(m_panel, chunk.text);
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
    TrafficBox::appendLine(m_panel,
                           QStringLiteral("COM PORT LOST (") + reason +
                               QStringLiteral("): port closed, press ON to open it again"));
}
