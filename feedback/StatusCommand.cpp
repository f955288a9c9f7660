#include "feedback/StatusCommand.h"

#include "core/MainPanel.h"
#include "core/MessageBoxes.h"
#include "core/RotatorLibrary.h"
#include "core/RotorProfile.h"
#include "core/SerialPort.h"
#include "core/Version.h"
#include "rotor/RotorFamily.h"

bool QueryRotorStatus(const QString &rotorModel, SerialPort &port, MessageBoxes &boxes,
                      RotatorLibrary *library)
{
    const RotorFamily *family = RotorFamily::of(rotorModel);
    if (family && family->library) {
        if (!library || !library->portOpen())
            return false;
        library->readPosition();
        library->readInfo();
        return true;
    }
    if (family && !family->statusRequest.isEmpty())
        return port.output(family->statusRequest);
    boxes.show(MessageBoxes::Icon::None,
               QStringLiteral("UNKNOW: Please send your parameter for STOP rotor."), kAppTitle);
    return true;
}

StatusCommand::StatusCommand(MainPanel &panel, const RotorProfile &profile, SerialPort &port,
                             MessageBoxes &boxes, RotatorLibrary *library)
    : m_panel(panel), m_profile(profile), m_port(port), m_boxes(boxes), m_library(library)
{}

bool StatusCommand::QueryRotorStatus()
{
    return ::QueryRotorStatus(m_profile.RotorModel, m_port, m_boxes, m_library);
}

void StatusCommand::mnuStatus_Click()
{
    if (QueryRotorStatus())
        return;
    if (!m_port.portOpen())
        m_panel.appendNote(QStringLiteral("STATUS NOT SENT: COM PORT CLOSED, press ON first"));
    else
        m_panel.appendNote(QStringLiteral("STATUS NOT SENT: ") + m_port.errorString());
}
