#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// A D-Bus client on a bare socket, for timing: a method call leaves in one write() from the
// calling thread, with no client library's own thread or queue in front of it.
class RawBus
{
public:
    RawBus() = default;
    ~RawBus();
    RawBus(const RawBus &) = delete;
    RawBus &operator=(const RawBus &) = delete;

    struct Reply
    {
        bool isError = false;
        QByteArray errorName;
        QByteArray signature;
        QByteArray body;
    };

    // A "unix:path=..." address: authenticates and says Hello.
    bool connectTo(const QString &address);
    QString errorString() const { return m_error; }

    // A call whose arguments are all strings, ready to go: its serial and its bytes.
    struct Call
    {
        quint32 serial = 0;
        QByteArray bytes;
    };
    Call compose(const QString &destination, const QString &path, const QString &interface,
                 const QString &member, const QStringList &arguments);
    // One write() of a composed call; false when it failed.
    bool send(const Call &call);
    // Both at once; the serial, or 0 when the write failed.
    quint32 send(const QString &destination, const QString &path, const QString &interface,
                 const QString &member, const QStringList &arguments);
    // Reads until the reply to `serial` comes, skipping everything else.
    std::optional<Reply> waitReply(quint32 serial, int timeoutMs);
    // Reads until a signal `member` with string arguments comes whose first is `first`,
    // skipping everything else; its arguments. (Signals reach this client after an AddMatch.)
    std::optional<QList<QByteArray>> waitSignal(const QByteArray &member, const QByteArray &first,
                                                int timeoutMs);

    bool nameHasOwner(const QString &name);

private:
    struct Header
    {
        char type = 0;
        quint32 replySerial = 0;
        QByteArray member;
        QByteArray errorName;
        QByteArray signature;
        qsizetype bodyStart = 0;
    };
    static Header header(const QByteArray &message);
    // Reads messages until `take(message, header)` gives a value, or the time is up.
    template <typename Take>
    auto waitFor(int timeoutMs, Take take) -> decltype(take(QByteArray(), Header()));
    bool fail(const QString &why);
    bool fill(qsizetype size, int timeoutMs);
    std::optional<QByteArray> nextMessage(int timeoutMs);

    int m_fd = -1;
    quint32 m_serial = 0;
    QByteArray m_in;
    QString m_error;
};
