#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>

// Turns SIGTERM and SIGINT into a Qt signal: the handler only writes the number into a socket
// pair, and the event loop reads it. One instance at a time.
class SimSignals : public QObject
{
    Q_OBJECT

public:
    explicit SimSignals(QObject *parent = nullptr);
    ~SimSignals() override;

signals:
    void caught(int signalNumber);

private:
    void readSignal();

    std::unique_ptr<QSocketNotifier> m_notifier;
};
