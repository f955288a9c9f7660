#include "sim/FamilyFrames.h"

#include "sim/ControllerModel.h"

#include <string_view>

using Cut = SimFamily::Cut;
using FamilyFrames::Cr;
using FamilyFrames::Lf;
using FamilyFrames::Stx;

namespace {

// 1 to 3 digits, leading zeros allowed.
std::optional<int> number(QByteArrayView digits)
{
    return digits.size() <= 3 ? FamilyFrames::decimal(digits) : std::nullopt;
}

std::optional<int> azimuthDigits(QByteArrayView digits, const ControllerModel &model)
{
    const auto value = number(digits);
    if (value && *value <= model.maximum())
        return value;
    return std::nullopt;
}

QByteArray prosistelDFrame(const QByteArray &body)
{
    return Stx + body + Cr;
}

constexpr char RotorEzBanner[] = "C2000 IDIOM V1.4S ";
constexpr std::string_view RotorEzOptions = "EeJjOoSs";

// How the three boxes of the DCU-1 language differ.
struct IdiomBox
{
    bool rotorEz;  // answers AI1; and, when idle, a lone ';' with its banner
    bool crStarts; // AP1ddd CR sets the target and starts at once
};

void idiomFrame(ControllerModel &model, const QByteArray &frame, IdiomBox box)
{
    if (box.rotorEz && frame.size() == 1 &&
        RotorEzOptions.find(frame[0]) != std::string_view::npos) {
        model.note(QStringLiteral("setting %1").arg(QLatin1Char(frame[0])));
        return;
    }
    auto &pendingTarget = model.state().pendingTarget;
    if (frame == ";") {
        if (!box.rotorEz) {
            model.note(QStringLiteral("reset"));
            pendingTarget.reset();
            if (model.turning())
                model.stop();
        } else if (model.turning()) {
            model.stop();
        } else {
            model.send(RotorEzBanner);
        }
        return;
    }
    const char end = frame.back();
    const QByteArrayView body = QByteArrayView(frame).chopped(1);
    const auto target =
        body.startsWith("AP1") ? azimuthDigits(body.sliced(3), model) : std::nullopt;
    if (target && end == ';') {
        pendingTarget = target;
        model.note(QStringLiteral("target %1, waiting for AM1").arg(*target));
    } else if (target && end == Cr && box.crStarts) {
        pendingTarget = target;
        model.turnTo(*target);
    } else if (body == "AM1" && end == ';') {
        if (pendingTarget)
            model.turnTo(*pendingTarget);
        else
            model.note(QStringLiteral("no target to turn to"));
    } else if (body == "AS1" && end == ';') {
        model.stop();
    } else if (body == "AI1" && end == ';' && box.rotorEz) {
        model.send(';' + FamilyFrames::threeDigits(model.wholeAzimuth()));
    } else {
        model.note(QStringLiteral("ignored"));
    }
}

} // namespace

namespace FamilyFrames {

std::optional<int> decimal(QByteArrayView digits)
{
    if (digits.isEmpty())
        return std::nullopt;
    int value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

QByteArray threeDigits(int value)
{
    return QByteArray::number(value).rightJustified(3, '0');
}

Cut stxToCr(QByteArrayView frame, char byte)
{
    if (byte == Stx && !frame.isEmpty())
        return Cut::Restart;
    return byte == Cr ? Cut::End : Cut::Append;
}

Cut toCr(QByteArrayView, char byte)
{
    return byte == Cr ? Cut::End : Cut::Append;
}

Cut idiom(QByteArrayView frame, char byte)
{
    if (frame.isEmpty() && (byte == Cr || byte == Lf))
        return Cut::Skip;
    if (frame.isEmpty() && byte == ';')
        return Cut::Alone;
    return byte == ';' || byte == Cr || byte == Lf ? Cut::End : Cut::Append;
}

Cut idiomWithOptions(QByteArrayView frame, char byte)
{
    if (frame.isEmpty() && RotorEzOptions.find(byte) != std::string_view::npos)
        return Cut::Alone;
    return idiom(frame, byte);
}

void prosistelD(ControllerModel &model, const QByteArray &frame)
{
    QByteArrayView body(frame);
    body.chop(1);
    if (body.startsWith(Stx))
        body = body.sliced(1);

    if (body == "A?") {
        model.send(prosistelDReport(model));
        return;
    }
    if (body == "AS") {
        model.send(prosistelDFrame("A,S,R"));
        model.setMonitoring(false);
        model.note(QStringLiteral("monitoring off"));
        return;
    }
    const auto value = body.startsWith("AG") ? number(body.sliced(2)) : std::nullopt;
    if (value && (*value <= 360 || *value == 977 || *value == 997 || *value == 999)) {
        model.send(prosistelDFrame("A,G,R"));
        if (*value == 977)
            model.stop(QStringLiteral("soft"));
        else if (*value == 999)
            model.stop(QStringLiteral("fast"));
        else if (*value == 997)
            model.stop(QStringLiteral("AG997, Hamlib's stop"));
        else
            model.turnTo(*value);
        return;
    }
    model.send(prosistelDFrame("A,?,E,00001"));
    model.note(QStringLiteral("unknown command, error sent"));
}

QByteArray prosistelDReport(const ControllerModel &model)
{
    return prosistelDFrame("A,?," + threeDigits(model.wholeAzimuth()) + ',' +
                           (model.turning() ? 'B' : 'R'));
}

// STX "0" STX ddd CR turns, STX "0" CR stops; each is answered with the position.
void prosistelBC(ControllerModel &model, const QByteArray &frame)
{
    const QByteArrayView body = QByteArrayView(frame).chopped(1);
    const QByteArrayView head("\x02"
                              "0");
    const auto target = body.startsWith(head) && body.size() > 3 && body[2] == Stx
                            ? azimuthDigits(body.sliced(3), model)
                            : std::nullopt;
    if (body == head) {
        model.stop();
    } else if (target) {
        model.turnTo(*target);
    } else {
        model.note(QStringLiteral("ignored"));
        return;
    }
    model.send(prosistelBCReport(model));
}

QByteArray prosistelBCReport(const ControllerModel &model)
{
    return threeDigits(model.wholeAzimuth() + 70) + Cr;
}

void rotorEz(ControllerModel &model, const QByteArray &frame)
{
    idiomFrame(model, frame, {.rotorEz = true, .crStarts = true});
}

// No position query and nothing ever answered; a lone ';' resets it.
void dcu1(ControllerModel &model, const QByteArray &frame)
{
    idiomFrame(model, frame, {.rotorEz = false, .crStarts = false});
}

void hyGain(ControllerModel &model, const QByteArray &frame)
{
    idiomFrame(model, frame, {.rotorEz = false, .crStarts = true});
}

} // namespace FamilyFrames
