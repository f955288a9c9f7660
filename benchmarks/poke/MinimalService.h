#pragma once

#include <QObject>
#include <QSerialPort>

// The least a link service can do for a poke: the two Prosistel D frames straight to the port
// inside the handler. The yardstick the program's own poke path is held against.
class MinimalService : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.sorvik.DDE")
public:
    explicit MinimalService(QSerialPort &port) : m_port(port) {}

public slots:
    Q_SCRIPTABLE void Poke(const QString &item, const QString &value);

private:
    QSerialPort &m_port;
};
