#include "doors/RotctlReply.h"

namespace {
constexpr auto kProgram = "SorvikDDE";
constexpr auto kPortPart = " - COM: ";

// Hamlib's model number for a rotator reached over the network (NET rotctl). The controllers
// behind the program are none of Hamlib's backends, so naming one would be a lie; \get_info tells
// the family in force. Hamlib's own network client reads this line and ignores it.
constexpr auto kModelNumber = "2";

QByteArray degrees(double value, int decimals)
{
    return QByteArray::number(value, 'f', decimals);
}
} // namespace

RotctlReply RotctlReply::position(double azimuth)
{
    const QByteArray elevation = degrees(0, 2);
    return RotctlReply(0, {{degrees(azimuth, 2), "Azimuth: " + degrees(azimuth, 2)},
                           {elevation, "Elevation: " + elevation}});
}

RotctlReply RotctlReply::info(const QString &profileSummary)
{
    QString model = profileSummary.left(profileSummary.indexOf(QLatin1String(kPortPart)));
    // The reply is one line, whatever the program put in its label.
    for (QChar &c : model) {
        if (c.category() == QChar::Other_Control)
            c = QLatin1Char(' ');
    }
    model = model.simplified();
    QByteArray text = kProgram;
    if (!model.isEmpty())
        text += ' ' + model.toUtf8();
    return RotctlReply(0, {{text, "Info: " + text}});
}

RotctlReply RotctlReply::dumpState()
{
    // Protocol version 1. Azimuth only, 0..360; QLog will not turn a rotator whose max_az is 0.
    const QByteArray minAz = degrees(0, 6);
    const QByteArray maxAz = degrees(360, 6);
    const QByteArray el = degrees(0, 6);
    return RotctlReply(0, {
                              {"1", "rotctld Protocol Ver: 1"},
                              {kModelNumber, QByteArray("Rotor Model: ") + kModelNumber},
                              {"min_az=" + minAz, "Minimum Azimuth: " + minAz},
                              {"max_az=" + maxAz, "Maximum Azimuth: " + maxAz},
                              {"min_el=" + el, "Minimum Elevation: " + el},
                              {"max_el=" + el, "Maximum Elevation: " + el},
                              {"south_zero=0", "South Zero: 0"},
                              {"rot_type=Az", "rot_type=Az"},
                              {"done", "done"},
                          });
}

QByteArray RotctlReply::format(const RotctlCommand &command) const
{
    const QByteArray status = "RPRT " + QByteArray::number(m_code) + '\n';
    QByteArray out;
    if (!command.extended) {
        if (m_code != 0 || !command.returnsValues())
            return status;
        for (const Line &line : m_lines)
            out += line.plain + '\n';
        return out;
    }
    out = command.longName() + ':';
    for (const QByteArray &argument : command.arguments)
        out += ' ' + argument;
    out += command.separator;
    if (m_code == 0) {
        for (const Line &line : m_lines)
            out += line.labelled + command.separator;
    }
    return out + status;
}
