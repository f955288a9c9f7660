#include "map/window/BeamMapWindow.h"

#include "map/Locator.h"
#include "map/PointAt.h"
#include "map/window/BeamMapView.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {
QLabel *note(QWidget *parent, const QString &name)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(0xc0, 0, 0));
    label->setPalette(palette);
    return label;
}

QString pathText(const QString &name, const PointAt &aim)
{
    return QStringLiteral("%1 %2\u00b0, %3 km")
        .arg(name)
        .arg(aim.azimuth)
        .arg(qRound(aim.distanceKm));
}
} // namespace

BeamMapWindow::BeamMapWindow(const RotorState &rotor, MapSettings &settings,
                             std::function<void(int azimuth)> turn, QWidget *parent)
    : QWidget(parent, Qt::Window), m_settings(settings), m_turn(std::move(turn)),
      m_view(new BeamMapView(rotor, this)), m_station(new QLineEdit(this)),
      m_stationNote(note(this, QStringLiteral("stationNote"))), m_target(new QLineEdit(this)),
      m_targetNote(note(this, QStringLiteral("pointAtNote"))), m_paths(new QLabel(this)),
      m_shortPath(new QPushButton(QStringLiteral("S&hort path"), this)),
      m_longPath(new QPushButton(QStringLiteral("&Long path"), this))
{
    setObjectName(QStringLiteral("beamMapWindow"));
    setWindowTitle(QStringLiteral("Beam map"));
    setAccessibleName(QStringLiteral("Beam map"));
    m_view->setObjectName(QStringLiteral("beamMapRing"));
    m_view->setAccessibleName(QStringLiteral("Beam map ring"));
    m_station->setObjectName(QStringLiteral("station"));
    m_station->setAccessibleName(QStringLiteral("Station"));
    m_station->setPlaceholderText(QStringLiteral("JN45fo"));
    m_station->setMaxLength(16);
    m_target->setObjectName(QStringLiteral("pointAt"));
    m_target->setAccessibleName(QStringLiteral("Point at"));
    m_target->setPlaceholderText(QStringLiteral("IO91wm or 51.5,-0.12"));
    m_target->setMaxLength(64);
    m_paths->setObjectName(QStringLiteral("paths"));
    m_shortPath->setObjectName(QStringLiteral("shortPath"));
    m_shortPath->setAccessibleName(QStringLiteral("Short path"));
    m_longPath->setObjectName(QStringLiteral("longPath"));
    m_longPath->setAccessibleName(QStringLiteral("Long path"));

    auto *stationLabel = new QLabel(QStringLiteral("&Station"), this);
    stationLabel->setBuddy(m_station);
    auto *targetLabel = new QLabel(QStringLiteral("P&oint at"), this);
    targetLabel->setBuddy(m_target);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_shortPath);
    buttons->addWidget(m_longPath);
    buttons->addStretch(1);
    auto *form = new QGridLayout;
    form->addWidget(stationLabel, 0, 0);
    form->addWidget(m_station, 0, 1);
    form->addWidget(m_stationNote, 0, 2);
    form->addWidget(targetLabel, 1, 0);
    form->addWidget(m_target, 1, 1);
    form->addWidget(m_targetNote, 1, 2);
    form->addWidget(m_paths, 2, 1, 1, 2);
    form->addLayout(buttons, 3, 1, 1, 2);
    form->setColumnStretch(2, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_view, 1);
    layout->addLayout(form);

    connect(m_view, &BeamMapView::turnRequested, this, &BeamMapWindow::turn);
    connect(m_station, &QLineEdit::editingFinished, this, &BeamMapWindow::applyStation);
    connect(m_station, &QLineEdit::textEdited, m_stationNote, &QLabel::clear);
    connect(m_target, &QLineEdit::editingFinished, this, [this] { applyTarget(false); });
    connect(m_target, &QLineEdit::textEdited, m_targetNote, &QLabel::clear);
    connect(m_shortPath, &QPushButton::clicked, this, [this] { turnAlong(false); });
    connect(m_longPath, &QPushButton::clicked, this, [this] { turnAlong(true); });

    m_station->setText(m_settings.station());
    m_target->setText(m_settings.target());
    m_shownStation = m_settings.station();
    m_view->setStation(m_shownStation);
    applyTarget(false);
    setTabOrder(m_view, m_station);
    m_view->setFocus();
    restorePlace();
}

BeamMapWindow::~BeamMapWindow()
{
    if (isVisible())
        savePlace();
}

void BeamMapWindow::applyStation()
{
    if (!m_settings.setStation(m_station->text())) {
        m_stationNote->setText(QStringLiteral("Not a locator (JN45 or JN45fo)"));
        return;
    }
    m_stationNote->clear();
    if (m_station->text() != m_settings.station())
        m_station->setText(m_settings.station());
    if (m_settings.station() == m_shownStation)
        return;
    m_shownStation = m_settings.station();
    m_settings.save();
    m_view->setStation(m_shownStation);
    applyTarget(false);
}

bool BeamMapWindow::applyTarget(bool insist)
{
    const QString text = m_target->text().trimmed();
    if (text != m_settings.target()) {
        m_settings.setTarget(text);
        m_settings.save();
    }
    const std::optional<GreatCircle::LatLon> place = Locator::target(text);
    m_view->setTarget(m_settings.station().isEmpty() ? std::nullopt : place, text);
    m_paths->clear();
    if (text.isEmpty()) {
        m_targetNote->setText(insist ? QStringLiteral("Enter a locator or lat,lon") : QString());
        return false;
    }
    if (!place) {
        m_targetNote->setText(QStringLiteral("Not a locator nor lat,lon"));
        return false;
    }
    if (m_settings.station().isEmpty()) {
        m_targetNote->setText(QStringLiteral("Enter the station first"));
        return false;
    }
    m_targetNote->clear();
    m_paths->setText(
        pathText(QStringLiteral("Short path"),
                 PointAt::compute(m_settings.station(), text, false)) +
        QStringLiteral(";  ") +
        pathText(QStringLiteral("long path"), PointAt::compute(m_settings.station(), text, true)));
    return true;
}

void BeamMapWindow::turnAlong(bool longPath)
{
    if (!applyTarget(true))
        return;
    const PointAt aim = PointAt::compute(m_settings.station(), m_target->text(), longPath);
    if (aim.error == PointAt::Error::None)
        turn(aim.azimuth);
}

void BeamMapWindow::turn(int azimuth)
{
    if (m_turn)
        m_turn(azimuth);
}

void BeamMapWindow::restorePlace()
{
    QList<QRect> screens;
    if (QScreen *primary = QGuiApplication::primaryScreen())
        screens.append(primary->availableGeometry());
    for (QScreen *screen : QGuiApplication::screens())
        if (screen != QGuiApplication::primaryScreen())
            screens.append(screen->availableGeometry());
    const QRect placed =
        MapSettings::placeOnScreens(m_settings.geometry(), screens, minimumSizeHint());
    if (placed.isNull()) {
        resize(sizeHint().expandedTo(QSize(460, 600)));
        return;
    }
    resize(placed.size());
    move(placed.topLeft());
}

void BeamMapWindow::savePlace()
{
    m_settings.setGeometry(QRect(pos(), size()));
    m_settings.save();
}

void BeamMapWindow::hideEvent(QHideEvent *event)
{
    // Closed or hidden by the program; a minimised window keeps the place it had.
    if (!event->spontaneous())
        savePlace();
    QWidget::hideEvent(event);
}
