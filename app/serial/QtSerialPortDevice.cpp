#include "app/serial/QtSerialPortDevice.h"

#include "core/DevicePath.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <termios.h>
#include <unistd.h>

namespace {
constexpr int kHighestHandshaking = 3;

QSerialPort::Parity toQt(SerialSettings::Parity parity)
{
    switch (parity) {
    case SerialSettings::Parity::Even:
        return QSerialPort::EvenParity;
    case SerialSettings::Parity::Odd:
        return QSerialPort::OddParity;
    case SerialSettings::Parity::Mark:
        return QSerialPort::MarkParity;
    case SerialSettings::Parity::Space:
        return QSerialPort::SpaceParity;
    case SerialSettings::Parity::None:
        break;
    }
    return QSerialPort::NoParity;
}

QSerialPort::StopBits toQt(SerialSettings::StopBits stopBits)
{
    switch (stopBits) {
    case SerialSettings::StopBits::OneAndHalf:
        return QSerialPort::OneAndHalfStop;
    case SerialSettings::StopBits::Two:
        return QSerialPort::TwoStop;
    case SerialSettings::StopBits::One:
        break;
    }
    return QSerialPort::OneStop;
}

// 3 is RTS/CTS alone: software flow control on top would eat XON/XOFF bytes (0x11, 0x13) that
// occur in the controllers' binary position replies, and Qt cannot combine the two anyway.
QSerialPort::FlowControl flowControl(int handshaking)
{
    switch (handshaking) {
    case 1:
        return QSerialPort::SoftwareControl;
    case 2:
    case 3:
        return QSerialPort::HardwareControl;
    default:
        return QSerialPort::NoFlowControl;
    }
}
// What the line really runs with. Qt reports success for settings a device drops silently (a pty
// clears odd and mark parity; 1.5 stop bits become 1), so the line is read back and compared.
QString mismatch(int fd, const SerialSettings &settings)
{
    termios line{};
    if (tcgetattr(fd, &line) != 0)
        return {}; // cannot tell: trust Qt
    static constexpr tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
    if ((line.c_cflag & CSIZE) != sizes[settings.dataBits - 5])
        return QStringLiteral("%1 data bits").arg(settings.dataBits);
    using P = SerialSettings::Parity;
    const bool enabled = line.c_cflag & PARENB;
    const bool odd = line.c_cflag & PARODD;
    const bool stick = line.c_cflag & CMSPAR;
    const bool parityOk = settings.parity == P::None   ? !enabled
                          : settings.parity == P::Even ? enabled && !odd && !stick
                          : settings.parity == P::Odd  ? enabled && odd && !stick
                          : settings.parity == P::Mark ? enabled && odd && stick
                                                       : enabled && !odd && stick;
    if (!parityOk)
        return QStringLiteral("the parity");
    if (bool(line.c_cflag & CSTOPB) != (settings.stopBits == SerialSettings::StopBits::Two))
        return QStringLiteral("the stop bits");
    return {};
}
} // namespace

QtSerialPortDevice::QtSerialPortDevice(QString configDir, QObject *parent)
    : SerialPort(parent), m_configDir(std::move(configDir))
{
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
    // On an open port the new settings take effect at once, or not at all.
    if (m_port.isOpen() && !apply(*settings, m_handshaking)) {
        const QString why = m_error;
        apply(m_settings, m_handshaking);
        return fail(why);
    }
    m_settings = *settings;
    return true;
}

bool QtSerialPortDevice::setHandshaking(int mode)
{
    if (mode < 0 || mode > kHighestHandshaking)
        return fail(QStringLiteral("handshaking %1 refused").arg(mode));
    if (m_port.isOpen() && !apply(m_settings, mode)) {
        const QString why = m_error;
        apply(m_settings, m_handshaking);
        return fail(why);
    }
    m_handshaking = mode;
    return true;
}

bool QtSerialPortDevice::setInputLen(int length)
{
    // Every read takes all waiting characters; a fixed read length is not supported.
    if (length != 0)
        return fail(QStringLiteral("input length %1 refused: only 0 is supported").arg(length));
    return true;
}

bool QtSerialPortDevice::setPortOpen(bool open)
{
    if (open)
        return this->open();
    if (!m_port.isOpen())
        return fail(QStringLiteral("the port is not open"));
    closeDevice();
    return true;
}

bool QtSerialPortDevice::open()
{
    if (m_port.isOpen())
        return fail(QStringLiteral("%1: the port is already open").arg(m_openPath));
    const QString path = devicePath();
    const QString shown = DevicePath::describe(m_configDir, m_commPort);
    if (path.isEmpty() || !QFileInfo::exists(path))
        return fail(DevicePath::unusable(m_configDir, m_commPort));

    m_port.setPortName(path);
    if (!m_port.open(QIODevice::ReadWrite)) {
        QString why = m_port.errorString();
        const bool refused = m_port.error() == QSerialPort::PermissionError;
        m_port.clearError();
        if (const QString access = DevicePath::accessProblem(path); !access.isEmpty()) {
            why = access;
        } else if (refused) {
            why = QStringLiteral("in use by another program (%1)").arg(why);
        }
        return fail(QStringLiteral("%1: %2").arg(shown, why));
    }
    // Qt applies line settings to an open device only; DTR and RTS stay as the driver leaves
    // them, since the program never sets them.
    if (!apply(m_settings, m_handshaking)) {
        const QString why = m_error;
        closeDevice();
        return fail(QStringLiteral("%1: %2").arg(shown, why));
    }
    m_port.clearError();
    m_openPath = path;
    return true;
}

bool QtSerialPortDevice::apply(const SerialSettings &settings, int handshaking)
{
    const auto refused = [this](const QString &what) {
        const QString why = m_port.errorString();
        m_port.clearError();
        return fail(QStringLiteral("the device refuses %1 (%2)").arg(what, why));
    };
    // Linux has no setting for 1.5 stop bits; Qt would quietly run 1.
    if (settings.stopBits == SerialSettings::StopBits::OneAndHalf)
        return fail(QStringLiteral("the device refuses 1.5 stop bits (not supported on Linux)"));
    if (!m_port.setBaudRate(settings.baud))
        return refused(QStringLiteral("%1 baud").arg(settings.baud));
    if (!m_port.setDataBits(QSerialPort::DataBits(settings.dataBits)))
        return refused(QStringLiteral("%1 data bits").arg(settings.dataBits));
    if (!m_port.setParity(toQt(settings.parity)))
        return refused(QStringLiteral("the parity"));
    if (!m_port.setStopBits(toQt(settings.stopBits)))
        return refused(QStringLiteral("the stop bits"));
    if (!m_port.setFlowControl(flowControl(handshaking)))
        return refused(QStringLiteral("handshaking %1").arg(handshaking));
    if (const QString dropped = mismatch(m_port.handle(), settings); !dropped.isEmpty())
        return fail(QStringLiteral("the device refuses %1 (it dropped the setting)").arg(dropped));
    return true;
}

void QtSerialPortDevice::closeDevice()
{
    // Closing a device that has gone away can report an error of its own (restoring the line
    // settings fails): that is no new loss.
    m_closing = true;
    m_port.close();
    m_port.clearError();
    m_closing = false;
    m_openPath.clear();
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
            return fail(QStringLiteral("character U+%1 does not fit in one byte")
                            .arg(c.unicode(), 4, 16, QLatin1Char('0')));
    }
    const QByteArray bytes = text.toLatin1();
    if (m_port.write(bytes) != bytes.size()) {
        const QString why = m_port.errorString();
        m_port.clearError();
        return fail(QStringLiteral("%1: write failed (%2)").arg(m_openPath, why));
    }
    // Hand the bytes to the device now rather than at the next event-loop turn; what the device
    // cannot take yet follows from the event loop, in order.
    m_port.flush();
    if (!m_port.isOpen())
        return false; // lost while writing: m_error says why
    if (m_port.error() == QSerialPort::WriteError) {
        m_port.clearError();
        return false;
    }
    return true;
}

void QtSerialPortDevice::onError(QSerialPort::SerialPortError error)
{
    if (m_closing || !m_port.isOpen())
        return;
    if (error == QSerialPort::WriteError) {
        m_error = QStringLiteral("%1: write failed (%2)").arg(m_openPath, m_port.errorString());
        return;
    }
    if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError)
        return;
    // The other side has gone (adapter pulled, hang-up). Qt would repeat the error in a tight
    // loop, so close at once. The signal is queued so that a listener reopening the port does
    // not run inside QSerialPort's own error handling.
    const QString reason =
        QStringLiteral("%1: the device went away (%2)").arg(m_openPath, m_port.errorString());
    closeDevice();
    m_error = reason;
    QMetaObject::invokeMethod(
        this, [this, reason] { emit portLost(reason); }, Qt::QueuedConnection);
}
