#include "hamlib/HamlibWorker.h"

#include <hamlib/rotator.h>

namespace {
const QString kNotOpen = QStringLiteral("the rotator is not open (COM OFF)");

// libhamlib 4.5.4's rigerror() puts its debug buffer before the message; rigerror2() gives the
// message alone, with a line end.
QString errorText(int result)
{
    return QString::fromLocal8Bit(rigerror2(result)).trimmed();
}

const char *parityName(SerialSettings::Parity parity)
{
    switch (parity) {
    case SerialSettings::Parity::Even:
        return "Even";
    case SerialSettings::Parity::Odd:
        return "Odd";
    case SerialSettings::Parity::Mark:
        return "Mark";
    case SerialSettings::Parity::Space:
        return "Space";
    case SerialSettings::Parity::None:
        break;
    }
    return "None";
}

// As the serial port takes it: 3 ("RTS/CTS and XON/XOFF") runs as RTS/CTS alone.
const char *handshakeName(int handshaking)
{
    switch (handshaking) {
    case 1:
        return "XONXOFF";
    case 2:
    case 3:
        return "Hardware";
    default:
        return "None";
    }
}
} // namespace

HamlibWorker::~HamlibWorker()
{
    close();
}

void HamlibWorker::open(const HamlibOpening &opening)
{
    close();
    m_epoch = opening.epoch;
    const QString what = opening.target.isEmpty() ? QStringLiteral("open")
                                                  : QStringLiteral("open ") + opening.target;
    m_rot = rot_init(opening.model);
    if (!m_rot) {
        m_lost = true;
        emit lost(m_epoch, QStringLiteral("HAMLIB: %1: libhamlib has no rotator model %2")
                               .arg(what)
                               .arg(opening.model));
        return;
    }
    const auto set = [this](const char *name, const QByteArray &value) {
        return rot_set_conf(m_rot, rot_token_lookup(m_rot, name), value.constData());
    };
    if (!opening.target.isEmpty())
        set("rot_pathname", opening.target.toLocal8Bit());
    if (opening.serial) {
        const int baud = opening.settings.baud;
        if ((opening.lowestBaud == 0 || baud >= opening.lowestBaud) &&
            (opening.highestBaud == 0 || baud <= opening.highestBaud))
            set("serial_speed", QByteArray::number(baud));
        else
            emit failed(what, QStringLiteral("the model takes %1 to %2 baud, not %3: libhamlib "
                                             "uses its own rate")
                                  .arg(opening.lowestBaud)
                                  .arg(opening.highestBaud)
                                  .arg(baud));
        set("data_bits", QByteArray::number(opening.settings.dataBits));
        set("stop_bits", opening.settings.stopBits == SerialSettings::StopBits::Two ? "2" : "1");
        set("serial_parity", parityName(opening.settings.parity));
        set("serial_handshake", handshakeName(opening.handshaking));
    }
    const int result = rot_open(m_rot);
    if (result != RIG_OK) {
        rot_cleanup(m_rot);
        m_rot = nullptr;
        m_lost = true;
        emit lost(m_epoch,
                  QStringLiteral("HAMLIB: ") + what + QStringLiteral(": ") + errorText(result));
    }
}

void HamlibWorker::close()
{
    m_lost = false;
    if (!m_rot)
        return;
    rot_close(m_rot);
    rot_cleanup(m_rot);
    m_rot = nullptr;
}

bool HamlibWorker::check(int result, const QString &what)
{
    if (result == RIG_OK)
        return true;
    // An I/O error is a device gone (the adapter pulled, the remote rotctld ended): closed, as
    // the serial port closes on a hang-up. Time-outs and refusals leave it open.
    if (result == -RIG_EIO) {
        close();
        m_lost = true;
        emit lost(m_epoch,
                  QStringLiteral("HAMLIB: ") + what + QStringLiteral(": ") + errorText(result));
    } else {
        emit failed(what, errorText(result));
    }
    return false;
}

void HamlibWorker::notOpen(const QString &what)
{
    if (!m_lost)
        emit failed(what, kNotOpen);
}

void HamlibWorker::setPosition(quint64 id, int azimuth)
{
    const QString what = QStringLiteral("set position %1").arg(azimuth);
    if (!m_rot) {
        notOpen(what);
        emit done(id, false);
        return;
    }
    emit done(id, check(rot_set_position(m_rot, float(azimuth), 0), what));
}

void HamlibWorker::stop(quint64 id)
{
    if (!m_rot) {
        notOpen(QStringLiteral("stop"));
        emit done(id, false);
        return;
    }
    emit done(id, check(rot_stop(m_rot), QStringLiteral("stop")));
}

void HamlibWorker::readPosition()
{
    const QString what = QStringLiteral("get position");
    if (!m_rot) {
        notOpen(what);
        emit positionRead(false, 0);
        return;
    }
    azimuth_t azimuth = 0;
    elevation_t elevation = 0;
    const bool ok = check(rot_get_position(m_rot, &azimuth, &elevation), what);
    emit positionRead(ok, azimuth);
}

void HamlibWorker::readInfo()
{
    if (!m_rot) {
        notOpen(QStringLiteral("get info"));
        return;
    }
    // Most backends have no description of their own: the model's name stands in.
    const char *info = rot_get_info(m_rot);
    emit infoRead(info && *info
                      ? QString::fromLocal8Bit(info).trimmed()
                      : QStringLiteral("%1 %2").arg(QString::fromLatin1(m_rot->caps->mfg_name),
                                                    QString::fromLatin1(m_rot->caps->model_name)));
}
