#pragma once

#include "core/SerialSettings.h"

#include <QObject>
#include <QString>

struct s_rot;

// What an opening hands to libhamlib.
struct HamlibOpening
{
    int model = 0;
    QString target; // the device or host:port; empty for a model with nothing to open
    bool serial = false;
    SerialSettings settings;
    int handshaking = 0;
    int lowestBaud = 0;
    int highestBaud = 0;
    quint64 epoch = 0; // told back with the failures of this opening
};

// The libhamlib rotator itself, living on a thread of its own: every call may block for seconds
// (time-outs, retries). Its requests arrive queued and run in order; what they come to goes
// back as queued signals.
class HamlibWorker : public QObject
{
    Q_OBJECT
public:
    ~HamlibWorker() override;

    void open(const HamlibOpening &opening);
    void close();
    void setPosition(quint64 id, int azimuth);
    void stop(quint64 id);
    void readPosition();
    void readInfo();

signals:
    void done(quint64 id, bool ok);
    void positionRead(bool ok, double azimuth);
    void infoRead(const QString &info);
    void failed(const QString &what, const QString &why);
    // The device is gone (or never opened): the rotator is closed.
    void lost(quint64 epoch, const QString &reason);

private:
    // False on a failure, which is told: a lost device as lost(), anything else as failed().
    bool check(int result, const QString &what);
    // A request that finds the rotator closed; told unless a loss already said why.
    void notOpen(const QString &what);

    s_rot *m_rot = nullptr;
    quint64 m_epoch = 0;
    // Requests sent before the program learnt of a loss fail without a word of their own.
    bool m_lost = false;
};
