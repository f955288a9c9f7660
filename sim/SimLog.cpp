#include "sim/SimLog.h"

#include <cstdio>

bool SimLog::open(const QString &path, QString *error)
{
    if (path.isEmpty())
        return true;
    bool opened = false;
    if (path == QLatin1String("-")) {
        opened = m_file.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered);
    } else {
        m_file.setFileName(path);
        opened = m_file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    }
    if (!opened && error)
        *error = QStringLiteral("cannot write the log %1: %2").arg(path, m_file.errorString());
    return opened;
}

void SimLog::write(qint64 ms, const SimEvent &event)
{
    if (!m_file.isOpen())
        return;
    m_file.write(line(ms, event));
}

void SimLog::flush()
{
    if (m_file.isOpen())
        m_file.flush();
}

QByteArray SimLog::line(qint64 ms, const SimEvent &event)
{
    QByteArray text =
        QByteArray::number(ms / 1000) + '.' + QByteArray::number(ms % 1000).rightJustified(3, '0');
    switch (event.kind) {
    case SimEvent::Kind::Received:
        text += " RX " + escape(event.bytes);
        break;
    case SimEvent::Kind::Sent:
        text += " TX " + escape(event.bytes);
        break;
    case SimEvent::Kind::Note:
        text += " -- " + escape(event.text.toUtf8());
        if (!event.bytes.isEmpty())
            text += ' ' + escape(event.bytes);
        break;
    }
    return text + '\n';
}

QByteArray SimLog::escape(const QByteArray &bytes)
{
    QByteArray text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '\\')
            text += "\\\\";
        else if (byte >= 0x20 && byte <= 0x7e)
            text += c;
        else
            text += "\\x" + QByteArray::number(byte, 16).toUpper().rightJustified(2, '0');
    }
    return text;
}
