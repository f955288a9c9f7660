#pragma once

#include "app/link/BusSender.h"
#include "core/MainPanel.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QList>
#include <QObject>
#include <QString>

#include <utility>

class MapSettings;
class RotorControl;
class RotorState;

// The logbook's link: serves the main window's text items on the session bus under
// interface org.sorvik.DDE at /nomeForm, takes pokes into Text1 and announces every change; for
// network clients it also stops the rotor and tells its position.
class DdeService : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.sorvik.DDE")
public:
    static constexpr auto kObjectPath = "/nomeForm";
    static constexpr auto kErrorNotAccepted = "org.sorvik.DDE.Error.NotAccepted";
    static constexpr auto kErrorNoSuchItem = "org.sorvik.DDE.Error.NoSuchItem";
    static constexpr auto kErrorNotAvailable = "org.sorvik.DDE.Error.NotAvailable";
    static constexpr auto kErrorNoStation = "org.sorvik.DDE.Error.NoStation";
    static constexpr auto kErrorBadLocator = "org.sorvik.DDE.Error.BadLocator";

    // map: the beam map's file, where the station's locator is kept (none: no station).
    DdeService(MainPanel &panel, RotorControl &rotor, const RotorState &state,
               const MapSettings *map = nullptr, QObject *parent = nullptr);
    ~DdeService() override;

    // The bus name the program serves under: "org.sorvik." + executable name without extension.
    static QString busNameFor(const QString &executableName);

    // Claims busName on the session bus and serves /nomeForm. Fails without a session bus, when
    // the name is invalid or owned by another connection, or when /nomeForm is already served;
    // errorString() then says why in one line.
    bool start(const QString &busName);
    bool isRunning() const { return !m_busName.isEmpty(); }
    QString errorString() const { return m_errorString; }

    // D-Bus cannot carry NUL (QtDBus would cut the string there): each one goes out as U+2400,
    // the symbol for NUL, so the rest of the value arrives and the logbook sees where it was.
    static QString toWire(const QString &text);

public slots:
    // The D-Bus interface; called by the bus only.
    Q_SCRIPTABLE void Poke(const QString &item, const QString &value);
    Q_SCRIPTABLE QString Request(const QString &item);
    Q_SCRIPTABLE void Execute(const QString &command);
    // The operator's STOP, for a family that has a stop; NotAvailable (and no message box, which
    // would wait on the operator's screen) for one that has none.
    Q_SCRIPTABLE void Stop();
    // The azimuth the controller last reported (-1: none, or the family never reports) and the
    // azimuth of the last drive started (-1 before any).
    Q_SCRIPTABLE int Position(int &commanded);
    // Whether a command reaches the rotor now: its line is open, or the model is DEMO. Asked
    // right after a poke or a stop, it tells whether that one could be sent.
    Q_SCRIPTABLE bool CanSend();
    // Turns the antenna towards a locator (or "lat,lon") from the station's own locator, along
    // the short or the long path, as MANUAL and ENTER would; answers the azimuth. NoStation
    // without a station locator, BadLocator for a target that is none; nothing turns then.
    Q_SCRIPTABLE int PointAt(const QString &locator, bool longPath);

signals:
    // Declared for the interface's description only: announce() sends each change as a message
    // of its own, never through an emission.
    Q_SCRIPTABLE void Changed(const QString &item, const QString &value);

private:
    void stop();
    void fail(const QString &message);
    void replyError(const char *name, const QString &message);
    // The call being handled is answered (with these values) when the panel's hold ends, or
    // before the event loop next waits, whichever comes first.
    void holdAnswer(const QVariantList &values = {});
    // A change goes out at once, or when the panel's last hold ends.
    void announce(MainPanel::Item item, const QString &text);
    // The answers held, then the changes, in one batch.
    void flush();

    MainPanel &m_panel;
    RotorControl &m_rotor;
    const RotorState &m_state;
    const MapSettings *m_map;
    // Changed signals not sent yet, in their order, ready for the wire.
    QList<QByteArray> m_changes;
    BusSender m_sender;
    BusSender::Answers m_answers; // ready replies
    QString m_busName;
    QString m_errorString;
};
