#include "rotor/RotorLine.h"

#include "core/RotatorLibrary.h"
#include "core/RotorProfile.h"
#include "rotor/RotorFamily.h"

RotorLine::RotorLine(const RotorProfile &profile, SerialPort &serial, RotatorLibrary *library,
                     QObject *parent)
    : SerialPort(parent), m_profile(profile), m_serial(serial), m_library(library)
{
    for (SerialPort *line :
         {static_cast<SerialPort *>(&m_serial), static_cast<SerialPort *>(m_library)}) {
        if (!line)
            continue;
        connect(line, &SerialPort::readyRead, this, &SerialPort::readyRead);
        connect(line, &SerialPort::portLost, this, &SerialPort::portLost);
    }
}

bool RotorLine::libraryInForce() const
{
    const RotorFamily *family = RotorFamily::of(m_profile.RotorModel);
    return family && family->library;
}

SerialPort &RotorLine::current()
{
    const bool libraryFamily = libraryInForce();
    m_refused = libraryFamily && !m_library;
    SerialPort *other = libraryFamily ? &m_serial : static_cast<SerialPort *>(m_library);
    if (other && other->portOpen())
        other->setPortOpen(false);
    if (!libraryFamily || !m_library)
        return m_serial;
    m_library->setModel(*RotorFamily::libraryModelNumber(m_profile.RotorModel));
    return *m_library;
}

bool RotorLine::setCommPort(int port)
{
    SerialPort &line = current();
    return !m_refused && line.setCommPort(port);
}

bool RotorLine::setSettings(const QString &settings)
{
    SerialPort &line = current();
    return !m_refused && line.setSettings(settings);
}

bool RotorLine::setHandshaking(int mode)
{
    SerialPort &line = current();
    return !m_refused && line.setHandshaking(mode);
}

bool RotorLine::setInputLen(int length)
{
    SerialPort &line = current();
    return !m_refused && line.setInputLen(length);
}

bool RotorLine::portOpen() const
{
    if (libraryInForce())
        return m_library && m_library->portOpen();
    return m_serial.portOpen();
}

bool RotorLine::setPortOpen(bool open)
{
    SerialPort &line = current();
    return !m_refused && line.setPortOpen(open);
}

int RotorLine::inBufferCount() const
{
    return libraryInForce() ? 0 : m_serial.inBufferCount();
}

QString RotorLine::input()
{
    return libraryInForce() ? QString() : m_serial.input();
}

bool RotorLine::output(const QString &text)
{
    SerialPort &line = current();
    return !m_refused && line.output(text);
}

QString RotorLine::errorString() const
{
    if (m_refused)
        return QStringLiteral("this program was built without a rotator library");
    if (libraryInForce())
        return m_library ? m_library->errorString() : QString();
    return m_serial.errorString();
}
