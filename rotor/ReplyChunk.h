#pragma once

#include <QString>

#include <optional>

// What one read of the controller's replies means for the window. A chunk is parsed by itself:
// a reply split over two reads gives two chunks, and nothing is carried from one to the next.
struct ReplyChunk
{
    enum class Status { None, Busy, Ready };

    // What the traffic box gains.
    QString text;
    // The azimuth the controller reports, three characters as received.
    std::optional<QString> label3;
    // What those characters mean, read as the family reads them (the B/C report less 70).
    std::optional<int> azimuth;
    Status status = Status::None;
};

// Every STX removed, then every CR made CR LF (an existing CR LF becomes CR LF LF).
QString cleanReply(const QString &received);

// The Prosistel B/C position line for the three digits read as n: "AZ: " + (n - 70) + CR LF,
// one digit padded with "00", two with "0", negatives unpadded.
QString prosistelBCReport(int n);

// The status letter: the character after the last comma, the first character when there is no
// comma, none when the last comma ends the chunk. Only "B" and "R" mean anything.
ReplyChunk::Status statusLetter(const QString &chunk);

// The two ways the design's families report: the azimuth at characters 5 to 7 and the status
// letter (every family), and the Prosistel B/C line of three digits, the azimuth plus 70. When a
// read holds several complete (CR-ended) frames, the azimuth is that of the newest frame with
// digits at 5 to 7; the status letter always follows the last comma of the whole read.
ReplyChunk readCommonReply(const QString &received);
ReplyChunk readProsistelBCReply(const QString &received);

// A chunk read as the family of this model reads its replies (an unknown model as any family).
ReplyChunk parseReplyChunk(const QString &received, const QString &rotorModel);
