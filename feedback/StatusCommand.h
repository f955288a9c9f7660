#pragma once

#include <QString>

class MainPanel;
class MessageBoxes;
class RotatorLibrary;
class SerialPort;
struct RotorProfile;

// Asks the controller of the given model for its state, in one write; a library family's
// rotator is asked for its position and its description instead (answered in the traffic box
// later). Models without a status request get a message and nothing is written. False only when
// nothing could be asked (for instance on a closed port).
bool QueryRotorStatus(const QString &rotorModel, SerialPort &port, MessageBoxes &boxes,
                      RotatorLibrary *library = nullptr);

// The "STATUS" menu command and the status request of the profile in force.
class StatusCommand
{
public:
    StatusCommand(MainPanel &panel, const RotorProfile &profile, SerialPort &port,
                  MessageBoxes &boxes, RotatorLibrary *library = nullptr);

    // The request for the model in force; what the port set-up calls after opening the port.
    bool QueryRotorStatus();
    // Sends the request; when it cannot be written, the traffic box says why.
    void mnuStatus_Click();

private:
    MainPanel &m_panel;
    const RotorProfile &m_profile;
    SerialPort &m_port;
    MessageBoxes &m_boxes;
    RotatorLibrary *m_library;
};
