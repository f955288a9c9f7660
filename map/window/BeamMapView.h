#pragma once

#include "map/GreatCircle.h"
#include "rotor/RotorState.h"

#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include <optional>

// The map itself: the world as seen from the station inside a compass ring, with the beam's
// needle over it. The world and the ring are drawn once per size and centre and kept; a change
// of the rotor's state repaints the needles over that picture, at most kFrameMs apart. A click,
// or Enter on the focused ring, asks to turn the antenna to that bearing.
class BeamMapView : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kFrameMs = 50;
    static constexpr QRgb kBeamColour = 0xffd62828;
    static constexpr QRgb kDriveColour = 0xff1d4ed8;
    static constexpr QRgb kShortPathColour = 0xff0b7a3b;
    static constexpr QRgb kLongPathColour = 0xffb45309;

    explicit BeamMapView(const RotorState &rotor, QWidget *parent = nullptr);

    // The station's locator; empty: a compass rose without the world.
    void setStation(const QString &locator);
    // A place to draw the great circle to, with its name; nullopt: none.
    void setTarget(std::optional<GreatCircle::LatLon> target, const QString &name = {});

    // What the needles show now (the rotor's state, at most kFrameMs late).
    const RotorState::Value &shown() const { return m_shown; }
    // Whether the commanded azimuth is drawn: while a drive is under way.
    bool driveShown() const;
    // The bearing Enter turns to; arrow keys move it.
    int focusBearing() const { return m_focusBearing; }
    // The widget pixel at a bearing and a fraction of the map disc's radius.
    QPointF pixelAt(double bearing, double fraction) const;

    QSize sizeHint() const override { return {480, 480}; }
    QSize minimumSizeHint() const override { return {220, 220}; }

signals:
    void turnRequested(int azimuth);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    struct Rings
    {
        QPointF centre;
        double outer = 0; // the compass ring's outer edge
        double disc = 0;  // the map inside it
    };
    Rings rings() const;
    void onRotorChanged(const RotorState::Value &value);
    void onFrame();
    void showValue(const RotorState::Value &value);
    void setFocusBearing(int bearing);
    void describe();
    void renderMap();
    void drawWorld(QPainter &painter, const Rings &r) const;
    void drawRing(QPainter &painter, const Rings &r) const;
    void drawNeedles(QPainter &painter, const Rings &r) const;

    std::optional<GreatCircle::LatLon> m_station;
    QString m_stationName;
    std::optional<GreatCircle::LatLon> m_target;
    QString m_targetName;
    RotorState::Value m_shown;
    RotorState::Value m_latest;
    bool m_pending = false;
    QTimer m_frame; // single shot, running only while changes arrive
    int m_focusBearing = 0;
    QPixmap m_map;
    bool m_mapValid = false;
};
