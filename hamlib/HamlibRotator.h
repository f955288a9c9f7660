#pragma once

#include "core/RotatorLibrary.h"
#include "core/SerialSettings.h"
#include "rotor/RotorFamily.h"

#include <QHash>
#include <QString>

class HamlibWorker;
class QThread;

// A rotator through libhamlib, seen from the UI thread: set up and opened like the serial port
// (port N is config/comN's device, or for a network model the host:port it names, else
// localhost:4533), and driven by azimuth. The library's calls run on a thread of their own, so
// none of them ever holds the window or the link.
class HamlibRotator : public RotatorLibrary
{
    Q_OBJECT
public:
    static constexpr auto kDefaultAddress = "localhost:4533";

    explicit HamlibRotator(QString configDir, QObject *parent = nullptr);
    // Waits a moment for a call under way; a library call that hangs longer is left behind.
    ~HamlibRotator() override;

    // Sets libhamlib's own debug output (off unless SORVIK_HAMLIB_DEBUG names a level, 0 to 5),
    // loads its backends and lists its rotator models.
    static QList<RotorFamily::LibraryModel> installedModels();

    bool setCommPort(int port) override;
    bool setSettings(const QString &settings) override;
    bool setHandshaking(int mode) override;
    bool setInputLen(int length) override;
    bool portOpen() const override { return m_open; }
    bool setPortOpen(bool open) override;
    int inBufferCount() const override { return 0; }
    QString input() override { return {}; }
    bool output(const QString &text) override;
    QString errorString() const override { return m_error; }

    void setModel(int model) override { m_model = model; }
    void setPosition(int azimuth, Done done) override;
    void stop(Done done) override;
    void readPosition() override;
    void readInfo() override;

private:
    bool fail(const QString &why);
    bool open();
    quint64 remember(Done done);
    void answer(quint64 id, bool ok);
    void onLost(quint64 epoch, const QString &reason);

    QString m_configDir;
    int m_model = 0;
    int m_commPort = 1;
    SerialSettings m_settings;
    int m_handshaking = 0;
    bool m_open = false;
    quint64 m_epoch = 0;
    bool m_reading = false;
    quint64 m_nextId = 0;
    QHash<quint64, Done> m_pending;
    QString m_error;

    QThread *m_thread;
    HamlibWorker *m_worker;
};
