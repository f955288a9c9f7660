#pragma once

#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <QTimer>
#include <memory>

// The controller's end of a pseudo-terminal pair. While nobody holds the slave, reading the
// master fails with EIO at once and a read notifier would fire without end, so the port stops
// watching the master and waits for the kernel to say (inotify) that someone has opened the
// slave: an idle simulator never wakes. Where inotify is not to be had, it looks every RetryMs.
class SimPty : public QObject
{
    Q_OBJECT

public:
    static constexpr int RetryMs = 100;

    explicit SimPty(QObject *parent = nullptr);
    ~SimPty() override;

    bool open(QString *error);
    QString slavePath() const { return m_slavePath; }
    // Whether the program holds the slave open.
    bool connected() const { return m_connected; }
    // Returns false when the bytes could not all be handed to the line.
    bool write(const QByteArray &bytes);

signals:
    void received(const QByteArray &bytes);
    void connectedChanged(bool connected);

private:
    void readOnce();
    void slaveOpened();
    void setConnected(bool connected);

    int m_master = -1;
    int m_watch = -1; // inotify: the slave's opens
    QString m_slavePath;
    bool m_connected = false;
    std::unique_ptr<QSocketNotifier> m_notifier;
    std::unique_ptr<QSocketNotifier> m_watchNotifier;
    QTimer m_retry;
};
