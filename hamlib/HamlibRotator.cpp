#include "hamlib/HamlibRotator.h"

#include "core/DevicePath.h"
#include "hamlib/HamlibWorker.h"

#include <QThread>

#include <hamlib/rotator.h>

namespace {
constexpr int kHighestHandshaking = 3;
constexpr int kFarewellMs = 3000;
constexpr auto kDebugVariable = "SORVIK_HAMLIB_DEBUG";

RotorFamily::LibraryModel::Port portOf(int type)
{
    using Port = RotorFamily::LibraryModel::Port;
    switch (type) {
    case RIG_PORT_NONE:
        return Port::None;
    case RIG_PORT_NETWORK:
    case RIG_PORT_UDP_NETWORK:
        return Port::Network;
    default:
        return Port::Device;
    }
}

int listModel(const rot_caps *caps, void *data)
{
    auto *models = static_cast<QList<RotorFamily::LibraryModel> *>(data);
    models->append({caps->rot_model, QString::fromLatin1(caps->mfg_name).trimmed(),
                    QString::fromLatin1(caps->model_name).trimmed(), portOf(caps->port_type),
                    caps->stop != nullptr, caps->serial_rate_min, caps->serial_rate_max});
    return 1; // go on
}
} // namespace

HamlibRotator::HamlibRotator(QString configDir, QObject *parent)
    : RotatorLibrary(parent), m_configDir(std::move(configDir)), m_thread(new QThread),
      m_worker(new HamlibWorker)
{
    m_thread->setObjectName(QStringLiteral("hamlib"));
    m_worker->moveToThread(m_thread);
    connect(m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    connect(m_worker, &HamlibWorker::done, this, &HamlibRotator::answer);
    connect(m_worker, &HamlibWorker::positionRead, this, [this](bool ok, double azimuth) {
        m_reading = false;
        emit positionRead(ok, azimuth);
    });
    connect(m_worker, &HamlibWorker::infoRead, this, &RotatorLibrary::infoRead);
    connect(m_worker, &HamlibWorker::failed, this, &RotatorLibrary::failed);
    connect(m_worker, &HamlibWorker::lost, this, &HamlibRotator::onLost);
    m_thread->start();
}

HamlibRotator::~HamlibRotator()
{
    disconnect(m_worker, nullptr, this, nullptr);
    QMetaObject::invokeMethod(m_worker, [worker = m_worker] { worker->close(); });
    m_thread->quit();
    if (m_thread->wait(kFarewellMs))
        delete m_thread;
    // else a libhamlib call still blocks: the thread is left to the process's end.
}

QList<RotorFamily::LibraryModel> HamlibRotator::installedModels()
{
    bool set = false;
    const int level = qEnvironmentVariableIntValue(kDebugVariable, &set);
    rig_set_debug(set ? rig_debug_level_e(qBound(0, level, int(RIG_DEBUG_TRACE))) : RIG_DEBUG_NONE);
    rot_load_all_backends();
    QList<RotorFamily::LibraryModel> models;
    rot_list_foreach(listModel, &models);
    return models;
}

bool HamlibRotator::fail(const QString &why)
{
    m_error = why;
    return false;
}

bool HamlibRotator::setCommPort(int port)
{
    if (port < 1)
        return fail(QStringLiteral("port number %1 refused").arg(port));
    if (m_open)
        return fail(QStringLiteral("the port number cannot change while the rotator is open"));
    m_commPort = port;
    return true;
}

bool HamlibRotator::setSettings(const QString &settings)
{
    const std::optional<SerialSettings> parsed = SerialSettings::parse(settings);
    if (!parsed)
        return fail(QStringLiteral("settings \"%1\" refused").arg(settings));
    // libhamlib takes the line's settings when it opens.
    m_settings = *parsed;
    return true;
}

bool HamlibRotator::setHandshaking(int mode)
{
    if (mode < 0 || mode > kHighestHandshaking)
        return fail(QStringLiteral("handshaking %1 refused").arg(mode));
    m_handshaking = mode;
    return true;
}

bool HamlibRotator::setInputLen(int length)
{
    if (length != 0)
        return fail(QStringLiteral("input length %1 refused: only 0 is supported").arg(length));
    return true;
}

bool HamlibRotator::setPortOpen(bool open)
{
    if (open)
        return this->open();
    if (!m_open)
        return fail(QStringLiteral("the rotator is not open"));
    m_open = false;
    QMetaObject::invokeMethod(m_worker, [worker = m_worker] { worker->close(); });
    emit openChanged(false);
    return true;
}

bool HamlibRotator::open()
{
    using Port = RotorFamily::LibraryModel::Port;
    if (m_open)
        return fail(QStringLiteral("the rotator is already open"));
    const RotorFamily::LibraryModel *model = RotorFamily::libraryModel(m_model);
    if (!model)
        return fail(QStringLiteral("libhamlib has no rotator model %1").arg(m_model));
    HamlibOpening opening{
        m_model,  {}, false, m_settings, m_handshaking, model->lowestBaud, model->highestBaud,
        ++m_epoch};
    if (model->port == Port::Network) {
        const QString address = DevicePath::linkText(m_configDir, m_commPort);
        opening.target = address.isEmpty() ? QString::fromLatin1(kDefaultAddress) : address;
    } else if (model->port == Port::Device) {
        // What can be told before libhamlib tries is told as the serial port tells it.
        if (const QString why = DevicePath::unusable(m_configDir, m_commPort); !why.isEmpty())
            return fail(why);
        opening.target = DevicePath::forPort(m_configDir, m_commPort).path;
        opening.serial = true;
    }
    // Opening can block (a host that does not answer): it goes on on the library's thread, and a
    // failure comes back as a lost rotator.
    m_open = true;
    QMetaObject::invokeMethod(m_worker, [worker = m_worker, opening] { worker->open(opening); });
    emit openChanged(true);
    return true;
}

bool HamlibRotator::output(const QString &)
{
    return fail(QStringLiteral("libhamlib drives this rotator: no bytes of ours go to it"));
}

quint64 HamlibRotator::remember(Done done)
{
    const quint64 id = ++m_nextId;
    m_pending.insert(id, std::move(done));
    return id;
}

void HamlibRotator::answer(quint64 id, bool ok)
{
    if (Done done = m_pending.take(id))
        done(ok);
}

void HamlibRotator::setPosition(int azimuth, Done done)
{
    const quint64 id = remember(std::move(done));
    QMetaObject::invokeMethod(
        m_worker, [worker = m_worker, id, azimuth] { worker->setPosition(id, azimuth); });
}

void HamlibRotator::stop(Done done)
{
    const quint64 id = remember(std::move(done));
    QMetaObject::invokeMethod(m_worker, [worker = m_worker, id] { worker->stop(id); });
}

void HamlibRotator::readPosition()
{
    if (m_reading)
        return;
    m_reading = true;
    QMetaObject::invokeMethod(m_worker, [worker = m_worker] { worker->readPosition(); });
}

void HamlibRotator::readInfo()
{
    QMetaObject::invokeMethod(m_worker, [worker = m_worker] { worker->readInfo(); });
}

void HamlibRotator::onLost(quint64 epoch, const QString &reason)
{
    if (epoch != m_epoch || !m_open)
        return;
    m_open = false;
    m_error = reason;
    emit openChanged(false);
    emit portLost(reason);
}
