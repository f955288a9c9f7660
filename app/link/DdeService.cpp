#include "app/link/DdeService.h"

#include "core/DBusWire.h"
#include "map/MapSettings.h"
#include "map/PointAt.h"
#include "rotor/RotorControl.h"
#include "rotor/RotorState.h"

#include <QAbstractEventDispatcher>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QStringList>

#include <optional>
#include <utility>

namespace {
constexpr auto kBusNamePrefix = "org.sorvik.";
constexpr auto kInterface = "org.sorvik.DDE";
constexpr auto kOff = "DDE link off: ";
constexpr QChar kNulOnTheWire(0x2400);

QString objectPath()
{
    return QString::fromLatin1(DdeService::kObjectPath);
}

// A well-known name: two or more dot-separated elements of [A-Za-z0-9_-], none starting with a
// digit, 255 characters at most. Checked here so a bad executable name gets a clear message.
bool isValidWellKnownName(const QString &name)
{
    if (name.isEmpty() || name.size() > 255)
        return false;
    const QStringList elements = name.split(QLatin1Char('.'));
    if (elements.size() < 2)
        return false;
    for (const QString &element : elements) {
        if (element.isEmpty() || element.front().isDigit())
            return false;
        for (const QChar c : element) {
            const bool ok = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
                            (c >= u'0' && c <= u'9') || c == u'_' || c == u'-';
            if (!ok)
                return false;
        }
    }
    return true;
}
} // namespace

DdeService::DdeService(MainPanel &panel, RotorControl &rotor, const RotorState &state,
                       const MapSettings *map, QObject *parent)
    : QObject(parent), m_panel(panel), m_rotor(rotor), m_state(state), m_map(map)
{
    connect(&m_panel, &MainPanel::textChanged, this,
            [this](MainPanel::Item item, const QString &t) {
                // Text1 follows text1Set so that a setting to the same text reaches the logbook
                // too; TBox changes with every reply chunk and is only requested.
                if (item == MainPanel::Item::Text1 || item == MainPanel::Item::TBox)
                    return;
                announce(item, t);
            });
    connect(&m_panel, &MainPanel::text1Set, this,
            [this](const QString &t) { announce(MainPanel::Item::Text1, t); });
    connect(&m_panel, &MainPanel::released, this, &DdeService::flush);
    // A nested event loop (a modal box) is about to wait: the callers held so far are answered
    // and the changes held so far announced.
    if (auto *dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &DdeService::flush);
}

DdeService::~DdeService()
{
    stop();
}

QString DdeService::busNameFor(const QString &executableName)
{
    QString base = executableName;
    const qsizetype slash = base.lastIndexOf(QLatin1Char('/'));
    if (slash >= 0)
        base = base.mid(slash + 1);
    const qsizetype dot = base.lastIndexOf(QLatin1Char('.'));
    if (dot > 0)
        base.truncate(dot);
    return QLatin1String(kBusNamePrefix) + base;
}

bool DdeService::start(const QString &busName)
{
    if (isRunning() && busName == m_busName)
        return true;
    stop();
    m_errorString.clear();

    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        fail(QStringLiteral("no D-Bus session bus (%1)").arg(bus.lastError().message()));
        return false;
    }
    if (!isValidWellKnownName(busName)) {
        fail(QStringLiteral("\"%1\" is not a valid D-Bus name").arg(busName));
        return false;
    }
    // The object first, so the first call after the name is ours finds it.
    if (!bus.registerObject(objectPath(), this,
                            QDBusConnection::ExportScriptableSlots |
                                QDBusConnection::ExportScriptableSignals)) {
        fail(QStringLiteral("%1 is already served in this program").arg(objectPath()));
        return false;
    }
    if (!bus.registerService(busName)) {
        bus.unregisterObject(objectPath());
        QDBusConnectionInterface *daemon = bus.interface();
        if (daemon && daemon->isServiceRegistered(busName).value())
            fail(QStringLiteral("the name %1 is already owned on the session bus").arg(busName));
        else
            fail(QStringLiteral("cannot own the name %1 (%2)")
                     .arg(busName, bus.lastError().message()));
        return false;
    }
    m_busName = busName;
    return true;
}

QString DdeService::toWire(const QString &text)
{
    QString wire = text;
    wire.replace(QChar(u'\0'), kNulOnTheWire);
    return wire;
}

void DdeService::Poke(const QString &item, const QString &value)
{
    const auto found = MainPanel::itemFromName(item);
    if (!found) {
        replyError(kErrorNoSuchItem, QStringLiteral("No item named \"%1\"").arg(item));
        return;
    }
    if (*found != MainPanel::Item::Text1) {
        replyError(kErrorNotAccepted,
                   QStringLiteral("Item %1 does not accept pokes, only Text1 does").arg(item));
        return;
    }
    // Applied at once, in the order the calls came in, and answered with its changes announced
    // right after the drive's first bytes, when the hold ends; a modal box the handling opens
    // never holds the caller (flush before the event loop waits).
    const MainPanel::Hold hold(m_panel);
    holdAnswer();
    m_panel.setText(MainPanel::Item::Text1, value);
}

void DdeService::holdAnswer(const QVariantList &values)
{
    if (!calledFromDBus())
        return;
    setDelayedReply(true);
    m_answers.append({connection(), message().createReply(values)});
}

QString DdeService::Request(const QString &item)
{
    const auto found = MainPanel::itemFromName(item);
    if (!found) {
        replyError(kErrorNoSuchItem, QStringLiteral("No item named \"%1\"").arg(item));
        return {};
    }
    return toWire(m_panel.text(*found));
}

void DdeService::Execute(const QString &command)
{
    // Execute requests are accepted and change nothing.
    Q_UNUSED(command);
}

void DdeService::Stop()
{
    if (!m_rotor.canStop()) {
        replyError(kErrorNotAvailable,
                   QStringLiteral("The rotor model in force has no stop command"));
        return;
    }
    // Applied at once, like a poke: a stop and the poke after it keep their order.
    const MainPanel::Hold hold(m_panel);
    holdAnswer();
    m_rotor.MnuStop_Click();
}

int DdeService::Position(int &commanded)
{
    commanded = m_state.commanded();
    return m_state.reported();
}

bool DdeService::CanSend()
{
    return m_rotor.canSend();
}

int DdeService::PointAt(const QString &locator, bool longPath)
{
    const ::PointAt aim =
        ::PointAt::compute(m_map ? m_map->station() : QString(), locator, longPath);
    if (aim.error != ::PointAt::Error::None) {
        replyError(aim.error == ::PointAt::Error::NoStation ? kErrorNoStation : kErrorBadLocator,
                   ::PointAt::message(aim.error));
        return -1;
    }
    // Applied at once, like a poke, and answered with the azimuth right after.
    const MainPanel::Hold hold(m_panel);
    holdAnswer({aim.azimuth});
    m_rotor.manualAzimuth(QString::number(aim.azimuth));
    return aim.azimuth;
}

void DdeService::stop()
{
    if (!isRunning())
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterObject(objectPath());
    bus.unregisterService(m_busName);
    m_busName.clear();
}

void DdeService::fail(const QString &message)
{
    m_errorString = QLatin1String(kOff) + message;
}

void DdeService::replyError(const char *name, const QString &message)
{
    if (calledFromDBus())
        sendErrorReply(QString::fromLatin1(name), message);
}

void DdeService::announce(MainPanel::Item item, const QString &text)
{
    if (!isRunning())
        return;
    DBusWire::Message signal;
    signal.path = kObjectPath;
    signal.interface = kInterface;
    signal.member = "Changed";
    signal.arguments = {MainPanel::itemName(item).toLatin1(), toWire(text).toUtf8()};
    m_changes.append(DBusWire::compose(signal));
    if (!m_panel.held())
        flush();
}

void DdeService::flush()
{
    m_sender.send(std::exchange(m_answers, {}), std::exchange(m_changes, {}));
}
