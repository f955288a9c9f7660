#include "map/window/BeamMapView.h"

#include "map/AzimuthalProjection.h"
#include "map/Coastlines.h"
#include "map/Locator.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <numbers>

namespace {
constexpr QRgb kSea = 0xffe3eff9;
constexpr QRgb kCoast = 0xff5b6b45;
constexpr QRgb kDistanceRing = 0xffa9bfd4;
constexpr double kDistanceStepKm = 5000;

QString degrees(int bearing)
{
    return QStringLiteral("%1\u00b0").arg(bearing, 3, 10, QLatin1Char('0'));
}

QString kilometres(double km)
{
    return QStringLiteral("%1 km").arg(qRound(km));
}

// Text in a corner, on a veil of the window's colour so it reads over the ring.
void cornerText(QPainter &painter, const QRectF &area, Qt::Alignment corner, const QString &text,
                const QPalette &palette)
{
    const QRectF box = painter.boundingRect(area, int(corner), text).adjusted(-3, -1, 3, 1);
    QColor veil = palette.color(QPalette::Window);
    veil.setAlpha(210);
    painter.fillRect(box, veil);
    painter.setPen(palette.color(QPalette::WindowText));
    painter.drawText(area, int(corner), text);
}

// The pixel at a bearing and a radius in pixels from the centre.
QPointF polarPixel(const QPointF &centre, double bearing, double radius)
{
    const QPointF p = AzimuthalProjection::polar(bearing, radius);
    return centre + QPointF(p.x(), -p.y());
}

// A triangle across the compass ring pointing outward at a bearing.
QPolygonF arrowHead(const QPointF &centre, double bearing, double inner, double outer, double half)
{
    return QPolygonF{polarPixel(centre, bearing, outer), polarPixel(centre, bearing - half, inner),
                     polarPixel(centre, bearing + half, inner)};
}
} // namespace

BeamMapView::BeamMapView(const RotorState &rotor, QWidget *parent)
    : QWidget(parent), m_shown(rotor.value()), m_latest(rotor.value())
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent); // the kept picture covers every pixel
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_frame.setSingleShot(true);
    m_frame.setInterval(kFrameMs);
    connect(&m_frame, &QTimer::timeout, this, &BeamMapView::onFrame);
    connect(&rotor, &RotorState::changed, this, &BeamMapView::onRotorChanged);
    m_focusBearing = qMax(0, m_shown.reported >= 0 ? m_shown.reported : m_shown.commanded);
    describe();
}

void BeamMapView::setStation(const QString &locator)
{
    m_station = locator.isEmpty() ? std::nullopt : Locator::centre(locator);
    m_stationName = m_station ? locator : QString();
    m_mapValid = false;
    update();
}

void BeamMapView::setTarget(std::optional<GreatCircle::LatLon> target, const QString &name)
{
    m_target = target;
    m_targetName = target ? name : QString();
    m_mapValid = false;
    update();
}

bool BeamMapView::driveShown() const
{
    return m_shown.commanded >= 0 && (m_shown.moving || m_shown.commanded != m_shown.reported);
}

BeamMapView::Rings BeamMapView::rings() const
{
    Rings r;
    r.centre = QRectF(rect()).center();
    r.outer = qMax(10.0, qMin(width(), height()) / 2.0 - 2);
    r.disc = qMax(1.0, r.outer - std::clamp(r.outer * 0.11, 16.0, 28.0));
    return r;
}

QPointF BeamMapView::pixelAt(double bearing, double fraction) const
{
    const Rings r = rings();
    return polarPixel(r.centre, bearing, fraction * r.disc);
}

void BeamMapView::onRotorChanged(const RotorState::Value &value)
{
    // The first change shows at once; the ones that follow within a frame wait for its end. A
    // hidden map paints nothing, so it only keeps up.
    m_latest = value;
    if (!isVisible()) {
        showValue(value);
        return;
    }
    if (m_frame.isActive()) {
        m_pending = true;
        return;
    }
    showValue(value);
    m_frame.start();
}

void BeamMapView::onFrame()
{
    if (!m_pending)
        return;
    m_pending = false;
    showValue(m_latest);
    m_frame.start();
}

void BeamMapView::showValue(const RotorState::Value &value)
{
    if (value == m_shown)
        return;
    if (value.commanded >= 0 && value.commanded != m_shown.commanded)
        m_focusBearing = value.commanded; // arrow keys go on from the last drive
    m_shown = value;
    describe();
    update();
}

void BeamMapView::setFocusBearing(int bearing)
{
    m_focusBearing = ((bearing % 360) + 360) % 360;
    describe();
    update();
}

void BeamMapView::describe()
{
    QString text = m_shown.reported >= 0 ? QStringLiteral("Beam %1").arg(degrees(m_shown.reported))
                                         : QStringLiteral("No beam reported");
    if (driveShown())
        text += QStringLiteral(", turning to %1").arg(degrees(m_shown.commanded));
    text += QStringLiteral(". Enter turns to %1.").arg(degrees(m_focusBearing));
    setAccessibleDescription(text);
}

void BeamMapView::resizeEvent(QResizeEvent *event)
{
    m_mapValid = false;
    QWidget::resizeEvent(event);
}

void BeamMapView::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange ||
        event->type() == QEvent::StyleChange)
        m_mapValid = false;
    QWidget::changeEvent(event);
}

void BeamMapView::paintEvent(QPaintEvent *)
{
    if (!m_mapValid || m_map.devicePixelRatio() != devicePixelRatioF())
        renderMap();
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_map);
    painter.setRenderHint(QPainter::Antialiasing);
    drawNeedles(painter, rings());
}

void BeamMapView::renderMap()
{
    const qreal ratio = devicePixelRatioF();
    m_map = QPixmap(size() * ratio);
    m_map.setDevicePixelRatio(ratio);
    m_map.fill(palette().color(QPalette::Window));
    QPainter painter(&m_map);
    painter.setRenderHint(QPainter::Antialiasing);
    const Rings r = rings();
    drawWorld(painter, r);
    drawRing(painter, r);

    // The station in the top left corner, the target's paths in the top right one.
    const QRectF corners = QRectF(rect()).adjusted(4, 2, -4, -2);
    cornerText(painter, corners, Qt::AlignLeft | Qt::AlignTop,
               m_station ? m_stationName : QStringLiteral("No station"), palette());
    if (m_station && m_target) {
        const GreatCircle::Path shortPath = GreatCircle::shortPath(*m_station, *m_target);
        const GreatCircle::Path longPath = GreatCircle::longPath(*m_station, *m_target);
        cornerText(painter, corners, Qt::AlignRight | Qt::AlignTop,
                   QStringLiteral("%1\nShort %2  %3\nLong %4  %5")
                       .arg(m_targetName, degrees(GreatCircle::wholeDegree(shortPath.bearing)),
                            kilometres(shortPath.distanceKm),
                            degrees(GreatCircle::wholeDegree(longPath.bearing)),
                            kilometres(longPath.distanceKm)),
                   palette());
    }
    m_mapValid = true;
}

void BeamMapView::drawWorld(QPainter &painter, const Rings &r) const
{
    const auto at = [&r](QPointF unit) {
        return r.centre + QPointF(unit.x() * r.disc, -unit.y() * r.disc);
    };
    painter.setPen(QPen(palette().color(QPalette::Mid), 1));
    painter.setBrush(palette().color(QPalette::Base));
    painter.drawEllipse(r.centre, r.outer, r.outer);
    painter.setBrush(m_station ? QColor(kSea) : palette().color(QPalette::AlternateBase));
    painter.drawEllipse(r.centre, r.disc, r.disc);
    painter.setBrush(Qt::NoBrush);

    if (!m_station) {
        // A compass rose: the four quarters.
        painter.setPen(QPen(palette().color(QPalette::Mid), 1, Qt::DotLine));
        for (int bearing = 0; bearing < 180; bearing += 45)
            painter.drawLine(at(AzimuthalProjection::polar(bearing, 1)),
                             at(AzimuthalProjection::polar(bearing + 180, 1)));
        return;
    }

    // Distance rings, then the coasts.
    painter.setPen(QPen(QColor(kDistanceRing), 1, Qt::DotLine));
    const double halfCircumference = GreatCircle::kCircumferenceKm / 2;
    for (double km = kDistanceStepKm; km < halfCircumference; km += kDistanceStepKm) {
        const double radius = km / halfCircumference * r.disc;
        painter.drawEllipse(r.centre, radius, radius);
    }
    painter.setPen(QPen(QColor(kCoast), 1));
    const AzimuthalProjection projection(*m_station);
    for (const QList<QPointF> &line : Coastlines::builtIn().project(projection)) {
        QPolygonF polyline;
        polyline.reserve(line.size());
        for (const QPointF &point : line)
            polyline.append(at(point));
        painter.drawPolyline(polyline);
    }
    if (!m_target)
        return;

    // The great circle: the short path to the target; the long path leaves the other way,
    // reaches the antipode on the rim and comes back in from the rim behind the target.
    if (GreatCircle::angularDistance(*m_station, *m_target) < 1e-4)
        return; // the station's own square: no one great circle
    const double bearing = GreatCircle::initialBearing(*m_station, *m_target);
    const QPointF target = at(projection.project(*m_target));
    painter.setPen(QPen(QColor(kLongPathColour), 2, Qt::DashDotLine, Qt::FlatCap));
    painter.drawLine(r.centre, at(AzimuthalProjection::polar(bearing + 180, 1)));
    painter.drawLine(target, at(AzimuthalProjection::polar(bearing, 1)));
    painter.setPen(QPen(QColor(kShortPathColour), 3, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(r.centre, target);
    painter.setBrush(QColor(kShortPathColour));
    painter.drawEllipse(target, 3.5, 3.5);
    painter.setBrush(Qt::NoBrush);
}

void BeamMapView::drawRing(QPainter &painter, const Rings &r) const
{
    const auto at = [&r](double bearing, double radius) {
        return polarPixel(r.centre, bearing, radius);
    };
    const double band = r.outer - r.disc;
    painter.setPen(QPen(palette().color(QPalette::Text), 1));
    for (int bearing = 0; bearing < 360; bearing += 5) {
        const double length = bearing % 30 == 0   ? band * 0.4
                              : bearing % 10 == 0 ? band * 0.25
                                                  : band * 0.15;
        painter.drawLine(at(bearing, r.disc), at(bearing, r.disc + length));
    }
    QFont small = font();
    small.setPointSizeF(qMax(6.0, small.pointSizeF() * std::clamp(band / 26, 0.7, 1.0)));
    QFont bold = small;
    bold.setBold(true);
    for (int bearing = 0; bearing < 360; bearing += 30) {
        const bool cardinal = bearing % 90 == 0;
        painter.setFont(cardinal ? bold : small);
        const QString label =
            cardinal ? QString(QChar(u"NESW"[bearing / 90])) : QString::number(bearing);
        const QPointF centre = at(bearing, r.disc + band * 0.68);
        painter.drawText(QRectF(centre - QPointF(20, 10), QSizeF(40, 20)), Qt::AlignCenter, label);
    }
    painter.setFont(font());
}

void BeamMapView::drawNeedles(QPainter &painter, const Rings &r) const
{
    const double band = r.outer - r.disc;
    const double width = std::clamp(r.disc / 70, 3.0, 6.0);
    if (driveShown()) {
        painter.setPen(QPen(QColor(kDriveColour), width / 2.5, Qt::DashLine, Qt::FlatCap));
        painter.drawLine(r.centre, polarPixel(r.centre, m_shown.commanded, r.disc));
        painter.setPen(QPen(QColor(kDriveColour), 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawPolygon(arrowHead(r.centre, m_shown.commanded, r.disc, r.outer, 4));
    }
    if (m_shown.reported >= 0) {
        painter.setPen(QPen(QColor(kBeamColour), width, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(r.centre, polarPixel(r.centre, m_shown.reported, r.disc));
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(kBeamColour));
        painter.drawPolygon(arrowHead(r.centre, m_shown.reported, r.disc - 1, r.outer, 5));
        painter.drawEllipse(r.centre, width, width);
    }
    if (hasFocus()) {
        // The focus bearing: a hollow diamond on the ring and a dotted edge around it.
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
        painter.setBrush(Qt::NoBrush);
        const QPointF mark = polarPixel(r.centre, m_focusBearing, r.disc + band / 2);
        const double s = band / 3;
        painter.drawPolygon(QPolygonF{mark + QPointF(0, -s), mark + QPointF(s, 0),
                                      mark + QPointF(0, s), mark + QPointF(-s, 0)});
        painter.setPen(QPen(palette().color(QPalette::Highlight), 1, Qt::DotLine));
        painter.drawEllipse(r.centre, r.outer, r.outer);
    }

    // What the needles say, in the bottom left corner.
    QString text = m_shown.reported >= 0 ? QStringLiteral("Beam %1").arg(degrees(m_shown.reported))
                                         : QStringLiteral("Beam not reported");
    if (driveShown())
        text += QStringLiteral("\nTurning to %1").arg(degrees(m_shown.commanded));
    if (hasFocus())
        text += QStringLiteral("\nEnter: turn to %1").arg(degrees(m_focusBearing));
    cornerText(painter, QRectF(rect()).adjusted(4, 2, -4, -2), Qt::AlignLeft | Qt::AlignBottom,
               text, palette());
}

void BeamMapView::mousePressEvent(QMouseEvent *event)
{
    const Rings r = rings();
    const QPointF d = event->position() - r.centre;
    const double distance = std::hypot(d.x(), d.y());
    if (event->button() != Qt::LeftButton || distance < 3 || distance > r.outer) {
        QWidget::mousePressEvent(event);
        return;
    }
    const int bearing =
        GreatCircle::wholeDegree(std::atan2(d.x(), -d.y()) * 180 / std::numbers::pi);
    setFocusBearing(bearing);
    emit turnRequested(bearing);
}

void BeamMapView::keyPressEvent(QKeyEvent *event)
{
    const int step = event->modifiers() & Qt::ShiftModifier ? 10 : 1;
    switch (event->key()) {
    case Qt::Key_Right:
    case Qt::Key_Up:
        setFocusBearing(m_focusBearing + step);
        break;
    case Qt::Key_Left:
    case Qt::Key_Down:
        setFocusBearing(m_focusBearing - step);
        break;
    case Qt::Key_PageUp:
        setFocusBearing(m_focusBearing + 10);
        break;
    case Qt::Key_PageDown:
        setFocusBearing(m_focusBearing - 10);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        emit turnRequested(m_focusBearing);
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void BeamMapView::focusInEvent(QFocusEvent *event)
{
    update();
    QWidget::focusInEvent(event);
}

void BeamMapView::focusOutEvent(QFocusEvent *event)
{
    update();
    QWidget::focusOutEvent(event);
}
