#pragma once

#include "sim/SimEvent.h"

#include <QFile>

// The simulator's log: one line a frame or note, "<seconds> <RX|TX|--> <text>". The lines of one
// wake-up go out together at flush(), so a test or a user with tail -f sees them as they happen
// and a flood of frames costs one write a wake-up.
class SimLog
{
public:
    // "-" logs to stderr; an empty path logs nothing.
    bool open(const QString &path, QString *error);
    void write(qint64 ms, const SimEvent &event);
    void note(qint64 ms, const QString &text) { write(ms, {SimEvent::Kind::Note, {}, text}); }
    void flush();

    static QByteArray line(qint64 ms, const SimEvent &event);
    // Printable ASCII as is, a backslash doubled, any other byte as \xHH.
    static QByteArray escape(const QByteArray &bytes);

private:
    QFile m_file;
};
