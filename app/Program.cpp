#include "app/Program.h"

#include "app/link/LocalRotator.h"
#include "doors/Doors.h"
#include "map/window/BeamMapWindow.h"

#include <QApplication>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <unistd.h>

namespace {
// Empty when the folder is there, or can be made, and can be written; otherwise why not.
QString unwritable(const QString &folder)
{
    const QByteArray path = QFile::encodeName(folder);
    std::error_code error;
    std::filesystem::create_directories(path.toStdString(), error);
    if (!error && ::access(path.constData(), W_OK | X_OK) != 0)
        error.assign(errno, std::generic_category());
    if (!error)
        return {};
    return QStringLiteral("the configuration folder %1 cannot be written (%2): the window position "
                          "and the profiles will not be saved")
        .arg(folder, QString::fromLocal8Bit(error.message()));
}
} // namespace

Program::Program(const QString &programDir, Seams seams, std::optional<DoorSettings> doors,
                 QObject *parent)
    : QObject(parent), m_instance(programDir),
      m_config(QDir(programDir).filePath(QStringLiteral("config"))), m_map(m_config.configDir()),
      m_line(m_config.activeProfile(), seams.port, seams.library),
      m_poller(m_panel, m_config.activeProfile(), m_line, m_state, seams.library),
      m_status(m_panel, m_config.activeProfile(), m_line, seams.boxes, seams.library),
      m_banner(m_panel, this), m_rotor(m_panel, m_config.activeProfile(), m_line, seams.boxes,
                                       seams.beeper, seams.pauser, m_state, seams.library),
      m_window(std::make_unique<FrmSorvikDDE>(m_panel, m_config, m_line, seams.boxes, seams.beeper,
                                              m_rotor, m_status, m_banner)),
      m_link(m_panel, m_rotor, m_state, &m_map), m_doorSettings(std::move(doors))
{
    connect(&m_panel, &MainPanel::text1Set, &m_rotor, &RotorControl::Text1_Change);
    // The end of the main window is the end of the program; it also ends a message box or the
    // dialog open at that moment.
    connect(m_window.get(), &FrmSorvikDDE::closed, this, [this] {
        if (m_mapWindow)
            m_mapWindow->close();
        QCoreApplication::exit(0);
    });
    connect(&m_rotor, &RotorControl::quitRequested, m_window.get(), &QWidget::close);
    connect(&m_rotor, &RotorControl::ackReceived, &m_banner, &Banner::rearm);
    connect(&m_rotor, &RotorControl::ackReceived, m_window.get(), &FrmSorvikDDE::Rigenera);
    connect(m_window.get(), &FrmSorvikDDE::mapRequested, this, &Program::showMap);
    m_rotor.setModelBoxReader([this] { return m_window->configModelBox(); });
    // Every activation shows the profile in force in LblConfig: its family's reading follows.
    connect(&m_panel, &MainPanel::textChanged, &m_poller, [this](MainPanel::Item item) {
        if (item == MainPanel::Item::LblConfig)
            m_poller.profileApplied();
    });

    if (!m_link.start(DdeService::busNameFor(QCoreApplication::applicationFilePath()))) {
        std::fprintf(stderr, "sorvikdde: %s\n", qPrintable(m_link.errorString()));
        m_window->setAboutNote(m_link.errorString());
    }

    // SIGTERM, SIGINT and SIGHUP are close requests like the close box. The desktop's session
    // end quits the event loop, and the destructor closes the window then.
    connect(&m_signals, &SignalCloser::closeRequested, this, &Program::closeRequest);
}

Program::~Program()
{
    m_window->close();
}

void Program::showMap()
{
    // A click on the map takes the road of MANUAL and ENTER, so every rule of the intake holds.
    if (!m_mapWindow)
        m_mapWindow = std::make_unique<BeamMapWindow>(m_state, m_map, [this](int azimuth) {
            m_rotor.manualAzimuth(QString::number(azimuth));
        });
    m_mapWindow->show();
    m_mapWindow->raise();
    m_mapWindow->activateWindow();
}

bool Program::start()
{
    const bool another = m_instance.anotherInstanceRunning();
    if (!m_instance.errorString().isEmpty())
        std::fprintf(stderr, "sorvikdde: %s\n", qPrintable(m_instance.errorString()));
    if (!m_window->Form_Load(another))
        return false;
    QMetaObject::invokeMethod(m_window.get(), &FrmSorvikDDE::Form_Activate, Qt::QueuedConnection);
    if (const QString why = unwritable(m_config.configDir()); !why.isEmpty()) {
        std::fprintf(stderr, "sorvikdde: %s\n", qPrintable(why));
        // After the first activation, which starts the traffic box afresh.
        QMetaObject::invokeMethod(
            this, [this, why] { m_panel.appendNote(why); }, Qt::QueuedConnection);
    }
    openDoors();
    return true;
}

void Program::openDoors()
{
    if (!m_doorSettings)
        return;
    QStringList notes;
    const QString file = QDir(m_config.configDir()).filePath(QStringLiteral("Doors.ini"));
    const DoorSettings fromFile = DoorSettings::fromFile(file, &notes);
    for (QString &note : notes)
        note.prepend(QStringLiteral("Doors.ini: "));
    m_doorRotator = std::make_unique<LocalRotator>(m_panel, m_rotor, m_state);
    m_doors = std::make_unique<Doors>(*m_doorRotator);
    m_doors->open(m_doorSettings->over(fromFile));
    notes << m_doors->failures();
    for (const QString &line : m_doors->listening())
        std::fprintf(stderr, "sorvikdde: %s\n", qPrintable(line));
    for (QString &note : notes) {
        note.prepend(QStringLiteral("DOORS: "));
        std::fprintf(stderr, "sorvikdde: %s\n", qPrintable(note));
    }
    // After the first activation, which starts the traffic box afresh.
    QMetaObject::invokeMethod(
        this,
        [this, notes] {
            for (const QString &note : notes)
                m_panel.appendNote(note);
        },
        Qt::QueuedConnection);
}

void Program::closeRequest()
{
    m_window->close();
    // A second instance has no window open yet: its message box ends here.
    QCoreApplication::exit(0);
}
