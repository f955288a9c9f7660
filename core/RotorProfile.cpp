#include "core/RotorProfile.h"

QString RotorProfile::summary() const
{
    return RotorModel + QStringLiteral(" - COM: ") + RotorPort + QStringLiteral(" - ") + RotorSet +
           QStringLiteral(" - ") + RotorBaud;
}
