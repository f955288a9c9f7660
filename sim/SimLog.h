#pragma once

#include "sim/SimEvent.h"

#include <QFile>

// The simulator's log: one line a frame or note, "<seconds> <RX|TX|--> <text>", flushed at once
// so a test or a user with tail -f sees each line as it happens.
class SimLog
{
public:
    // "-" logs to stderr; an empty path logs nothing.
    bool open(const QString &path, QString *error);
    void write(qint64 ms, const SimEvent &event);
    void note(qint64 ms, const QString &text) { write(ms, {SimEvent::Kind::Note, {}, text}); }

    static QByteArray line(qint64 ms, const SimEvent &event);
    // Printable ASCII as is, a backslash doubled, any other byte as \xHH.
    static QByteArray escape(const QByteArray &bytes);

private:
    QFile m_file;
};
