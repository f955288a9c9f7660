#include "doors/DoorSettings.h"

#include <QFile>
#include <QFileInfo>

namespace {
constexpr auto kOff = "off";
// A settings file is a few lines; a bigger one is not ours.
constexpr qint64 kMaxFileSize = 64 * 1024;

DoorEndpoint loopback(quint16 port)
{
    return {QHostAddress(QHostAddress::LocalHost), port};
}
} // namespace

std::optional<DoorEndpoint> DoorEndpoint::parse(QStringView text)
{
    text = text.trimmed();
    if (text.compare(QLatin1String(kOff), Qt::CaseInsensitive) == 0)
        return DoorEndpoint{};
    const qsizetype colon = text.lastIndexOf(u':');
    if (colon <= 0)
        return std::nullopt;
    QStringView host = text.first(colon);
    bool ok = false;
    const uint port = text.sliced(colon + 1).toUInt(&ok);
    if (!ok || port > 65535 || text.sliced(colon + 1).startsWith(u'+'))
        return std::nullopt;
    if (host.startsWith(u'[') && host.endsWith(u']'))
        host = host.sliced(1, host.size() - 2);
    else if (host.contains(u':'))
        return std::nullopt; // an IPv6 address needs its brackets
    QHostAddress address;
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        address = QHostAddress(QHostAddress::LocalHost);
    else if (!address.setAddress(host.toString()))
        return std::nullopt;
    return DoorEndpoint{address, quint16(port)};
}

QString DoorEndpoint::toString() const
{
    if (isOff())
        return QLatin1String(kOff);
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
                             ? u'[' + address.toString() + u']'
                             : address.toString();
    return host + u':' + QString::number(port);
}

DoorSettings DoorSettings::defaults()
{
    return {loopback(4533), loopback(12000), loopback(12040), loopback(13010)};
}

DoorSettings DoorSettings::off()
{
    return {DoorEndpoint{}, DoorEndpoint{}, DoorEndpoint{}, DoorEndpoint{}};
}

DoorSettings DoorSettings::over(const DoorSettings &base) const
{
    return {rotctld ? rotctld : base.rotctld, pstUdp ? pstUdp : base.pstUdp,
            n1mmUdp ? n1mmUdp : base.n1mmUdp, n1mmHeading ? n1mmHeading : base.n1mmHeading};
}

QStringList DoorSettings::keys()
{
    return {QStringLiteral("rotctld"), QStringLiteral("pst-udp"), QStringLiteral("n1mm-udp"),
            QStringLiteral("n1mm-heading")};
}

std::optional<DoorEndpoint> *DoorSettings::find(QStringView key)
{
    std::optional<DoorEndpoint> *const places[] = {&rotctld, &pstUdp, &n1mmUdp, &n1mmHeading};
    const QStringList names = keys();
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (key == names[i])
            return places[i];
    }
    return nullptr;
}

DoorSettings DoorSettings::fromText(QByteArrayView text, QStringList *problems)
{
    DoorSettings settings;
    int number = 0;
    for (QByteArrayView line : text.toByteArray().split('\n')) {
        ++number;
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith('#') || line.startsWith(';'))
            continue;
        const qsizetype equals = line.indexOf('=');
        const QString key = QString::fromUtf8(line.first(qMax<qsizetype>(equals, 0))).trimmed();
        const QString value =
            equals < 0 ? QString() : QString::fromUtf8(line.sliced(equals + 1)).trimmed();
        std::optional<DoorEndpoint> *place = settings.find(key);
        const std::optional<DoorEndpoint> endpoint = DoorEndpoint::parse(value);
        if (place && endpoint) {
            *place = endpoint;
            continue;
        }
        if (!problems)
            continue;
        if (!place)
            problems->append(QStringLiteral("line %1: \"%2\" is not one of %3")
                                 .arg(number)
                                 .arg(equals < 0 ? QString::fromUtf8(line) : key,
                                      keys().join(QStringLiteral(", "))));
        else
            problems->append(QStringLiteral("line %1: %2 wants ADDRESS:PORT or off, not \"%3\"")
                                 .arg(number)
                                 .arg(key, value));
    }
    return settings;
}

DoorSettings DoorSettings::fromFile(const QString &path, QStringList *problems)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    QFile file(path);
    // Only a regular file: a FIFO would block the start, a device would read for ever.
    if (!info.isFile() || info.size() > kMaxFileSize || !file.open(QIODevice::ReadOnly)) {
        if (problems)
            problems->append(QStringLiteral("cannot read %1").arg(path));
        return {};
    }
    return fromText(file.read(kMaxFileSize), problems);
}
