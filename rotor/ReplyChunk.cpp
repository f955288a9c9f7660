#include "rotor/ReplyChunk.h"

#include "rotor/RotorFamily.h"

#include <QStringList>

namespace {
constexpr QChar kStx{0x02};
constexpr QChar kCr{0x0D};
constexpr int kProsistelBCOffset = 70;

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Three decimal digits at 0-based index `from`; QChar::isDigit would also take other scripts.
bool digitsAt(const QString &text, qsizetype from)
{
    if (text.size() < from + 3)
        return false;
    return isDigit(text[from]) && isDigit(text[from + 1]) && isDigit(text[from + 2]);
}

int digitsValue(const QString &text, qsizetype from)
{
    int value = 0;
    for (qsizetype i = from; i < from + 3; ++i)
        value = value * 10 + (text[i].unicode() - u'0');
    return value;
}
} // namespace

QString cleanReply(const QString &received)
{
    QString out;
    out.reserve(received.size() + received.size() / 8);
    for (const QChar c : received) {
        if (c == kStx)
            continue;
        out += c;
        if (c == kCr)
            out += QChar(0x0A);
    }
    return out;
}

QString prosistelBCReport(int n)
{
    const int value = n - kProsistelBCOffset;
    QString number = QString::number(value);
    if (value >= 0 && number.size() == 1)
        number.prepend(QStringLiteral("00"));
    else if (value >= 0 && number.size() == 2)
        number.prepend(u'0');
    return QStringLiteral("AZ: ") + number + QStringLiteral("\r\n");
}

ReplyChunk::Status statusLetter(const QString &chunk)
{
    if (chunk.isEmpty())
        return ReplyChunk::Status::None;
    const qsizetype comma = chunk.lastIndexOf(u',');
    if (comma == chunk.size() - 1)
        return ReplyChunk::Status::None;
    const QChar letter = chunk[comma + 1]; // comma -1: the first character
    if (letter == u'B')
        return ReplyChunk::Status::Busy;
    if (letter == u'R')
        return ReplyChunk::Status::Ready;
    return ReplyChunk::Status::None;
}

// The position frame that counts in a read of several complete frames: the newest whose
// characters 5 to 7 are digits. None when the read holds fewer than two complete frames.
std::optional<QString> newestPositionFrame(const QString &received)
{
    QString withoutStx = received;
    withoutStx.remove(kStx);
    QStringList frames = withoutStx.split(kCr);
    frames.removeLast(); // after the last CR: not complete
    if (frames.size() < 2)
        return std::nullopt;
    for (auto frame = frames.crbegin(); frame != frames.crend(); ++frame) {
        if (digitsAt(*frame, 4))
            return *frame;
    }
    return std::nullopt;
}

ReplyChunk readCommonReply(const QString &received)
{
    ReplyChunk result;
    result.text = cleanReply(received);
    // A read that held several frames (a stop's "A,G,R" and its report, a streamed position
    // behind another) shows the newest position, not the first frame's characters.
    const QString position = newestPositionFrame(received).value_or(result.text);
    if (digitsAt(position, 4)) {
        result.label3 = position.mid(4, 3);
        result.azimuth = digitsValue(position, 4);
    }
    result.status = statusLetter(result.text);
    return result;
}

ReplyChunk readProsistelBCReply(const QString &received)
{
    ReplyChunk result = readCommonReply(received);
    // A B/C box answers with the bare digits of its position, offset by 70.
    if (digitsAt(result.text, 0)) {
        result.label3 = result.text.left(3);
        result.azimuth = digitsValue(result.text, 0) - kProsistelBCOffset;
        result.text = prosistelBCReport(digitsValue(result.text, 0));
        result.status = statusLetter(result.text);
    }
    return result;
}

ReplyChunk parseReplyChunk(const QString &received, const QString &rotorModel)
{
    const RotorFamily *family = RotorFamily::of(rotorModel);
    return (family && family->readReply ? family->readReply : readCommonReply)(received);
}
