// The beam map's arithmetic: locators, great circles, the projection, the coastline resource and
// the map's file, checked against known places and distances.
#include "map/AzimuthalProjection.h"
#include "map/Coastlines.h"
#include "map/Locator.h"
#include "map/MapSettings.h"
#include "map/PointAt.h"

#include <QFile>
#include <QLineF>
#include <QTest>

#include <cmath>

class TestMapMath : public QObject
{
    Q_OBJECT
private slots:
    void locators_data();
    void locators();
    void paths_data();
    void paths();
    void pointAt_data();
    void pointAt();
    void projection_data();
    void projection();
    void coastlines();
    void settingsFile_data();
    void settingsFile();
    void placeOnScreens_data();
    void placeOnScreens();
};

void TestMapMath::locators_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QPointF>("latLon");  // null: refused
    QTest::addColumn<QString>("station"); // as a station's own locator; empty: refused
    struct Row
    {
        const char *name, *text;
        QPointF latLon;
        const char *station;
    };
    for (const Row &row : {
             Row{"square", "JN45", {45.5, 9.0}, "JN45"},
             Row{"subsquare", "JN45fo", {45.604167, 8.458333}, "JN45fo"},
             Row{"any case, blanks", " jn45FO ", {45.604167, 8.458333}, "JN45fo"},
             Row{"extended", "JN45fo27", {45.614583, 8.4375}, ""},
             Row{"south-west corner", "AA00aa", {-89.979167, -179.958333}, "AA00aa"},
             Row{"north-east corner", "RR99xx", {89.979167, 179.958333}, "RR99xx"},
             Row{"lat,lon", "51.5074, -0.1278", {51.5074, -0.1278}, ""},
             Row{"pole, antimeridian", "-90,180", {-90, 180}, ""},
             Row{"too short", "JN4", {}, ""},
             Row{"odd length", "JN45f", {}, ""},
             Row{"field past R", "SN45", {}, ""},
             Row{"subsquare past X", "JN45yo", {}, ""},
             Row{"letter in the extension", "JN45fo2a", {}, ""},
             Row{"latitude past 90", "91,200", {}, ""},
             Row{"longitude past 180", "45,180.5", {}, ""},
             Row{"empty", "", {}, ""},
         })
        QTest::newRow(row.name) << QString(row.text) << row.latLon << QString(row.station);
}

void TestMapMath::locators()
{
    QFETCH(QString, text);
    QFETCH(QPointF, latLon);
    QFETCH(QString, station);
    const std::optional<GreatCircle::LatLon> place = Locator::target(text);
    QCOMPARE(place.has_value(), !latLon.isNull());
    if (place)
        QVERIFY(QLineF(QPointF(place->lat, place->lon), latLon).length() < 1e-6);
    QCOMPARE(Locator::station(text).value_or(QString()), station);
}

void TestMapMath::paths_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<double>("bearing"); // negative: no single great circle
    QTest::addColumn<double>("km");
    struct Row
    {
        const char *name, *from, *to;
        double bearing, km;
    };
    for (const Row &row : {
             Row{"London, New York", "51.5074,-0.1278", "40.7128,-74.0060", 288.3, 5570},
             Row{"London, Sydney", "51.5074,-0.1278", "-33.8688,151.2093", 60.7, 16994},
             Row{"W1AW, London", "FN31pr", "IO91wm", 52.2, 5415},
             Row{"Milan, Tokyo", "JN45fo", "PM95vq", 37.6, 9743},
             Row{"to the north pole", "45,10", "90,0", 0, 5004},
             Row{"to the south pole", "JN45fo", "-90,0", 180, 15078},
             Row{"from the north pole", "90,0", "0,0", 180, 10008},
             Row{"from the south pole", "-90,0", "0,90", 90, 10008},
             Row{"across the antimeridian", "0,179", "0,-179", 90, 222.4},
             Row{"antipode", "45,10", "-45,-170", -1, 20015},
             Row{"same square", "JN45fo", "JN45fo", 0, 0},
         })
        QTest::newRow(row.name) << QString(row.from) << QString(row.to) << row.bearing << row.km;
}

void TestMapMath::paths()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(double, bearing);
    QFETCH(double, km);
    const auto a = Locator::target(from);
    const auto b = Locator::target(to);
    QVERIFY(a && b);
    const auto angle = [](double x, double y) { return std::abs(std::remainder(x - y, 360.0)); };
    const GreatCircle::Path shortPath = GreatCircle::shortPath(*a, *b);
    const GreatCircle::Path longPath = GreatCircle::longPath(*a, *b);
    QVERIFY(shortPath.bearing >= 0 && shortPath.bearing < 360);
    QVERIFY(longPath.bearing >= 0 && longPath.bearing < 360);
    if (bearing >= 0) {
        QVERIFY2(angle(shortPath.bearing, bearing) <= 0.5,
                 qPrintable(QString::number(shortPath.bearing)));
        QVERIFY(angle(longPath.bearing, bearing + 180) <= 0.5);
    }
    QVERIFY2(std::abs(shortPath.distanceKm - km) <= 0.01 * km + 0.01,
             qPrintable(QString::number(shortPath.distanceKm)));
    QVERIFY(std::abs(longPath.distanceKm - (40030 - km)) <= 0.01 * (40030 - km));
}

void TestMapMath::pointAt_data()
{
    QTest::addColumn<QString>("station");
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("longPath");
    QTest::addColumn<PointAt::Error>("error");
    QTest::addColumn<int>("azimuth");
    using enum PointAt::Error;
    struct Row
    {
        const char *name, *station, *target;
        bool longPath;
        PointAt::Error error;
        int azimuth;
    };
    for (const Row &row : {
             Row{"long path", "jn45fo", "io91WM", true, None, 139},
             Row{"359.6 is north", "JN45", "50,8.95", false, None, 0},
             Row{"no station", "", "IO91wm", false, NoStation, -1},
             Row{"damaged station", "JN4", "IO91wm", false, NoStation, -1},
             Row{"bad locator", "JN45fo", "IO91zz", false, BadLocator, -1},
         })
        QTest::newRow(row.name) << QString(row.station) << QString(row.target) << row.longPath
                                << row.error << row.azimuth;
}

void TestMapMath::pointAt()
{
    QFETCH(QString, station);
    QFETCH(QString, target);
    QFETCH(bool, longPath);
    QFETCH(PointAt::Error, error);
    QFETCH(int, azimuth);
    const PointAt aim = PointAt::compute(station, target, longPath);
    QCOMPARE(aim.error, error);
    QCOMPARE(aim.azimuth, azimuth);
    QCOMPARE(PointAt::message(aim.error).isEmpty(), error == PointAt::Error::None);
}

void TestMapMath::projection_data()
{
    QTest::addColumn<QPointF>("centre"); // lat, lon
    QTest::addColumn<QPointF>("place");
    QTest::addColumn<QPointF>("expected"); // x east, y north, in the unit disc
    QTest::newRow("centre") << QPointF(45.6, 8.5) << QPointF(45.6, 8.5) << QPointF(0, 0);
    QTest::newRow("east") << QPointF(0, 0) << QPointF(0, 90) << QPointF(0.5, 0);
    QTest::newRow("north") << QPointF(0, 0) << QPointF(45, 0) << QPointF(0, 0.25);
    QTest::newRow("antipode on the rim") << QPointF(0, 0) << QPointF(0, 180) << QPointF(0, -1);
    QTest::newRow("by the antipode") << QPointF(0, 0) << QPointF(0.5, 180) << QPointF(0, 0.99722);
    QTest::newRow("north pole") << QPointF(90, 0) << QPointF(0, 0) << QPointF(0, -0.5);
    QTest::newRow("north pole, over it") << QPointF(90, 0) << QPointF(45, 180) << QPointF(0, 0.25);
    QTest::newRow("south pole") << QPointF(-90, 0) << QPointF(0, 0) << QPointF(0, 0.5);
    QTest::newRow("Milan, New York") // 297.1 degrees, 6406 km
        << QPointF(45.604167, 8.458333) << QPointF(40.7128, -74.006) << QPointF(-0.28482, 0.14604);
}

void TestMapMath::projection()
{
    QFETCH(QPointF, centre);
    QFETCH(QPointF, place);
    QFETCH(QPointF, expected);
    const QPointF p = AzimuthalProjection({centre.x(), centre.y()}).project({place.x(), place.y()});
    QVERIFY2(QLineF(p, expected).length() < 1e-4,
             qPrintable(QStringLiteral("%1, %2").arg(p.x()).arg(p.y())));
}

void TestMapMath::coastlines()
{
    // The shipped resource: Natural Earth's 1:110m coasts, all of them; cut or padded, refused.
    QVERIFY(Coastlines::builtIn().lineCount() > 100);
    QVERIFY(Coastlines::builtIn().pointCount() > 4000);
    QFile file(QStringLiteral(":/map/coastlines.bin"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QCOMPARE(Coastlines::parse(bytes)->pointCount(), Coastlines::builtIn().pointCount());
    QVERIFY(!Coastlines::parse(bytes.chopped(1)));
    QVERIFY(!Coastlines::parse(bytes + '\0'));
    QVERIFY(!Coastlines::parse("X" + bytes.mid(1)));
}

void TestMapMath::settingsFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("station");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QRect>("geometry");
    struct Row
    {
        const char *name, *bytes, *station, *target;
        QRect geometry;
    };
    for (const Row &row : {
             Row{"as written",
                 "[BeamMap]\nStation=JN45fo\nTarget=IO91wm\nGeometry=10,20,500,600\n",
                 "JN45fo",
                 "IO91wm",
                 {10, 20, 500, 600}},
             Row{"any order, CR LF, blanks",
                 "Geometry = -5, 7, 300, 400\r\nStation = jn45FO\r\n",
                 "JN45fo",
                 "",
                 {-5, 7, 300, 400}},
             Row{"bad station dropped", "Station=JN4\nTarget=45,8\n", "", "45,8", {}},
             Row{"huge numbers", "Geometry=99999999999,0,5,5\n", "", "", {}},
             Row{"control character", "Target=a\x01z\n", "", "", {}},
             Row{"garbage", "\xff\xfe=\n==\n\x80", "", "", {}},
         })
        QTest::newRow(row.name) << QByteArray(row.bytes) << QString(row.station)
                                << QString(row.target) << row.geometry;
}

void TestMapMath::settingsFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, station);
    QFETCH(QString, target);
    QFETCH(QRect, geometry);
    const MapSettings::Values values = MapSettings::parse(bytes);
    QCOMPARE(values, (MapSettings::Values{station, target, geometry}));
    QCOMPARE(MapSettings::parse(MapSettings::format(values)), values);
}

void TestMapMath::placeOnScreens_data()
{
    QTest::addColumn<QRect>("saved");
    QTest::addColumn<QRect>("placed"); // on a 1920 x 1080 primary and a 1280 x 1024 at its right
    const QRect centred(710, 240, 500, 600);
    QTest::newRow("none saved") << QRect() << QRect();
    QTest::newRow("on the primary") << QRect(100, 50, 500, 600) << QRect(100, 50, 500, 600);
    QTest::newRow("on the second") << QRect(2000, 100, 500, 600) << QRect(2000, 100, 500, 600);
    QTest::newRow("off the right edge") << QRect(3150, 100, 500, 600) << centred;
    QTest::newRow("title above the top") << QRect(100, -50, 500, 600) << centred;
    QTest::newRow("too small") << QRect(100, 50, 10, 10) << QRect(100, 50, 200, 300);
    QTest::newRow("too large") << QRect(0, 0, 9000, 9000) << QRect(0, 0, 1920, 1080);
}

void TestMapMath::placeOnScreens()
{
    QFETCH(QRect, saved);
    QFETCH(QRect, placed);
    const QList<QRect> screens{QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)};
    QCOMPARE(MapSettings::placeOnScreens(saved, screens, QSize(200, 300)), placed);
}

QTEST_GUILESS_MAIN(TestMapMath)
#include "tst_mapmath.moc"
