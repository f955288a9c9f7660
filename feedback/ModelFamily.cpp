#include "feedback/ModelFamily.h"

ModelFamily modelFamily(const QString &rotorModel)
{
    const QString model = rotorModel.toUpper();
    if (model == u"PROSISTEL B/C" || model == u"BIG-BOY B/C")
        return ModelFamily::ProsistelBC;
    if (model == u"PROSISTEL D" || model == u"BIG-BOY D")
        return ModelFamily::ProsistelD;
    if (model == u"ROTOR-EZ" || model == u"DCU-1" || model == u"HY-GAIN")
        return ModelFamily::RotorEzDcu1HyGain;
    return ModelFamily::Other;
}
