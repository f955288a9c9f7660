#pragma once

#include "sim/ControllerModel.h"
#include "sim/SimLog.h"
#include "sim/SimOptions.h"
#include "sim/SimPty.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

// The running simulator: the controller model on a pseudo-terminal, woken by the bytes that
// arrive and by a timer only while the rotor turns, so it costs nothing when idle.
class Simulator : public QObject
{
    Q_OBJECT

public:
    explicit Simulator(const SimOptions &options, QObject *parent = nullptr);
    ~Simulator() override;

    // Opens the log, the pseudo-terminal and the link; on failure says why in error.
    bool start(QString *error);
    QString slavePath() const { return m_pty.slavePath(); }
    void note(const QString &text);

private:
    bool makeLink(QString *error);
    void removeLink();
    void take(const SimEvents &events);
    void wake();
    void schedule();
    qint64 now() const { return m_clock.elapsed(); }

    SimOptions m_options;
    ControllerModel m_model;
    SimLog m_log;
    SimPty m_pty;
    QTimer m_motionTimer;
    QElapsedTimer m_clock;
    bool m_linkMade = false;
};
