#include "rotor/RotorFamily.h"

#include "core/RotorProfile.h"
#include "rotor/RotorDrivers.h"

#include <algorithm>

namespace {
using Name = RotorFamily::Name;
using Stop = RotorFamily::Stop;

constexpr QChar kStx{0x02};
constexpr QChar kCr{0x0D};
constexpr QLatin1StringView kLibraryPrefix{"HAMLIB "};
constexpr qsizetype kMaxModelDigits = 6;

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
            .readReply = readProsistelBCReply,
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
        {
            .library = true,
            .drive = RotorDrivers::library,
            .stop = Stop::Driver,
            .readReply = nullptr,
            .reportsPosition = true,
        },
    };
    return table;
}

QList<RotorFamily::LibraryModel> &libraryModels()
{
    static QList<RotorFamily::LibraryModel> models;
    return models;
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}
} // namespace

const RotorFamily *RotorFamily::of(const QString &model)
{
    const QString upper = model.toUpper();
    for (const RotorFamily &family : families()) {
        if (family.library && libraryModelNumber(upper))
            return &family;
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
    QList<LibraryModel> sorted = libraryModels();
    std::sort(sorted.begin(), sorted.end(), [](const LibraryModel &a, const LibraryModel &b) {
        const int maker = a.maker.compare(b.maker, Qt::CaseInsensitive);
        if (maker != 0)
            return maker < 0;
        return a.model.compare(b.model, Qt::CaseInsensitive) < 0;
    });
    for (const LibraryModel &model : sorted)
        models << libraryModelText(model);
    return models;
}

RotorFamily::Stop RotorFamily::stopFor(const QString &model)
{
    const RotorFamily *family = of(model);
    if (!family)
        return Stop::None;
    if (family->library) {
        const LibraryModel *known = libraryModel(*libraryModelNumber(model));
        return known && !known->hasStop ? Stop::Message : family->stop;
    }
    return family->stop;
}

std::optional<int> RotorFamily::libraryModelNumber(const QString &model)
{
    // "HAMLIB", a blank, the number; what follows a further blank only names it for the reader.
    const QString upper = model.toUpper();
    if (!upper.startsWith(kLibraryPrefix))
        return std::nullopt;
    const QStringView rest = QStringView(upper).sliced(kLibraryPrefix.size());
    qsizetype digits = 0;
    while (digits < rest.size() && isDigit(rest[digits]))
        ++digits;
    if (digits == 0 || digits > kMaxModelDigits)
        return std::nullopt;
    if (digits < rest.size() && rest[digits] != u' ')
        return std::nullopt;
    return rest.first(digits).toInt();
}

QString RotorFamily::libraryModelText(const LibraryModel &model)
{
    return (kLibraryPrefix + QString::number(model.number) + u' ' + model.maker + u' ' +
            model.model)
        .toUpper();
}

void RotorFamily::setLibraryModels(QList<LibraryModel> models)
{
    libraryModels() = std::move(models);
}

const RotorFamily::LibraryModel *RotorFamily::libraryModel(int number)
{
    for (const LibraryModel &model : libraryModels()) {
        if (model.number == number)
            return &model;
    }
    return nullptr;
}
