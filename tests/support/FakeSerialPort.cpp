#include "tests/support/FakeSerialPort.h"

bool FakeSerialPort::setCommPort(int port)
{
    if (m_open || port < 1) {
        m_error = QStringLiteral("port number refused");
        return false;
    }
    commPort = port;
    return true;
}

bool FakeSerialPort::setSettings(const QString &text)
{
    settings = text;
    return true;
}

bool FakeSerialPort::setHandshaking(int mode)
{
    if (mode < 0 || mode > 3) {
        m_error = QStringLiteral("handshaking refused");
        return false;
    }
    handshaking = mode;
    return true;
}

bool FakeSerialPort::setInputLen(int length)
{
    inputLen = length;
    return true;
}

bool FakeSerialPort::setPortOpen(bool open)
{
    if (open == m_open || (open && refuseOpen)) {
        m_error = open ? QStringLiteral("cannot open") : QStringLiteral("not open");
        return false;
    }
    m_open = open;
    ++(open ? opens : closes);
    return true;
}

QString FakeSerialPort::input()
{
    return std::exchange(m_incoming, {});
}

bool FakeSerialPort::output(const QString &text)
{
    if (!m_open || refuseWrites) {
        m_error = m_open ? QStringLiteral("write timed out") : QStringLiteral("port not open");
        return false;
    }
    const QByteArray bytes = text.toLatin1();
    writes.append(bytes);
    if (onWrite)
        onWrite(bytes);
    return true;
}

void FakeSerialPort::receive(const QString &text)
{
    m_incoming += text;
    emit readyRead();
}

void FakeSerialPort::pull(const QString &reason)
{
    m_open = false;
    m_incoming.clear();
    emit portLost(reason);
}
