#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

// What an N1MM Logger+ rotor datagram asks.
struct N1mmCommand
{
    enum class Kind { Turn, Stop };

    Kind kind = Kind::Turn;
    int azimuth = -1; // Turn: 0 to 359
    QString rotor;    // the rotor's name as N1MM set it up; may be empty

    friend bool operator==(const N1mmCommand &, const N1mmCommand &) = default;
};

// N1MM's rotor datagrams, "<N1MMRotor><rotor>Beam20</rotor><goazi>55.0</goazi>...", read as the
// listeners in the field read them: tags found anywhere, no escaping. The rotor side answers
// nothing; it tells its heading on another port instead.
namespace N1mmDatagram {
constexpr qsizetype kMaxSize = 2048;
// Longer rotor names are cut.
constexpr qsizetype kMaxNameLength = 64;

// A <stop> anywhere stops; otherwise <goazi> turns (its leading number, -360 to 720, the
// offset ignored); anything else is none.
std::optional<N1mmCommand> parse(QByteArrayView datagram);

// "Beam20 @ 1460": the name, then the heading in tenths of a degree.
QByteArray heading(const QString &rotor, int azimuth);
} // namespace N1mmDatagram
