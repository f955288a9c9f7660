#include "rotor/RotorFamily.h"

#include "core/RotorProfile.h"
#include "rotor/RotorDrivers.h"

namespace {
using Name = RotorFamily::Name;
using Stop = RotorFamily::Stop;

constexpr QChar kStx{0x02};
constexpr QChar kCr{0x0D};

// In the order of the dialog's model list.
const QList<RotorFamily> &families()
{
    static const QList<RotorFamily> table{
        {.names = {{kDemoModel, true}}},
        {
            .names = {{QLatin1StringView("DCU-1"), true}, {QLatin1StringView("ROTOR-EZ"), true}},
            .drive = RotorDrivers::rotorEzDcu1,
            .statusRequest = QStringLiteral(";") + kCr,
            .stop = Stop::Message,
        },
        {
            .names = {{QLatin1StringView("HY-GAIN"), true}},
            .drive = RotorDrivers::hyGain,
            .statusRequest = QStringLiteral(";") + kCr,
            .stop = Stop::Message,
        },
        {
            .names = {{QLatin1StringView("PROSISTEL B/C"), true},
                      {QLatin1StringView("BIG-BOY B/C"), false}},
            .drive = RotorDrivers::prosistelBC,
            .stop = Stop::Driver,
            .replies = RotorFamily::Replies::ProsistelBC,
            .reportsPosition = true,
        },
        {
            .names = {{QLatin1StringView("PROSISTEL D"), true},
                      {QLatin1StringView("BIG-BOY D"), false}},
            .drive = RotorDrivers::prosistelD,
            .statusRequest = kStx + QStringLiteral("A?") + kCr,
            .stop = Stop::Driver,
            .stopCode = QStringLiteral("977"),
            .reportsPosition = true,
        },
        {
            .names = {{QLatin1StringView("SARTEK"), true},
                      {QLatin1StringView("ARSWIN"), true},
                      {QLatin1StringView("IF100"), true}},
            .servedByLogbook = true,
        },
    };
    return table;
}
} // namespace

const RotorFamily *RotorFamily::of(const QString &model)
{
    const QString upper = model.toUpper();
    for (const RotorFamily &family : families()) {
        for (const Name &name : family.names) {
            if (upper == name.text)
                return &family;
        }
    }
    return nullptr;
}

QStringList RotorFamily::dialogModels()
{
    QStringList models;
    for (const RotorFamily &family : families()) {
        for (const Name &name : family.names) {
            if (name.inDialog)
                models << name.text;
        }
    }
    return models;
}
