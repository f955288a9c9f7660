#include "doors/DoorOptions.h"
#include "doors/DoorSettings.h"

#include <QCommandLineParser>
#include <QtTest>

namespace {
// "rotctld=127.0.0.1:4533 pst-udp=off", the places set, in the keys' order.
QString written(DoorSettings settings)
{
    QStringList parts;
    for (const QString &key : DoorSettings::keys()) {
        if (const std::optional<DoorEndpoint> &place = *settings.find(key))
            parts << key + u'=' + place->toString();
    }
    return parts.join(u' ');
}
} // namespace

// Where the doors open: an address and port as written, Doors.ini's lines, the command line, and
// which of them wins.
class TestDoorSettings : public QObject
{
    Q_OBJECT
private slots:
    void endpoint_data();
    void endpoint();
    void file_data();
    void file();
    void options_data();
    void options();
};

void TestDoorSettings::endpoint_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("read"); // empty: refused

    const std::pair<const char *, const char *> rows[] = {
        {"127.0.0.1:4533", "127.0.0.1:4533"},
        {"0.0.0.0:12000", "0.0.0.0:12000"},
        {"localhost:0", "127.0.0.1:0"},
        {"[::1]:4533", "[::1]:4533"},
        {" off ", "off"},
        {"OFF", "off"},
        {"::1:4533", ""},
        {"127.0.0.1", ""},
        {"127.0.0.1:", ""},
        {"127.0.0.1:65536", ""},
        {"127.0.0.1:+5", ""},
        {"127.0.0.1:-1", ""},
        {"host.example:4533", ""},
        {":4533", ""},
        {"", ""},
    };
    for (const auto &[text, read] : rows)
        QTest::addRow("%s", text) << QString::fromLatin1(text) << QString::fromLatin1(read);
}

void TestDoorSettings::endpoint()
{
    QFETCH(QString, text);
    QFETCH(QString, read);
    const std::optional<DoorEndpoint> endpoint = DoorEndpoint::parse(text);
    QCOMPARE(endpoint ? endpoint->toString() : QString(), read);
}

void TestDoorSettings::file_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("settings");
    QTest::addColumn<QStringList>("problems");

    QTest::newRow("empty") << QByteArray() << "" << QStringList{};
    QTest::newRow("every key, CR LF, blanks, comments")
        << QByteArray("# doors\r\nrotctld = 0.0.0.0:4533\r\n; no PST\r\npst-udp=off\r\n\r\n"
                      "n1mm-udp=127.0.0.1:12040\nn1mm-heading=127.0.0.1:13010")
        << "rotctld=0.0.0.0:4533 pst-udp=off n1mm-udp=127.0.0.1:12040 "
           "n1mm-heading=127.0.0.1:13010"
        << QStringList{};
    QTest::newRow("bad lines told, the rest kept")
        << QByteArray("rotctld=4533\nport=4533\nhello\nn1mm-udp=off\n") << "n1mm-udp=off"
        << QStringList{"line 1: rotctld wants ADDRESS:PORT or off, not \"4533\"",
                       "line 2: \"port\" is not one of rotctld, pst-udp, n1mm-udp, n1mm-heading",
                       "line 3: \"hello\" is not one of rotctld, pst-udp, n1mm-udp, n1mm-heading"};
    QTest::newRow("the last line of a key wins") << QByteArray("rotctld=off\nrotctld=127.0.0.1:1\n")
                                                 << "rotctld=127.0.0.1:1" << QStringList{};
}

void TestDoorSettings::file()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, settings);
    QFETCH(QStringList, problems);
    QStringList told;
    QCOMPARE(written(DoorSettings::fromText(text, &told)), settings);
    QCOMPARE(told, problems);
}

void TestDoorSettings::options_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("doors"); // the places in force, or the error

    const QString defaults = "rotctld=127.0.0.1:4533 pst-udp=127.0.0.1:12000 "
                             "n1mm-udp=127.0.0.1:12040 n1mm-heading=127.0.0.1:13010";
    QTest::newRow("defaults") << QStringList{} << "" << defaults;
    QTest::newRow("the file over the defaults")
        << QStringList{} << "rotctld=0.0.0.0:4533\npst-udp=off"
        << "rotctld=0.0.0.0:4533 pst-udp=off n1mm-udp=127.0.0.1:12040 "
           "n1mm-heading=127.0.0.1:13010";
    QTest::newRow("the command line over the file")
        << QStringList{"--rotctld", "off", "--n1mm-heading=127.0.0.1:0"}
        << "rotctld=0.0.0.0:4533\npst-udp=off"
        << "rotctld=off pst-udp=off n1mm-udp=127.0.0.1:12040 n1mm-heading=127.0.0.1:0";
    QTest::newRow("a bad value") << QStringList{"--n1mm-udp", "12040"} << ""
                                 << "--n1mm-udp wants ADDRESS:PORT (such as 127.0.0.1:12040) or "
                                    "off, not \"12040\"";
}

void TestDoorSettings::options()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, file);
    QFETCH(QString, doors);
    QCommandLineParser parser;
    DoorOptions::add(parser);
    QVERIFY(parser.parse(QStringList{"sorvikdde"} + arguments));
    QString error;
    const std::optional<DoorSettings> given = DoorOptions::read(parser, &error);
    const DoorSettings fromFile = DoorSettings::fromText(file.toUtf8(), nullptr);
    QCOMPARE(given ? written(given->over(fromFile).over(DoorSettings::defaults())) : error, doors);
}

QTEST_GUILESS_MAIN(TestDoorSettings)
#include "tst_doorsettings.moc"
