#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal on the UI thread, so they close the program
// like its close box.
class SignalCloser : public QObject
{
    Q_OBJECT
public:
    explicit SignalCloser(QObject *parent = nullptr);
    ~SignalCloser() override;

signals:
    void closeRequested();

private:
    QSocketNotifier *m_notifier = nullptr;
};
