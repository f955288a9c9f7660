// The "Beam map" window offscreen: clicks and keys turn the antenna, bad input turns nothing,
// the needle follows the rotor, and the window finds its place and locator again.
#include "map/MapSettings.h"
#include "map/window/BeamMapView.h"
#include "map/window/BeamMapWindow.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class TestBeamMapWindow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void clickTurnsToBearing_data();
    void clickTurnsToBearing();
    void enterOnFocusedRing();
    void fields_data();
    void fields();
    void needleFollowsRotor();
    void placeAndStationKept();

private:
    // Widgets are found as a screen reader finds them: by their accessible names.
    template <typename T>
    T *named(const QString &name) const
    {
        for (T *widget : m_window->findChildren<T *>())
            if (widget->accessibleName() == name)
                return widget;
        return nullptr;
    }
    void open();
    QImage shot() const { return m_window->view()->grab().toImage(); }
    bool beamAt(const QImage &image, int bearing) const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<MapSettings> m_settings;
    std::unique_ptr<RotorState> m_rotor;
    std::unique_ptr<BeamMapWindow> m_window;
    QList<int> m_turns;
};

void TestBeamMapWindow::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_settings = std::make_unique<MapSettings>(m_dir->path());
    m_rotor = std::make_unique<RotorState>();
    m_turns.clear();
    open();
}

void TestBeamMapWindow::cleanup()
{
    m_window.reset();
}

void TestBeamMapWindow::open()
{
    m_window = std::make_unique<BeamMapWindow>(*m_rotor, *m_settings,
                                               [this](int azimuth) { m_turns.append(azimuth); });
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QVERIFY(named<BeamMapView>(QStringLiteral("Beam map ring")));
}

bool TestBeamMapWindow::beamAt(const QImage &image, int bearing) const
{
    const qreal ratio = image.devicePixelRatio();
    const QPoint pixel = (m_window->view()->pixelAt(bearing, 0.6) * ratio).toPoint();
    return image.pixel(pixel) == BeamMapView::kBeamColour;
}

void TestBeamMapWindow::clickTurnsToBearing_data()
{
    QTest::addColumn<int>("bearing");
    for (int bearing : {0, 45, 90, 181, 270, 359})
        QTest::newRow(qPrintable(QString::number(bearing))) << bearing;
}

void TestBeamMapWindow::clickTurnsToBearing()
{
    QFETCH(int, bearing);
    BeamMapView *ring = m_window->view();
    QTest::mouseClick(ring, Qt::LeftButton, {}, ring->pixelAt(bearing, 0.8).toPoint());
    QCOMPARE(m_turns, QList<int>{bearing});
    // The centre names no bearing.
    QTest::mouseClick(ring, Qt::LeftButton, {}, ring->pixelAt(0, 0).toPoint());
    QCOMPARE(m_turns.size(), 1);
}

void TestBeamMapWindow::enterOnFocusedRing()
{
    BeamMapView *ring = named<BeamMapView>(QStringLiteral("Beam map ring"));
    ring->setFocus();
    m_rotor->setCommanded(350); // the keys go on from the last drive
    QTest::keyClick(ring, Qt::Key_Right);
    QTest::keyClick(ring, Qt::Key_PageUp);
    QTest::keyClick(ring, Qt::Key_Return);
    QTest::keyClick(ring, Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyClick(ring, Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(m_turns, (QList<int>{1, 351}));
}

void TestBeamMapWindow::fields_data()
{
    QTest::addColumn<QString>("station");
    QTest::addColumn<bool>("stationRefused");
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("targetRefused");
    QTest::addColumn<QList<int>>("turns"); // Short path, then Long path
    QTest::newRow("locator") << "jn45FO" << false << "IO91wm" << false << QList<int>{319, 139};
    QTest::newRow("lat,lon") << "JN45fo" << false << "40.7128,-74.006" << false
                             << QList<int>{297, 117};
    QTest::newRow("bad station") << "JN4" << true << "IO91wm" << true << QList<int>{};
    QTest::newRow("no station") << "" << false << "IO91wm" << true << QList<int>{};
    QTest::newRow("out of range") << "JN45fo" << false << "91,200" << true << QList<int>{};
    QTest::newRow("bad locator") << "JN45fo" << false << "IO91zz" << true << QList<int>{};
    QTest::newRow("empty target") << "JN45fo" << false << "" << true << QList<int>{};
}

void TestBeamMapWindow::fields()
{
    QFETCH(QString, station);
    QFETCH(bool, stationRefused);
    QFETCH(QString, target);
    QFETCH(bool, targetRefused);
    QFETCH(QList<int>, turns);
    auto *stationField = named<QLineEdit>(QStringLiteral("Station"));
    auto *targetField = named<QLineEdit>(QStringLiteral("Point at"));
    for (QLineEdit *field : {stationField, targetField}) {
        field->setFocus();
        QTest::keyClicks(field, field == stationField ? station : target);
        QTest::keyClick(field, Qt::Key_Return);
    }
    named<QPushButton>(QStringLiteral("Short path"))->click();
    named<QPushButton>(QStringLiteral("Long path"))->click();
    QCOMPARE(m_turns, turns);
    QCOMPARE(!m_window->findChild<QLabel *>(QStringLiteral("stationNote"))->text().isEmpty(),
             stationRefused);
    QCOMPARE(!m_window->findChild<QLabel *>(QStringLiteral("pointAtNote"))->text().isEmpty(),
             targetRefused);
    if (!stationRefused && !station.isEmpty())
        QCOMPARE(stationField->text(), QStringLiteral("JN45fo"));
}

void TestBeamMapWindow::needleFollowsRotor()
{
    QVERIFY(!beamAt(shot(), 90));
    m_rotor->setReported(90);
    QVERIFY(beamAt(shot(), 90));
    // Changes within a frame are gathered: the last one shows.
    m_rotor->setReported(150);
    m_rotor->setReported(200);
    QTRY_VERIFY(beamAt(shot(), 200));
    QVERIFY(!beamAt(shot(), 90));
    QVERIFY(!beamAt(shot(), 150));
    // A family that never reports: no beam, but the drive's mark until it has arrived.
    m_rotor->setCommanded(120);
    m_rotor->setReported(-1);
    QTRY_VERIFY(!beamAt(shot(), 200));
    QVERIFY(m_window->view()->driveShown());
    m_rotor->setReported(120);
    QTRY_COMPARE(m_window->view()->shown(), m_rotor->value());
    QVERIFY(!m_window->view()->driveShown());
    m_rotor->setMoving(true);
    QTRY_VERIFY(m_window->view()->driveShown());
}

void TestBeamMapWindow::placeAndStationKept()
{
    named<QLineEdit>(QStringLiteral("Station"))->setText(QStringLiteral("JN45fo"));
    emit named<QLineEdit>(QStringLiteral("Station"))->editingFinished();
    m_window->resize(520, 700);
    m_window->move(30, 40);
    m_window->close();

    // The link reads the station without the window.
    const MapSettings stored(m_dir->path());
    QCOMPARE(stored.station(), QStringLiteral("JN45fo"));
    QCOMPARE(stored.geometry().size(), QSize(520, 700));
    m_window.reset();
    open();
    QCOMPARE(m_window->size(), QSize(520, 700));
    QCOMPARE(named<QLineEdit>(QStringLiteral("Station"))->text(), QStringLiteral("JN45fo"));
}

QTEST_MAIN(TestBeamMapWindow)
#include "tst_beammapwindow.moc"
