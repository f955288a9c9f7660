#include "feedback/ReplyPoller.h"

#include "core/MainPanel.h"
#include "core/RotatorLibrary.h"
#include "core/RotorProfile.h"
#include "core/SerialPort.h"
#include "rotor/ReplyChunk.h"
#include "rotor/RotorFamily.h"
#include "rotor/RotorState.h"

#include <cmath>

using Item = MainPanel::Item;

namespace {
constexpr int kMaxAzimuth = 359;
constexpr int kFullCircle = 360;

// A library's azimuth as a whole degree in 0 to 359: rotators that turn past north (to 450, or
// from -180) report beyond that range.
int wholeDegrees(double azimuth)
{
    const int rounded = int(std::lround(std::fmod(azimuth, kFullCircle)));
    return (rounded % kFullCircle + kFullCircle) % kFullCircle;
}
} // namespace

ReplyPoller::ReplyPoller(MainPanel &panel, const RotorProfile &profile, SerialPort &port,
                         RotorState &state, RotatorLibrary *library, QObject *parent)
    : QObject(parent), m_panel(panel), m_profile(profile), m_port(port), m_state(state),
      m_library(library)
{
    setObjectName(QStringLiteral("Timer1"));
    connect(&m_port, &SerialPort::readyRead, this, &ReplyPoller::Timer1_Timer);
    connect(&m_port, &SerialPort::portLost, this, &ReplyPoller::portLost);
    m_pollTimer.setSingleShot(true);
    connect(&m_pollTimer, &QTimer::timeout, this, [this] {
        if (libraryInForce() && m_library->portOpen())
            m_library->readPosition();
    });
    if (!m_library)
        return;
    connect(m_library, &RotatorLibrary::positionRead, this, &ReplyPoller::positionRead);
    connect(m_library, &RotatorLibrary::failed, this, &ReplyPoller::libraryFailed);
    connect(m_library, &RotatorLibrary::infoRead, this, [this](const QString &info) {
        m_panel.appendNote(QStringLiteral("HAMLIB INFO: ") + info);
    });
    connect(m_library, &RotatorLibrary::openChanged, this, [this](bool open) {
        m_lastRead = -1;
        if (open)
            schedulePoll();
        else
            m_pollTimer.stop();
    });
    // A drive starts: its first movement is looked for at once, and closely.
    connect(&m_state, &RotorState::changed, this, [this] {
        if (m_state.commanded() == m_lastCommanded)
            return;
        m_lastCommanded = m_state.commanded();
        m_sinceCommand.start();
        if (libraryInForce() && m_pollTimer.isActive())
            m_pollTimer.start(0);
    });
}

void ReplyPoller::Timer1_Timer()
{
    if (m_port.inBufferCount() <= 0)
        return;
    apply(parseReplyChunk(m_port.input(), m_profile.RotorModel));
}

void ReplyPoller::profileApplied()
{
    const RotorFamily *family = RotorFamily::of(m_profile.RotorModel);
    if (!family || !family->reportsPosition) {
        m_state.setReported(-1);
        m_state.setMoving(false);
    }
    if (libraryInForce() && m_library->portOpen())
        schedulePoll();
    else
        m_pollTimer.stop();
}

void ReplyPoller::apply(const ReplyChunk &chunk)
{
    const RotorFamily *family = RotorFamily::of(m_profile.RotorModel);
    if (chunk.label3)
        m_panel.setText(Item::Label3, *chunk.label3);
    if (chunk.azimuth && family && family->reportsPosition)
        m_state.setReported(*chunk.azimuth >= 0 && *chunk.azimuth <= kMaxAzimuth ? *chunk.azimuth
                                                                                 : -1);
    m_panel.appendTBox(chunk.text);
    if (chunk.status != ReplyChunk::Status::None)
        showStatus(chunk.status == ReplyChunk::Status::Busy);
}

void ReplyPoller::showStatus(bool busy)
{
    if (busy) {
        // Locked while the rotor turns, so no manual azimuth is typed over a running drive.
        m_panel.setBackground(Item::Text3, MainPanel::kRed);
        m_panel.setText(Item::LblDelay, QStringLiteral("BUSY"));
        m_panel.setText3ReadOnly(true);
    } else {
        m_panel.setBackground(Item::Text3, MainPanel::kLightYellow);
        m_panel.setText(Item::LblDelay, QStringLiteral("STATUS OK"));
        m_panel.setText3ReadOnly(false);
    }
    m_state.setMoving(busy);
}

void ReplyPoller::portLost(const QString &reason)
{
    m_panel.setText(Item::TxtCom, QStringLiteral("COM OFF"));
    m_panel.appendNote(QStringLiteral("COM PORT LOST (") + reason +
                       QStringLiteral("): port closed, press ON to open it again"));
}

bool ReplyPoller::libraryInForce() const
{
    const RotorFamily *family = RotorFamily::of(m_profile.RotorModel);
    return m_library && family && family->library;
}

void ReplyPoller::schedulePoll()
{
    // One read at a time: the next is asked once the last has been answered. Closely while it
    // turns, or while a drive just sent may not have started it yet.
    const bool starting = m_state.commanded() >= 0 && m_state.commanded() != m_lastRead &&
                          m_sinceCommand.isValid() && !m_sinceCommand.hasExpired(kStartWithinMs);
    m_pollTimer.start(m_state.moving() || starting ? kTurningPollMs : kIdlePollMs);
}

void ReplyPoller::positionRead(bool ok, double azimuth)
{
    if (!libraryInForce())
        return;
    if (ok) {
        const int degrees = wholeDegrees(azimuth);
        const QString shown = QString::number(degrees).rightJustified(3, u'0');
        if (degrees != m_lastRead) {
            m_panel.setText(Item::Label3, shown);
            m_panel.appendNote(QStringLiteral("AZ: ") + shown);
            if (m_lastRead >= 0)
                showStatus(true);
            m_lastRead = degrees;
            m_sinceChange.start();
        } else if (m_state.moving() &&
                   (degrees == m_state.commanded() || m_sinceChange.hasExpired(kStillAfterMs))) {
            showStatus(false);
        }
        m_state.setReported(degrees);
    }
    if (m_library->portOpen())
        schedulePoll();
}

void ReplyPoller::libraryFailed(const QString &what, const QString &why)
{
    if (m_sinceFailureLine.isValid() && !m_sinceFailureLine.hasExpired(kFailureLineMs))
        return;
    m_sinceFailureLine.start();
    m_panel.appendNote(QStringLiteral("HAMLIB: ") + what + QStringLiteral(": ") + why);
}
