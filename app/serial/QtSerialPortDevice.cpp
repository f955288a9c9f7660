#include "app/serial/QtSerialPortDevice.h"

#include "app/DevicePath.h"

#include <QFileInfo>

QtSerialPortDevice::QtSerialPortDevice(QString configDir, QObject *parent)
    : SerialPort(parent), m_configDir(std::move(configDir))
{
    m_settings.baud = 9600;
    connect(&m_port, &QSerialPort::readyRead, this, &SerialPort::readyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &QtSerialPortDevice::onError);
}

bool QtSerialPortDevice::fail(const QString &why)
{
    m_error = why;
    return false;
}

QString QtSerialPortDevice::devicePath() const
{
    return DevicePath::forPort(m_configDir, m_commPort).path;
}

bool QtSerialPortDevice::setCommPort(int port)
{
    if (port < 1)
        return fail(QStringLiteral("port number %1 refused").arg(port));
    if (m_port.isOpen())
        return fail(QStringLiteral("the port number cannot change while the port is open"));
    m_commPort = port;
    return true;
}

bool QtSerialPortDevice::setSettings(const QString &text)
{
    const std::optional<SerialSettings> settings = SerialSettings::parse(text);
    if (!settings)
        return fail(QStringLiteral("settings \"%1\" refused").arg(text));
    m_settings = *settings;
    return true;
}

bool QtSerialPortDevice::setHandshaking(int mode)
{
    if (mode < 0 || mode > 3)
        return fail(QStringLiteral("handshaking %1 refused").arg(mode));
    m_handshaking = mode;
    return true;
}

bool QtSerialPortDevice::setInputLen(int length)
{
    // Every read takes all waiting characters; other lengths are not used by the program.
    if (length != 0)
        return fail(QStringLiteral("input length %1 refused").arg(length));
    return true;
}

bool QtSerialPortDevice::setPortOpen(bool open)
{
    if (!open) {
        if (!m_port.isOpen())
            return fail(QStringLiteral("the port is not open"));
        m_port.close();
        return true;
    }
    if (m_port.isOpen())
        return fail(QStringLiteral("the port is already open"));
    const QString path = devicePath();
    if (path.isEmpty() || !QFileInfo::exists(path))
        return fail(QStringLiteral("%1: no such device").arg(path));

    m_port.setPortName(path);
    if (!m_port.open(QIODevice::ReadWrite))
        return fail(QStringLiteral("%1: %2").arg(path, m_port.errorString()));

    using S = SerialSettings;
    static constexpr QSerialPort::Parity parities[] = {
        QSerialPort::NoParity, QSerialPort::EvenParity, QSerialPort::OddParity,
        QSerialPort::MarkParity, QSerialPort::SpaceParity};
    static constexpr QSerialPort::StopBits stops[] = {
        QSerialPort::OneStop, QSerialPort::OneAndHalfStop, QSerialPort::TwoStop};
    static constexpr QSerialPort::FlowControl flows[] = {
        QSerialPort::NoFlowControl, QSerialPort::SoftwareControl, QSerialPort::HardwareControl,
        QSerialPort::HardwareControl};
    const bool applied =
        m_port.setBaudRate(m_settings.baud) && m_port.setParity(parities[int(m_settings.parity)]) &&
        m_port.setDataBits(QSerialPort::DataBits(m_settings.dataBits)) &&
        m_port.setStopBits(stops[int(m_settings.stopBits == S::StopBits::One          ? 0
                                     : m_settings.stopBits == S::StopBits::OneAndHalf ? 1
                                                                                      : 2)]) &&
        m_port.setFlowControl(flows[m_handshaking]);
    if (!applied) {
        const QString why = m_port.errorString();
        m_port.close();
        return fail(QStringLiteral("%1: settings not taken by the device: %2").arg(path, why));
    }
    m_port.clearError();
    return true;
}

int QtSerialPortDevice::inBufferCount() const
{
    return m_port.isOpen() ? int(m_port.bytesAvailable()) : 0;
}

QString QtSerialPortDevice::input()
{
    if (!m_port.isOpen())
        return {};
    // One byte, one character: never decoded as UTF-8.
    return QString::fromLatin1(m_port.readAll());
}

bool QtSerialPortDevice::output(const QString &text)
{
    if (!m_port.isOpen())
        return fail(QStringLiteral("the port is not open"));
    for (QChar c : text) {
        if (c.unicode() > 0xFF)
            return fail(QStringLiteral("a character beyond one byte cannot be sent"));
    }
    const QByteArray bytes = text.toLatin1();
    if (m_port.write(bytes) != bytes.size())
        return fail(m_port.errorString());
    // Hand the bytes to the device now, in order, rather than at the next event-loop turn.
    m_port.flush();
    return true;
}

void QtSerialPortDevice::onError(QSerialPort::SerialPortError error)
{
    if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError)
        return;
    if (!m_port.isOpen())
        return;
    // The other side has gone (adapter pulled, hang-up): Qt would repeat the error in a tight
    // loop, so close once and say so once.
    const QString reason = QStringLiteral("%1: %2").arg(m_port.portName(), m_port.errorString());
    m_port.clearError();
    m_port.close();
    m_error = reason;
    emit portLost(reason);
}
