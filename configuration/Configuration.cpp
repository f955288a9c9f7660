#include "configuration/Configuration.h"

#include "configuration/ConfigFile.h"
#include "core/Int16.h"
#include "core/TextFile.h"

#include <QDir>

#include <algorithm>
#include <optional>
#include <utility>

namespace {
const QString kFileName = QStringLiteral("SorvikDDE.ini");

// Lines first..first+6 into a profile in field order, stopping at the first number line that
// does not convert; the fields before it keep what they were given.
bool assignProfile(RotorProfile &profile, const Configuration::Lines &lines, int first)
{
    profile.RotorPort = lines[first];
    profile.RotorBaud = lines[first + 1];
    profile.RotorSet = lines[first + 2];
    profile.RotorHandshake = lines[first + 3];
    profile.RotorModel = lines[first + 4];
    const std::optional<qint16> delay = toInt16(lines[first + 5]);
    if (!delay)
        return false;
    profile.RotorDelay = *delay;
    const std::optional<qint16> error = toInt16(lines[first + 6]);
    if (!error)
        return false;
    profile.RotorError = *error;
    return true;
}

// The profile in force is chosen by its number; anything but 2 or 3 means profile 1.
int selectedFirstLine(int profileNumber)
{
    return ConfigFile::firstLine(profileNumber == 2 || profileNumber == 3 ? profileNumber : 1);
}
} // namespace

Configuration::BoxTexts Configuration::defaultTexts()
{
    return {QStringLiteral("1"),        QStringLiteral("4800"), QStringLiteral("n,8,1"),
            QStringLiteral("0 - NONE"), QString(kDemoModel),    QStringLiteral("1"),
            QStringLiteral("0")};
}

Configuration::Configuration(QString configDir) : m_configDir(std::move(configDir)) {}

QString Configuration::filePath() const
{
    return QDir(m_configDir).filePath(kFileName);
}

bool Configuration::load()
{
    const std::optional<QByteArray> bytes = TextFile::read(filePath(), &m_error);
    if (!bytes)
        return false;

    // Entries the file does not reach keep their values from the previous load or save.
    const QStringList stored = ConfigFile::profileLines(*bytes);
    for (int i = 0; i < stored.size(); ++i)
        m_lines[i + 1] = stored[i];

    // Every profile's numbers are checked, not only those of the profile in force; profiles 2
    // and 3 are kept as lines, read when the dialog switches to them or the load selects them.
    RotorProfile other;
    if (!assignProfile(m_active, m_lines, ConfigFile::firstLine(1)) ||
        !assignProfile(other, m_lines, ConfigFile::firstLine(2)) ||
        !assignProfile(other, m_lines, ConfigFile::firstLine(3))) {
        m_error = QStringLiteral("A delay or error line does not hold a 16-bit number");
        return false;
    }
    assignProfile(m_active, m_lines, selectedFirstLine(m_profileNumber));
    m_error.clear();
    return true;
}

bool Configuration::save(int slot, const BoxTexts &texts)
{
    if (slot < 1 || slot > 3) {
        m_error = QStringLiteral("No profile slot %1").arg(slot);
        return false;
    }
    // Everything is checked and prepared on copies first: a save that fails changes neither
    // the file nor the profiles and lines in memory.
    const std::optional<qint16> delay = toInt16(texts[5]);
    const std::optional<qint16> error = toInt16(texts[6]);
    if (!delay || !error) {
        m_error = QStringLiteral("The delay or the error is not a 16-bit number");
        return false;
    }
    for (int i = 0; i < 5; ++i) {
        if (!ConfigFile::storable(texts[i])) {
            m_error = QStringLiteral("The text \"%1\" cannot be stored as a line").arg(texts[i]);
            return false;
        }
    }

    const BoxTexts defaults = defaultTexts();
    RotorProfile profile{texts[0], texts[1], texts[2], texts[3], texts[4], *delay, *error};
    Lines lines = m_lines;
    const int first = ConfigFile::firstLine(slot);
    for (int i = 0; i < 5; ++i)
        lines[first + i] = texts[i];
    lines[first + 5] = QString::number(profile.RotorDelay);
    lines[first + 6] = QString::number(profile.RotorError);
    // A slot never loaded nor saved would be seven empty lines, which no load accepts.
    for (int other = 1; other <= 3; ++other) {
        const int at = ConfigFile::firstLine(other);
        const auto begin = lines.begin() + at;
        if (std::all_of(begin, begin + ConfigFile::kLinesPerProfile,
                        [](const QString &line) { return line.isEmpty(); }))
            std::copy(defaults.begin(), defaults.end(), begin);
    }

    if (!QDir().mkpath(m_configDir)) {
        m_error = QStringLiteral("Cannot create the folder %1").arg(m_configDir);
        return false;
    }
    if (!TextFile::write(filePath(), ConfigFile::format(lines), &m_error))
        return false;

    m_lines = lines;
    if (slot == 1)
        m_active = profile;
    m_error.clear();
    return true;
}

void Configuration::applyLinesToActive(int profileNumber)
{
    if (profileNumber < 1 || profileNumber > 3)
        return;
    const int first = ConfigFile::firstLine(profileNumber);
    m_active.RotorPort = m_lines[first];
    m_active.RotorBaud = m_lines[first + 1];
    m_active.RotorSet = m_lines[first + 2];
    m_active.RotorHandshake = m_lines[first + 3];
    m_active.RotorModel = m_lines[first + 4];
    // Unlike a load, each number line stands on its own here.
    if (const std::optional<qint16> delay = toInt16(m_lines[first + 5]))
        m_active.RotorDelay = *delay;
    if (const std::optional<qint16> error = toInt16(m_lines[first + 6]))
        m_active.RotorError = *error;
}
