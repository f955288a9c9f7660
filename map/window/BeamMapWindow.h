#pragma once

#include "map/MapSettings.h"
#include "rotor/RotorState.h"

#include <QWidget>

#include <functional>

class BeamMapView;
class QLabel;
class QLineEdit;
class QPushButton;

// The "Beam map" window: the map, the station's locator, a place to point at and the buttons
// that turn the antenna along its short or long path. It turns the antenna only through `turn`;
// its locators and its place on the screen live in the map's own file.
class BeamMapWindow : public QWidget
{
    Q_OBJECT
public:
    // `settings` must outlive the window; `turn` gets an azimuth of 0 to 359.
    BeamMapWindow(const RotorState &rotor, MapSettings &settings,
                  std::function<void(int azimuth)> turn, QWidget *parent = nullptr);
    ~BeamMapWindow() override;

    BeamMapView *view() const { return m_view; }

protected:
    void hideEvent(QHideEvent *event) override;

private:
    void applyStation();
    // Shows where "Point at" points; false (with a note when `insist`) when it cannot.
    bool applyTarget(bool insist);
    void turnAlong(bool longPath);
    void turn(int azimuth);
    void restorePlace();
    void savePlace();

    MapSettings &m_settings;
    std::function<void(int)> m_turn;
    QString m_shownStation;
    BeamMapView *m_view;
    QLineEdit *m_station;
    QLabel *m_stationNote;
    QLineEdit *m_target;
    QLabel *m_targetNote;
    QLabel *m_paths;
    QPushButton *m_shortPath;
    QPushButton *m_longPath;
};
