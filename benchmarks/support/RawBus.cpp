#include "benchmarks/support/RawBus.h"

#include "core/DBusWire.h"

#include <QElapsedTimer>
#include <QtEndian>

#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
enum MessageType : char { kMethodReturn = 2, kError = 3, kSignal = 4 };
enum Field : char { kMember = 3, kErrorName = 4, kReplySerial = 5, kSignature = 8 };
constexpr qsizetype kFixedHeader = 16; // up to and with the header field array's length

quint32 u32At(const QByteArray &b, qsizetype at)
{
    return qFromLittleEndian<quint32>(b.constData() + at);
}

qsizetype aligned(qsizetype at, int to)
{
    return (at + to - 1) / to * to;
}
} // namespace

RawBus::~RawBus()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool RawBus::fail(const QString &why)
{
    m_error = why;
    return false;
}

bool RawBus::connectTo(const QString &address)
{
    const QString prefix = QStringLiteral("unix:path=");
    if (!address.startsWith(prefix))
        return fail(QStringLiteral("only unix:path= addresses: %1").arg(address));
    const QByteArray path = address.mid(prefix.size()).section(u',', 0, 0).toLocal8Bit();
    sockaddr_un where{};
    where.sun_family = AF_UNIX;
    if (size_t(path.size()) >= sizeof where.sun_path)
        return fail(QStringLiteral("socket path too long"));
    std::memcpy(where.sun_path, path.constData(), size_t(path.size()));
    m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_fd < 0 || ::connect(m_fd, reinterpret_cast<sockaddr *>(&where), sizeof where) != 0)
        return fail(QStringLiteral("cannot connect to %1").arg(address));

    // SASL EXTERNAL: the user id as decimal text, hex-encoded; the bus checks it on the socket.
    const QByteArray auth =
        QByteArray(1, '\0') + "AUTH EXTERNAL " + QByteArray::number(::getuid()).toHex() + "\r\n";
    if (::write(m_fd, auth.constData(), size_t(auth.size())) != auth.size())
        return fail(QStringLiteral("cannot write to the bus"));
    while (!m_in.contains("\r\n")) {
        if (!fill(m_in.size() + 1, 5000))
            return fail(QStringLiteral("no answer to AUTH"));
    }
    if (!m_in.startsWith("OK "))
        return fail(QStringLiteral("authentication refused: %1").arg(QString::fromLatin1(m_in)));
    m_in.clear();
    const QByteArray begin = "BEGIN\r\n";
    if (::write(m_fd, begin.constData(), size_t(begin.size())) != begin.size())
        return fail(QStringLiteral("cannot write to the bus"));

    const quint32 hello =
        send(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
             QStringLiteral("org.freedesktop.DBus"), QStringLiteral("Hello"), {});
    const std::optional<Reply> reply = waitReply(hello, 5000);
    return (reply && !reply->isError) || fail(QStringLiteral("no answer to Hello"));
}

RawBus::Call RawBus::compose(const QString &destination, const QString &path,
                             const QString &interface, const QString &member,
                             const QStringList &arguments)
{
    DBusWire::Message message;
    message.type = DBusWire::Type::MethodCall;
    message.serial = ++m_serial;
    message.path = path.toUtf8();
    message.interface = interface.toUtf8();
    message.member = member.toUtf8();
    message.destination = destination.toUtf8();
    for (const QString &argument : arguments)
        message.arguments.append(argument.toUtf8());
    return {message.serial, DBusWire::compose(message)};
}

bool RawBus::send(const Call &call)
{
    qsizetype done = 0;
    while (done < call.bytes.size()) {
        const ssize_t n =
            ::write(m_fd, call.bytes.constData() + done, size_t(call.bytes.size() - done));
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

quint32 RawBus::send(const QString &destination, const QString &path, const QString &interface,
                     const QString &member, const QStringList &arguments)
{
    const Call call = compose(destination, path, interface, member, arguments);
    return send(call) ? call.serial : 0;
}

bool RawBus::fill(qsizetype size, int timeoutMs)
{
    QElapsedTimer waited;
    waited.start();
    while (m_in.size() < size) {
        const int left = timeoutMs - int(waited.elapsed());
        pollfd fd{m_fd, POLLIN, 0};
        if (left <= 0 || ::poll(&fd, 1, left) <= 0)
            return false;
        char buffer[65536];
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n <= 0)
            return false;
        m_in.append(buffer, n);
    }
    return true;
}

std::optional<QByteArray> RawBus::nextMessage(int timeoutMs)
{
    if (!fill(kFixedHeader, timeoutMs))
        return std::nullopt;
    if (m_in[0] != 'l')
        return std::nullopt; // every sender here is little-endian
    const qsizetype headerEnd = aligned(kFixedHeader + u32At(m_in, 12), 8);
    const qsizetype total = headerEnd + u32At(m_in, 4);
    if (!fill(total, timeoutMs))
        return std::nullopt;
    QByteArray message = m_in.left(total);
    m_in.remove(0, total);
    return message;
}

RawBus::Header RawBus::header(const QByteArray &message)
{
    Header h;
    h.type = message.at(1);
    const qsizetype fieldsEnd = kFixedHeader + u32At(message, 12);
    qsizetype at = kFixedHeader;
    while (at < fieldsEnd) {
        at = aligned(at, 8);
        const char code = message.at(at++);
        const int signatureSize = quint8(message.at(at++));
        const char kind = message.at(at);
        at += signatureSize + 1;
        if (kind == 'u') {
            at = aligned(at, 4);
            if (code == kReplySerial)
                h.replySerial = u32At(message, at);
            at += 4;
        } else if (kind == 's' || kind == 'o') {
            at = aligned(at, 4);
            const qsizetype size = u32At(message, at);
            if (code == kErrorName)
                h.errorName = message.mid(at + 4, size);
            else if (code == kMember)
                h.member = message.mid(at + 4, size);
            at += 4 + size + 1;
        } else if (kind == 'g') {
            const int size = quint8(message.at(at));
            if (code == kSignature)
                h.signature = message.mid(at + 1, size);
            at += 1 + size + 1;
        } else {
            break; // no other kind of field comes to these clients
        }
    }
    h.bodyStart = aligned(fieldsEnd, 8);
    return h;
}

template <typename Take>
auto RawBus::waitFor(int timeoutMs, Take take) -> decltype(take(QByteArray(), Header()))
{
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        const int left = timeoutMs - int(waited.elapsed());
        const std::optional<QByteArray> message = nextMessage(qMax(left, 0));
        if (!message)
            return std::nullopt;
        if (auto taken = take(*message, header(*message)))
            return taken;
    }
}

std::optional<RawBus::Reply> RawBus::waitReply(quint32 serial, int timeoutMs)
{
    return waitFor(
        timeoutMs, [serial](const QByteArray &message, const Header &h) -> std::optional<Reply> {
            if ((h.type != kMethodReturn && h.type != kError) || h.replySerial != serial)
                return std::nullopt;
            return Reply{h.type == kError, h.errorName, h.signature, message.mid(h.bodyStart)};
        });
}

std::optional<QList<QByteArray>> RawBus::waitSignal(const QByteArray &member,
                                                    const QByteArray &first, int timeoutMs)
{
    return waitFor(
        timeoutMs,
        [&](const QByteArray &message, const Header &h) -> std::optional<QList<QByteArray>> {
            if (h.type != kSignal || h.member != member ||
                h.signature.count('s') != h.signature.size())
                return std::nullopt;
            QList<QByteArray> arguments;
            qsizetype at = h.bodyStart;
            for (qsizetype i = 0; i < h.signature.size(); ++i) {
                at = aligned(at, 4);
                const qsizetype size = u32At(message, at);
                arguments.append(message.mid(at + 4, size));
                at += 4 + size + 1;
            }
            if (arguments.value(0) != first)
                return std::nullopt;
            return arguments;
        });
}

bool RawBus::nameHasOwner(const QString &name)
{
    const quint32 serial =
        send(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
             QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"), {name});
    const std::optional<Reply> reply = waitReply(serial, 5000);
    return reply && !reply->isError && reply->signature == "b" && reply->body.size() >= 4 &&
           u32At(reply->body, 0) != 0;
}
