#include "sim/SimOptions.h"

#include <QCommandLineParser>
#include <cmath>

namespace {

std::optional<double> decimal(const QString &text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

// "PROSISTEL D (BIG-BOY D), ...": each family's name, its other names in brackets.
QString modelNames()
{
    QStringList names;
    for (const SimFamily &family : SimFamily::all()) {
        QString name = family.name();
        if (family.names.size() > 1) {
            QStringList others;
            for (const QLatin1StringView other : family.names.sliced(1))
                others << other;
            name += QStringLiteral(" (%1)").arg(others.join(QStringLiteral(", ")));
        }
        names << name;
    }
    return names.join(QStringLiteral(", "));
}

// The first names of the families an option applies to, such as "GS-232B or GS-232A".
QString familiesTaking(bool SimFamily::*option)
{
    QStringList names;
    for (const SimFamily &family : SimFamily::all()) {
        if (family.*option)
            names << family.name();
    }
    return names.join(QStringLiteral(" or "));
}

} // namespace

SimOptions SimOptions::parse(const QStringList &arguments)
{
    SimOptions options;
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Simulates a rotor controller on a pseudo-terminal and prints the path of "
                       "its slave side on the first line."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help."));
    const QCommandLineOption model(QStringLiteral("model"),
                                   QStringLiteral("Controller family: %1.").arg(modelNames()),
                                   QStringLiteral("M"));
    const QCommandLineOption speed(QStringLiteral("speed"),
                                   QStringLiteral("Degrees per second, more than 0 (default 6)."),
                                   QStringLiteral("DEG"));
    const QCommandLineOption start(QStringLiteral("start"),
                                   QStringLiteral("Starting azimuth, 0 to 360 (default 0)."),
                                   QStringLiteral("AZ"));
    const QCommandLineOption link(
        QStringLiteral("link"),
        QStringLiteral("Also makes the symbolic link PATH to the slave, removed on exit."),
        QStringLiteral("PATH"));
    const QCommandLineOption log(
        QStringLiteral("log"), QStringLiteral("Logs every frame and reply to FILE (- for stderr)."),
        QStringLiteral("FILE"));
    const QCommandLineOption k3ng(
        QStringLiteral("k3ng"),
        QStringLiteral("%1: answers as K3NG's rotator firmware does: an empty line after a command "
                       "that sets something, ?> for an empty command, no blanks before EL=, and "
                       "a line of text for X, P and Z.")
            .arg(familiesTaking(&SimFamily::takesK3ng)));
    const QCommandLineOption resolution(
        QStringLiteral("resolution"),
        QStringLiteral("%1: pulses a degree, 1, 2 or 4 (default 2), as the box reports in its "
                       "position frames and decodes a set with.")
            .arg(familiesTaking(&SimFamily::takesResolution)),
        QStringLiteral("N"));
    parser.addOptions({help, model, speed, start, link, log, k3ng, resolution});
    options.helpText = parser.helpText();

    if (!parser.parse(arguments)) {
        options.error = parser.errorText();
        return options;
    }
    if (parser.isSet(help)) {
        options.helpRequested = true;
        return options;
    }
    if (!parser.positionalArguments().isEmpty()) {
        options.error = QStringLiteral("unexpected argument: %1")
                            .arg(parser.positionalArguments().constFirst());
        return options;
    }
    if (!parser.isSet(model)) {
        options.error = QStringLiteral("--model is required");
        return options;
    }
    options.family = SimFamily::of(parser.value(model));
    if (!options.family) {
        options.error = QStringLiteral("unknown model: %1").arg(parser.value(model));
        return options;
    }
    if (parser.isSet(speed)) {
        const auto value = decimal(parser.value(speed));
        if (!value || *value <= 0) {
            options.error = QStringLiteral("--speed wants degrees per second above 0, not %1")
                                .arg(parser.value(speed));
            return options;
        }
        options.controller.degreesPerSecond = *value;
    }
    if (parser.isSet(start)) {
        const auto value = decimal(parser.value(start));
        if (!value || *value < 0 || *value > 360) {
            options.error = QStringLiteral("--start wants an azimuth from 0 to 360, not %1")
                                .arg(parser.value(start));
            return options;
        }
        options.controller.startAzimuth = *value;
    }
    if (parser.isSet(k3ng) && !options.family->takesK3ng) {
        options.error =
            QStringLiteral("--k3ng is for %1 only").arg(familiesTaking(&SimFamily::takesK3ng));
        return options;
    }
    options.controller.k3ng = parser.isSet(k3ng);
    if (parser.isSet(resolution)) {
        const QString value = parser.value(resolution);
        if (!options.family->takesResolution) {
            options.error = QStringLiteral("--resolution is for %1 only")
                                .arg(familiesTaking(&SimFamily::takesResolution));
            return options;
        }
        if (value != u"1" && value != u"2" && value != u"4") {
            options.error =
                QStringLiteral("--resolution wants 1, 2 or 4 pulses a degree, not %1").arg(value);
            return options;
        }
        options.controller.pulsesPerDegree = value.toInt();
    }
    options.linkPath = parser.value(link);
    options.logPath = parser.value(log);
    if (parser.isSet(link) && options.linkPath.isEmpty())
        options.error = QStringLiteral("--link wants a path");
    else if (parser.isSet(log) && options.logPath.isEmpty())
        options.error = QStringLiteral("--log wants a file, or - for stderr");
    return options;
}
