#pragma once

#include <QByteArrayView>
#include <QHostAddress>
#include <QString>
#include <QStringList>

#include <optional>

// Where one door listens (or sends), or off.
struct DoorEndpoint
{
    QHostAddress address; // null: off
    quint16 port = 0;     // 0: one the system picks

    bool isOff() const { return address.isNull(); }
    // "127.0.0.1:4533", "localhost:4533", "[::1]:4533" or "off"; none for anything else.
    static std::optional<DoorEndpoint> parse(QStringView text);
    QString toString() const;

    friend bool operator==(const DoorEndpoint &, const DoorEndpoint &) = default;
};

// The front doors' places, as the command line or the file Doors.ini names them. A door left
// unset takes the place another source gives it (over()), in the end its default.
struct DoorSettings
{
    std::optional<DoorEndpoint> rotctld;
    std::optional<DoorEndpoint> pstUdp;
    std::optional<DoorEndpoint> n1mmUdp;
    std::optional<DoorEndpoint> n1mmHeading; // where the N1MM door tells the heading

    // rotctld 127.0.0.1:4533, PstRotator UDP 127.0.0.1:12000, N1MM UDP 127.0.0.1:12040 and its
    // heading to 127.0.0.1:13010: loopback only, since none of them asks who is calling.
    static DoorSettings defaults();
    // Every door off.
    static DoorSettings off();
    // This one's places, and base's where this one has none.
    DoorSettings over(const DoorSettings &base) const;

    // The names the file and the options use: "rotctld", "pst-udp", "n1mm-udp", "n1mm-heading".
    static QStringList keys();
    std::optional<DoorEndpoint> *find(QStringView key);

    // Lines "key=value"; blanks around both, blank lines and comments (# or ;) are allowed.
    // Any other line is left out and told in problems.
    static DoorSettings fromText(QByteArrayView text, QStringList *problems);
    // No file: nothing set, no problem.
    static DoorSettings fromFile(const QString &path, QStringList *problems);

    friend bool operator==(const DoorSettings &, const DoorSettings &) = default;
};
