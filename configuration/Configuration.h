#pragma once

#include "core/RotorProfile.h"

#include <QString>

#include <array>

// The three rotor profiles: the configuration file's lines as last read or saved, the profile in
// force and the number that chooses it.
class Configuration
{
public:
    static constexpr int kLineCount = 30;
    using Lines = std::array<QString, kLineCount + 1>; // indexed 1 to 30; 0 unused
    // The seven box texts of a profile, in field order: port, baud, settings, handshake, model,
    // delay, error.
    using BoxTexts = std::array<QString, 7>;

    // What the dialog shows for a profile that was never set, and what a save writes for a
    // profile slot whose lines are all empty, so the file it writes always loads back.
    static BoxTexts defaultTexts();

    // configDir: the program's config folder (holding SorvikDDE.ini).
    explicit Configuration(QString configDir);

    QString configDir() const { return m_configDir; }
    QString filePath() const;

    RotorProfile &activeProfile() { return m_active; }
    const RotorProfile &activeProfile() const { return m_active; }
    const Lines &configLines() const { return m_lines; }

    int profileNumber() const { return m_profileNumber; }
    void setProfileNumber(int number) { m_profileNumber = number; }

    // Reads the file and puts profile profileNumber() in force. False when the file cannot be
    // read or an integer line of any profile does not convert; the fields assigned before the
    // failure keep their new values.
    bool load();

    // Puts the box texts into profile slot 1 (the profile in force), 2 or 3 and into its lines,
    // then replaces the file atomically. A slot whose seven lines are all empty gets the defaults.
    // False when a number does not convert or the file cannot be written; the old file and the
    // profiles are then untouched. errorString() tells why.
    bool save(int slot, const BoxTexts &texts);
    QString errorString() const { return m_error; }

    // Lines 7(n-1)+1 to 7(n-1)+7 into the profile in force; a number line that does not convert
    // leaves its field as it was (the dialog's profile switch).
    void applyLinesToActive(int profileNumber);

private:
    QString m_configDir;
    RotorProfile m_active;
    Lines m_lines;
    int m_profileNumber = 1;
    QString m_error;
};
