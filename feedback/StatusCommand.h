#pragma once

#include <QString>

class MainPanel;
class MessageBoxes;
class SerialPort;
struct RotorProfile;

// Asks the controller of the given model for its state, in one write. Models without a status
// request get a message and nothing is written. False only when the write fails (for instance on
// a closed port).
bool QueryRotorStatus(const QString &rotorModel, SerialPort &port, MessageBoxes &boxes);

// The "STATUS" menu command and the status request of the profile in force.
class StatusCommand
{
public:
    StatusCommand(MainPanel &panel, const RotorProfile &profile, SerialPort &port,
                  MessageBoxes &boxes);

    // The request for the model in force; what the port set-up calls after opening the port.
    bool QueryRotorStatus();
    // Sends the request; when it cannot be written, the traffic box says why.
    void mnuStatus_Click();

private:
    MainPanel &m_panel;
    const RotorProfile &m_profile;
    SerialPort &m_port;
    MessageBoxes &m_boxes;
};
