#pragma once

#include "core/SerialPort.h"

#include <QByteArray>
#include <QStringList>

#include <functional>

// A serial port in memory: records what is set and written, and lets a test play the controller.
class FakeSerialPort : public SerialPort
{
    Q_OBJECT
public:
    using SerialPort::SerialPort;

    bool setCommPort(int port) override;
    bool setSettings(const QString &settings) override;
    bool setHandshaking(int mode) override;
    bool setInputLen(int length) override;
    bool portOpen() const override { return m_open; }
    bool setPortOpen(bool open) override;
    int inBufferCount() const override { return m_open ? int(m_incoming.size()) : 0; }
    QString input() override;
    bool output(const QString &text) override;
    QString errorString() const override { return m_error; }

    // The controller sends these characters (readyRead follows at once).
    void receive(const QString &text);
    // The device goes away: the port closes and portLost is emitted.
    void pull(const QString &reason = QStringLiteral("device removed"));
    // Writes as bytes, each write one entry.
    QList<QByteArray> writes;
    // Called after each successful write (a test may log it beside other events).
    std::function<void(const QByteArray &)> onWrite;

    int commPort = 0;
    QString settings;
    int handshaking = -1;
    int inputLen = -1;
    // Make the next opens fail (device missing or held elsewhere).
    bool refuseOpen = false;
    // Make the writes on the open port fail (a device that stopped taking bytes).
    bool refuseWrites = false;
    int opens = 0;
    int closes = 0;

private:
    bool m_open = false;
    QString m_incoming;
    QString m_error;
};
