#include "feedback/StatusCommand.h"

#include "app/MainPanel.h"
#include "app/MessageBoxes.h"
#include "app/SerialPort.h"
#include "app/Version.h"
#include "configuration/Configuration.h"
#include "feedback/ModelFamily.h"
#include "feedback/TrafficBox.h"

bool QueryRotorStatus(const QString &rotorModel, SerialPort &port, MessageBoxes &boxes)
{
    switch (modelFamily(rotorModel)) {
    case ModelFamily::ProsistelD:
        return port.output(QStringLiteral("\x02\x41\x3F\r")); // STX "A?" CR
    case ModelFamily::RotorEzDcu1HyGain:
        return port.output(QStringLiteral(";\r"));
    case ModelFamily::ProsistelBC:
    case ModelFamily::Other:
        break;
    }
    boxes.show(MessageBoxes::Icon::None,
               QStringLiteral("UNKNOW: Please send your parameter for STOP rotor."), kAppTitle);
    return true;
}

StatusCommand::StatusCommand(MainPanel &panel, const Configuration &config, SerialPort &port,
                             MessageBoxes &boxes)
    : m_panel(panel), m_config(config), m_port(port), m_boxes(boxes)
{}

bool StatusCommand::QueryRotorStatus()
{
    return ::QueryRotorStatus(m_config.activeProfile().RotorModel, m_port, m_boxes);
}

void StatusCommand::mnuStatus_Click()
{
    if (QueryRotorStatus())
        return;
    if (!m_port.portOpen())
        TrafficBox::appendLine(m_panel,
                               QStringLiteral("STATUS NOT SENT: COM PORT CLOSED, press ON first"));
    else
        TrafficBox::appendLine(m_panel, QStringLiteral("STATUS NOT SENT: ") + m_port.errorString());
}
