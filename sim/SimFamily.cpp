#include "sim/SimFamily.h"

#include "sim/FamilyFrames.h"

using namespace Qt::StringLiterals;

const QList<SimFamily> &SimFamily::all()
{
    static const QList<SimFamily> table{
        {
            .names = {"PROSISTEL D"_L1, "BIG-BOY D"_L1},
            .cut = FamilyFrames::stxToCr,
            .run = FamilyFrames::prosistelD,
            .stream = FamilyFrames::prosistelDReport,
            .stopReported = true,
        },
        {
            .names = {"PROSISTEL B/C"_L1, "BIG-BOY B/C"_L1},
            .cut = FamilyFrames::toCr,
            .run = FamilyFrames::prosistelBC,
            .stream = FamilyFrames::prosistelBCReport,
        },
        {
            .names = {"ROTOR-EZ"_L1},
            .cut = FamilyFrames::idiomWithOptions,
            .run = FamilyFrames::rotorEz,
        },
        {
            .names = {"DCU-1"_L1},
            .cut = FamilyFrames::idiom,
            .run = FamilyFrames::dcu1,
        },
        {
            .names = {"HY-GAIN"_L1},
            .cut = FamilyFrames::idiom,
            .run = FamilyFrames::hyGain,
        },
        {
            .names = {"GS-232B"_L1},
            .cut = FamilyFrames::toCrWithoutLf,
            .run = FamilyFrames::gs232b,
            .takesK3ng = true,
        },
        {
            .names = {"GS-232A"_L1},
            .cut = FamilyFrames::toCrWithoutLf,
            .run = FamilyFrames::gs232a,
            .takesK3ng = true,
        },
        {
            .names = {"ROT2PROG"_L1},
            .cut = FamilyFrames::spidFrame,
            .run = FamilyFrames::rot2Prog,
            .takesResolution = true,
        },
        {
            .names = {"ROT1PROG"_L1},
            .cut = FamilyFrames::spidFrame,
            .run = FamilyFrames::rot1Prog,
        },
        {
            .names = {"MD-01"_L1, "MD-02"_L1},
            .cut = FamilyFrames::spidFrame,
            .run = FamilyFrames::md01,
            .takesResolution = true,
        },
    };
    return table;
}

const SimFamily *SimFamily::of(const QString &name)
{
    const QString wanted = name.simplified().toUpper();
    for (const SimFamily &family : all()) {
        if (family.names.contains(wanted))
            return &family;
    }
    return nullptr;
}
