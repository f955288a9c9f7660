#pragma once

#include <QString>

// Which device a port number opens: the symbolic link config/comN when there is one (so
// config/com3 can point at /dev/ttyUSB0 or /dev/serial/by-id/...), else /dev/ttyS<N-1>.
struct DevicePath
{
    QString path;        // empty for a port number below 1
    bool linked = false; // true when config/comN decided it

    static DevicePath forPort(const QString &configDir, int port);
    // "config/com3 -> /dev/ttyUSB0" or "/dev/ttyS2", for the operator.
    static QString describe(const QString &configDir, int port);
    // The text config/comN holds as it stands, unresolved ("host:4533" for a rotator on the
    // network); empty when there is no such link.
    static QString linkText(const QString &configDir, int port);
    // Why the device of this port cannot be opened for reading and writing, as the operator
    // reads it ("config/com3 -> /dev/ttyUSB0: No such file or directory", or the group to join
    // when access is refused); empty when nothing stands in the way that can be told beforehand.
    static QString unusable(const QString &configDir, int port);
    // Why a device that failed to open is refused: the group to join when the user lacks access;
    // empty when that is not the reason.
    static QString accessProblem(const QString &path);
    // Makes config/comN a link to target (a device, or host:port), replacing an older link in one
    // step; a comN that is no link (a file someone put there) is left alone and refused. False
    // when it cannot be written; error says why.
    static bool writeLink(const QString &configDir, int port, const QString &target,
                          QString *error = nullptr);
};
