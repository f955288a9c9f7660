#pragma once

#include "core/RotatorLibrary.h"

#include <QList>
#include <QStringList>

// A rotator library in memory: records what is asked and answers when the test says so.
class FakeRotatorLibrary : public RotatorLibrary
{
    Q_OBJECT
public:
    using RotatorLibrary::RotatorLibrary;

    bool setCommPort(int port) override;
    bool setSettings(const QString &settings) override;
    bool setHandshaking(int) override { return true; }
    bool setInputLen(int) override { return true; }
    bool portOpen() const override { return m_open; }
    bool setPortOpen(bool open) override;
    int inBufferCount() const override { return 0; }
    QString input() override { return {}; }
    bool output(const QString &) override { return false; }
    QString errorString() const override { return {}; }

    void setModel(int model) override { this->model = model; }
    void setPosition(int azimuth, Done done) override;
    void stop(Done done) override;
    void readPosition() override { asked << QStringLiteral("read"); }
    void readInfo() override { asked << QStringLiteral("info"); }

    // Answers the oldest command still waiting; false when none waits.
    bool answer(bool ok);

    // "set 45", "stop", "read", "info", "open", "close" as asked.
    QStringList asked;
    int model = 0;
    int commPort = 0;
    QString settings;

private:
    bool m_open = false;
    QList<Done> m_waiting;
};
