#include "benchmarks/support/RawBus.h"

#include <QElapsedTimer>
#include <QtEndian>

#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
enum MessageType : char { kMethodCall = 1, kMethodReturn = 2, kError = 3 };
enum Field : char {
    kPath = 1,
    kInterface = 2,
    kMember = 3,
    kErrorName = 4,
    kReplySerial = 5,
    kDestination = 6,
    kSignature = 8,
};
constexpr qsizetype kFixedHeader = 16; // up to and with the header field array's length

// Alignment counts from the start of the message; every buffer here starts 8-aligned in it.
void pad(QByteArray &b, int to)
{
    while (b.size() % to)
        b.append('\0');
}

void putU32(QByteArray &b, quint32 value)
{
    pad(b, 4);
    char bytes[4];
    qToLittleEndian(value, bytes);
    b.append(bytes, 4);
}

void putString(QByteArray &b, const QByteArray &text)
{
    putU32(b, quint32(text.size()));
    b.append(text);
    b.append('\0');
}

void putSignature(QByteArray &b, const QByteArray &signature)
{
    b.append(char(signature.size()));
    b.append(signature);
    b.append('\0');
}

void putField(QByteArray &b, Field code, char type, const QByteArray &value)
{
    pad(b, 8);
    b.append(char(code));
    putSignature(b, QByteArray(1, type));
    if (type == 'g')
        putSignature(b, value);
    else
        putString(b, value);
}

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
    QByteArray body;
    for (const QString &argument : arguments)
        putString(body, argument.toUtf8());

    const quint32 serial = ++m_serial;
    QByteArray message;
    message.append('l'); // little-endian
    message.append(char(kMethodCall));
    message.append('\0'); // flags: a reply is wanted
    message.append('\1'); // protocol version
    putU32(message, quint32(body.size()));
    putU32(message, serial);
    putU32(message, 0); // the header field array's length, set below
    putField(message, kPath, 'o', path.toUtf8());
    putField(message, kInterface, 's', interface.toUtf8());
    putField(message, kMember, 's', member.toUtf8());
    putField(message, kDestination, 's', destination.toUtf8());
    if (!arguments.isEmpty())
        putField(message, kSignature, 'g', QByteArray(arguments.size(), 's'));
    qToLittleEndian(quint32(message.size() - kFixedHeader), message.data() + 12);
    pad(message, 8);
    message.append(body);
    return {serial, message};
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

std::optional<RawBus::Reply> RawBus::waitReply(quint32 serial, int timeoutMs)
{
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        const int left = timeoutMs - int(waited.elapsed());
        std::optional<QByteArray> message = nextMessage(qMax(left, 0));
        if (!message)
            return std::nullopt;
        const char type = message->at(1);
        if (type != kMethodReturn && type != kError)
            continue;
        Reply reply;
        reply.isError = type == kError;
        quint32 replyTo = 0;
        const qsizetype fieldsEnd = kFixedHeader + u32At(*message, 12);
        qsizetype at = kFixedHeader;
        while (at < fieldsEnd) {
            at = aligned(at, 8);
            const char code = message->at(at++);
            const int signatureSize = quint8(message->at(at++));
            const char kind = message->at(at);
            at += signatureSize + 1;
            if (kind == 'u') {
                at = aligned(at, 4);
                if (code == kReplySerial)
                    replyTo = u32At(*message, at);
                at += 4;
            } else if (kind == 's' || kind == 'o') {
                at = aligned(at, 4);
                const qsizetype size = u32At(*message, at);
                if (code == kErrorName)
                    reply.errorName = message->mid(at + 4, size);
                at += 4 + size + 1;
            } else if (kind == 'g') {
                const int size = quint8(message->at(at));
                if (code == kSignature)
                    reply.signature = message->mid(at + 1, size);
                at += 1 + size + 1;
            } else {
                break; // no other kind of field comes in a reply
            }
        }
        if (replyTo != serial)
            continue;
        reply.body = message->mid(aligned(fieldsEnd, 8));
        return reply;
    }
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
