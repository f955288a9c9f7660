#pragma once

#include "core/SerialPort.h"
#include "core/SerialSettings.h"

#include <QSerialPort>

// The rotor's serial port on QSerialPort. Port N is the device behind config/comN, else
// /dev/ttyS<N-1>. Handshaking 3 ("RTS/CTS and XON/XOFF") runs as RTS/CTS alone: Qt has no
// combined mode, and XON/XOFF would swallow 0x11/0x13 from the controller's binary replies.
class QtSerialPortDevice : public SerialPort
{
    Q_OBJECT
public:
    explicit QtSerialPortDevice(QString configDir, QObject *parent = nullptr);

    bool setCommPort(int port) override;
    bool setSettings(const QString &settings) override;
    bool setHandshaking(int mode) override;
    bool setInputLen(int length) override;
    bool portOpen() const override { return m_port.isOpen(); }
    bool setPortOpen(bool open) override;
    int inBufferCount() const override;
    QString input() override;
    bool output(const QString &text) override;
    QString errorString() const override { return m_error; }

private:
    // The device the current port number opens.
    QString devicePath() const;
    bool fail(const QString &why);
    bool open();
    // Puts these settings onto the open device; on a refusal says why in m_error.
    bool apply(const SerialSettings &settings, int handshaking);
    void closeDevice();
    void onError(QSerialPort::SerialPortError error);

    QString m_configDir;
    QSerialPort m_port;
    int m_commPort = 1;
    SerialSettings m_settings;
    int m_handshaking = 0;
    QString m_error;
    QString m_openPath;
    bool m_closing = false;
};
