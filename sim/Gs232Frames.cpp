#include "sim/FamilyFrames.h"

#include "sim/ControllerModel.h"

using Cut = SimFamily::Cut;
using FamilyFrames::Cr;
using FamilyFrames::Lf;

namespace {

enum class Style { A, B };

constexpr char Crlf[] = "\r\n";

// Exactly three digits.
std::optional<int> threeDigitValue(QByteArrayView digits)
{
    return digits.size() == 3 ? FamilyFrames::decimal(digits) : std::nullopt;
}

// Mddd, or Wddd eee: an azimuth-only box checks only the azimuth.
std::optional<int> target(QByteArrayView command)
{
    if (command.size() == 4 && command[0] == 'M')
        return threeDigitValue(command.sliced(1));
    if (command.size() == 8 && command[0] == 'W' && command[4] == ' ' &&
        threeDigitValue(command.sliced(5)))
        return threeDigitValue(command.sliced(1, 3));
    return std::nullopt;
}

void refuse(ControllerModel &model)
{
    model.send(QByteArrayLiteral("?>\r\n"));
    model.note(QStringLiteral("unknown command, ?> sent"));
}

// A real box answers nothing to a command that sets something; K3NG's firmware answers an empty
// line, or a line of text for X, P and Z.
void done(ControllerModel &model, const QByteArray &k3ngReply = Crlf)
{
    if (model.settings().k3ng)
        model.send(k3ngReply);
}

void gs232(ControllerModel &model, const QByteArray &frame, Style style)
{
    const bool k3ng = model.settings().k3ng;
    const QByteArray command = frame.chopped(1).toUpper();
    const QByteArray azimuth = FamilyFrames::threeDigits(model.wholeAzimuth());

    if (command.isEmpty()) {
        if (k3ng)
            refuse(model);
        else
            model.note(QStringLiteral("empty command, ignored"));
    } else if (command == "C") {
        model.send((style == Style::A ? "+0" : "AZ=") + azimuth + Crlf);
    } else if (command == "C2") {
        // The elevation of an azimuth-only box is 0; real B boxes put two blanks before EL=.
        if (style == Style::A)
            model.send("+0" + azimuth + "+0000" + Crlf);
        else
            model.send("AZ=" + azimuth + (k3ng ? "" : "  ") + "EL=000" + Crlf);
    } else if (const auto to = target(command)) {
        if (*to > model.maximum()) {
            refuse(model);
            return;
        }
        model.turnTo(*to);
        done(model);
    } else if (command == "S" || command == "A") {
        model.stop();
        done(model);
    } else if (command == "R" || command == "L") {
        model.turnTo(command == "R" ? model.maximum() : 0.0);
        done(model, command == "R" ? QByteArray("\n\r\n") : Crlf);
    } else if (command.size() == 2 && command[0] == 'X' && command[1] >= '1' && command[1] <= '4') {
        // X4 is the set speed, X1 a quarter of it.
        model.setSpeed(model.settings().degreesPerSecond * (command[1] - '0') / 4.0);
        done(model, "Speed " + command + Crlf);
    } else if (style == Style::B && (command == "P36" || command == "P45")) {
        model.setMaximum(command == "P36" ? 360.0 : 450.0);
        done(model, "Mode " + command.sliced(1) + "0 degree" + Crlf);
    } else if (style == Style::B && command == "Z") {
        bool &south = model.state().southCentred;
        south = !south;
        model.note(south ? QStringLiteral("south centred") : QStringLiteral("north centred"));
        done(model, (south ? "S" : "N") + QByteArray(" Center") + Crlf);
    } else {
        refuse(model);
    }
}

} // namespace

namespace FamilyFrames {

Cut toCrWithoutLf(QByteArrayView, char byte)
{
    if (byte == Lf)
        return Cut::Skip;
    return byte == Cr ? Cut::End : Cut::Append;
}

void gs232b(ControllerModel &model, const QByteArray &frame)
{
    gs232(model, frame, Style::B);
}

void gs232a(ControllerModel &model, const QByteArray &frame)
{
    gs232(model, frame, Style::A);
}

} // namespace FamilyFrames
