#pragma once

#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QTimer>
#include <QUdpSocket>

class DoorRotator;
struct N1mmCommand;

// N1MM Logger+'s rotor door: turns and stops the rotator on N1MM's datagrams, and tells the
// heading the controller reports as N1MM's own rotor program does ("Beam20 @ 1460"), only when
// it changes and at most four times a second, so nothing runs while the rotor stands.
class N1mmDoor : public QObject
{
    Q_OBJECT
public:
    static constexpr quint16 kDefaultPort = 12040;
    static constexpr quint16 kDefaultHeadingPort = 13010;
    static constexpr int kHeadingGapMs = 250;
    // The name in the heading until a turn datagram names the rotor.
    static constexpr auto kDefaultRotor = "SorvikDDE";

    explicit N1mmDoor(DoorRotator &rotator, QObject *parent = nullptr);

    bool listen(const QHostAddress &address, quint16 port);
    QString errorString() const { return m_socket.errorString(); }
    quint16 port() const { return m_socket.localPort(); }
    // Where the heading goes; a null address: nowhere.
    void tellHeadingTo(const QHostAddress &address, quint16 port);

private:
    void readDatagrams();
    void run(const N1mmCommand &command);
    void headingChanged(int azimuth);
    void sendHeading();

    DoorRotator &m_rotator;
    QUdpSocket m_socket;
    QUdpSocket m_headingSocket;
    QHostAddress m_headingAddress;
    quint16 m_headingPort = 0;
    QString m_rotor = QLatin1String(kDefaultRotor);
    int m_heading = -1;
    int m_headingSent = -1;
    QTimer m_pace;
    QElapsedTimer m_sinceSent;
};
