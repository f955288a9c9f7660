#include "sim/FamilyFrames.h"

#include "sim/ControllerModel.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

using Cut = SimFamily::Cut;

namespace {

constexpr char Start = 0x57;
constexpr char End = 0x20;
constexpr qsizetype FrameSize = 13;

enum class Box { Rot2Prog, Rot1Prog, Md01 };

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (const int value : values)
        out.append(char(value));
    return out;
}

// Rot2Prog and MD-01: azimuth + 360 in tenths as H1..H4, the box's own pulses a degree as PH;
// the elevation (0, this is an azimuth rotor) the same in V1..V4 and PV. Digits are byte values.
// The position is whole pulses, as the box counts them.
QByteArray rot2ProgPosition(const ControllerModel &model)
{
    const int pulses = model.settings().pulsesPerDegree;
    const double counted = std::floor((model.azimuth() + 360.0) * pulses + 1e-6) / pulses;
    const int tenths = int(std::floor(counted * 10.0 + 1e-6));
    return bytes({Start, tenths / 1000, tenths / 100 % 10, tenths / 10 % 10, tenths % 10, pulses, 3,
                  6, 0, 0, pulses, End});
}

// Rot1Prog: azimuth + 360 in whole degrees as H1..H3.
QByteArray rot1ProgPosition(const ControllerModel &model)
{
    const int h = model.wholeAzimuth() + 360;
    return bytes({Start, h / 100, h / 10 % 10, h % 10, End});
}

QByteArray position(const ControllerModel &model, Box box)
{
    return box == Box::Rot1Prog ? rot1ProgPosition(model) : rot2ProgPosition(model);
}

// The set frame's azimuth: H = pulses a degree x (azimuth + 360) in four digits, decoded with
// the box's own resolution whatever PH says; a Rot1Prog's H1..H3 are whole degrees.
std::optional<double> setAzimuth(const ControllerModel &model, QByteArrayView frame, Box box)
{
    if (box == Box::Rot1Prog) {
        const auto h = FamilyFrames::decimal(frame.sliced(1, 3));
        return h ? std::optional<double>(*h - 360) : std::nullopt;
    }
    const auto h = FamilyFrames::decimal(frame.sliced(1, 4));
    return h ? std::optional<double>(double(*h) / model.settings().pulsesPerDegree - 360.0)
             : std::nullopt;
}

void turn(ControllerModel &model, double azimuth)
{
    if (azimuth < 0 || azimuth > model.maximum())
        model.note(QStringLiteral("%1 is beyond 0 to %2").arg(azimuth).arg(model.maximum()));
    model.turnTo(std::clamp(azimuth, 0.0, model.maximum()));
}

// MD-01/02's move: H1 says which way; the rotor turns until stopped or at the end.
void move(ControllerModel &model, char direction)
{
    if (direction == 0x01)
        model.turnTo(0.0);
    else if (direction == 0x02)
        model.turnTo(model.maximum());
    else
        model.note(QStringLiteral("ignored: no move 0x%1 on an azimuth rotor")
                       .arg(quint8(direction), 2, 16, QLatin1Char('0')));
}

void spid(ControllerModel &model, const QByteArray &frame, Box box)
{
    if (frame.back() != End) {
        model.note(QStringLiteral("ignored: a frame ends with 0x20"));
        return;
    }
    const char k = frame[11];
    if (k == 0x0F) {
        model.stop();
        model.send(position(model, box));
    } else if (k == 0x1F) {
        model.send(position(model, box));
    } else if (k == 0x2F) {
        const auto azimuth = setAzimuth(model, frame, box);
        if (!azimuth) {
            model.note(QStringLiteral("ignored: the azimuth is not in ASCII digits"));
            return;
        }
        turn(model, *azimuth);
        // Unlike the Rot2Prog and the Rot1Prog, an MD-01/02 answers a set with its position.
        if (box == Box::Md01)
            model.send(position(model, box));
    } else if (k == 0x14 && box == Box::Md01) {
        move(model, frame[1]);
    } else {
        model.note(QStringLiteral("ignored: unknown command 0x%1")
                       .arg(quint8(k), 2, 16, QLatin1Char('0')));
    }
}

} // namespace

namespace FamilyFrames {

Cut spidFrame(QByteArrayView frame, char byte)
{
    if (byte == Start)
        return frame.isEmpty() ? Cut::Append : Cut::Restart;
    if (frame.isEmpty())
        return Cut::Stray;
    return frame.size() == FrameSize - 1 ? Cut::End : Cut::Append;
}

void rot2Prog(ControllerModel &model, const QByteArray &frame)
{
    spid(model, frame, Box::Rot2Prog);
}

void rot1Prog(ControllerModel &model, const QByteArray &frame)
{
    spid(model, frame, Box::Rot1Prog);
}

void md01(ControllerModel &model, const QByteArray &frame)
{
    spid(model, frame, Box::Md01);
}

} // namespace FamilyFrames
