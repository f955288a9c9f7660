#pragma once

#include <QByteArray>
#include <QList>
#include <QRect>
#include <QSize>
#include <QString>

// The beam map's own file, BeamMap.ini in the configuration folder: the station's locator, the
// last place pointed at and the window's place. The link reads the station from it without the
// window: give both the same object (the window changes it and saves), or reload() before reading.
class MapSettings
{
public:
    static constexpr QLatin1StringView kFileName{"BeamMap.ini"};

    struct Values
    {
        QString station; // a 4- or 6-character locator as Locator::station() writes it, or empty
        QString target;  // what was last typed in "Point at"
        QRect geometry;  // frame position and inner size; null when none was saved
        bool operator==(const Values &) const = default;
    };

    // Reads the file; a missing or damaged one gives what it can, the rest empty.
    explicit MapSettings(const QString &configDir);

    QString path() const { return m_path; }
    const Values &values() const { return m_values; }
    QString station() const { return m_values.station; }
    QString target() const { return m_values.target; }
    QRect geometry() const { return m_values.geometry; }

    // False, and nothing changed, for a text that is neither empty nor a station locator.
    bool setStation(const QString &text);
    void setTarget(const QString &text);
    void setGeometry(const QRect &geometry);

    void reload();
    // Written beside the file and renamed over it; false when it cannot be written.
    bool save(QString *error = nullptr) const;

    // The file's text: "[BeamMap]", then "Station=", "Target=" and "Geometry=x,y,width,height"
    // lines. parse() takes any line order, skips what it does not know and drops a value that
    // does not make sense.
    static QByteArray format(const Values &values);
    static Values parse(const QByteArray &bytes);

    // Where a window saved at `saved` goes on these screens (their available areas, the primary
    // first): its size within the largest screen and at least `minimum`, kept where it was when
    // its top edge can still be grabbed on a screen, else centred on the primary one. A null
    // saved rectangle, or no screens: a null rectangle (the window system chooses).
    static QRect placeOnScreens(const QRect &saved, const QList<QRect> &screens,
                                const QSize &minimum);

private:
    QString m_path;
    Values m_values;
};
