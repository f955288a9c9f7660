#include "doors/DoorValue.h"
#include "doors/N1mmDatagram.h"
#include "doors/PstDatagram.h"
#include "doors/RepeatedTarget.h"

#include <QtTest>

namespace {
// "turn 85|stop|az?|el?", as a table writes it.
QByteArray written(const QList<PstCommand> &commands)
{
    QByteArrayList parts;
    for (const PstCommand &command : commands) {
        switch (command.kind) {
        case PstCommand::Kind::Turn:
            parts << "turn " + QByteArray::number(command.azimuth);
            break;
        case PstCommand::Kind::Stop:
            parts << "stop";
            break;
        case PstCommand::Kind::AskAzimuth:
            parts << "az?";
            break;
        case PstCommand::Kind::AskElevation:
            parts << "el?";
            break;
        }
    }
    return parts.join('|');
}

QByteArray written(const std::optional<N1mmCommand> &command)
{
    if (!command)
        return "none";
    const QByteArray name = " [" + command->rotor.toUtf8() + ']';
    return command->kind == N1mmCommand::Kind::Stop
               ? "stop" + name
               : "turn " + QByteArray::number(command->azimuth) + name;
}

QByteArray binary()
{
    QByteArray bytes;
    for (int i = 0; i < 512; ++i)
        bytes += char(i * 37 % 256);
    return bytes;
}
} // namespace

// What the datagram doors read from their clients, and when a rotctld set only repeats.
class TestDoorDatagrams : public QObject
{
    Q_OBJECT
private slots:
    void azimuth_data();
    void azimuth();
    void pst_data();
    void pst();
    void n1mm_data();
    void n1mm();
    void repeatedTarget_data();
    void repeatedTarget();
};

void TestDoorDatagrams::azimuth_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<int>("azimuth"); // -1: changes nothing

    const std::pair<const char *, int> rows[] = {
        {"85", 85},     {"123.4", 123},    {"123.000000.2", 123},
        {"55,5", 56},   {" 55.0\r\n", 55}, {"-10", 350},
        {"+10", 10},    {"450", 90},       {"720", 0},
        {"720.5", -1},  {"-360", 0},       {"-361", -1},
        {"1e308", -1},  {"1.5e2", 150},    {"85e", 85},
        {"85 deg", 85}, {"abc", -1},       {"", -1},
        {"-", -1},      {".5", -1},        {"99999999999999", -1},
        {"359.5", 0},
    };
    for (const auto &[value, azimuth] : rows)
        QTest::addRow("%s", value) << QByteArray(value) << azimuth;
}

void TestDoorDatagrams::azimuth()
{
    QFETCH(QByteArray, value);
    QFETCH(int, azimuth);
    const std::optional<double> number = DoorValue::leadingNumber(value);
    QCOMPARE(number ? DoorValue::wholeAzimuth(*number).value_or(-1) : -1, azimuth);
}

void TestDoorDatagrams::pst_data()
{
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<QByteArray>("commands");

    const QByteArray qlog = "<PST><TRACK>0</TRACK><AZIMUTH>123.4</AZIMUTH>"
                            "<ELEVATION>0.0</ELEVATION></PST>";
    QTest::newRow("QLog set") << qlog << QByteArray("turn 123");
    QTest::newRow("manual") << QByteArray("<PST><AZIMUTH>85</AZIMUTH></PST>")
                            << QByteArray("turn 85");
    QTest::newRow("Hamlib 4.6") << QByteArray("<PST><AZIMUTH>-10.000000.2</AZIMUTH></PST>")
                                << QByteArray("turn 350");
    QTest::newRow("proxy, CR LF") << QByteArray("<PST><AZIMUTH>180</AZIMUTH></PST>\r\n")
                                  << QByteArray("turn 180");
    QTest::newRow("questions") << QByteArray("<PST>AZ?</PST>") << QByteArray("az?");
    QTest::newRow("EL?") << QByteArray("<PST>EL?</PST>") << QByteArray("el?");
    QTest::newRow("stop") << QByteArray("<PST><STOP>1</STOP></PST>") << QByteArray("stop");
    QTest::newRow("stop 0") << QByteArray("<PST><STOP>0</STOP></PST>") << QByteArray();
    QTest::newRow("stop, then turn, in order")
        << QByteArray("<PST><STOP>1</STOP><AZIMUTH>90</AZIMUTH>AZ?</PST>")
        << QByteArray("stop|turn 90|az?");
    QTest::newRow("the last of a kind counts")
        << QByteArray("<AZIMUTH>10</AZIMUTH><AZIMUTH>20</AZIMUTH>AZ?AZ?AZ?")
        << QByteArray("turn 20|az?");
    QTest::newRow("park and locator: not here")
        << QByteArray("<PST><PARK>1</PARK><QRA>KN34BJ</QRA></PST>") << QByteArray();
    QTest::newRow("AZ? inside a value means nothing")
        << QByteArray("<PST><QRA>AZ?</QRA></PST>") << QByteArray();
    QTest::newRow("out of range") << QByteArray("<PST><AZIMUTH>1e308</AZIMUTH></PST>")
                                  << QByteArray();
    QTest::newRow("beyond 720") << QByteArray("<PST><AZIMUTH>721</AZIMUTH></PST>") << QByteArray();
    QTest::newRow("no number") << QByteArray("<PST><AZIMUTH>north</AZIMUTH></PST>") << QByteArray();
    QTest::newRow("unclosed") << QByteArray("<PST><AZIMUTH>85</PST>") << QByteArray();
    QTest::newRow("nested") << QByteArray("<AZIMUTH><AZIMUTH>85</AZIMUTH></AZIMUTH>")
                            << QByteArray();
    QTest::newRow("lower case") << QByteArray("<pst><azimuth>85</azimuth></pst>") << QByteArray();
    QTest::newRow("N1MM's packet")
        << QByteArray("<N1MMRotor><goazi>55.0</goazi></N1MMRotor>") << QByteArray();
    QTest::newRow("empty") << QByteArray() << QByteArray();
    QTest::newRow("binary") << binary() << QByteArray();
    QTest::newRow("64 KiB") << QByteArray("<AZIMUTH>85</AZIMUTH>").leftJustified(64 * 1024, ' ')
                            << QByteArray();
    QTest::newRow("2 KiB is the limit")
        << QByteArray("<AZIMUTH>85</AZIMUTH>").leftJustified(PstDatagram::kMaxSize, '<')
        << QByteArray("turn 85");
}

void TestDoorDatagrams::pst()
{
    QFETCH(QByteArray, datagram);
    QFETCH(QByteArray, commands);
    QCOMPARE(written(PstDatagram::parse(datagram)), commands);
}

void TestDoorDatagrams::n1mm_data()
{
    QTest::addColumn<QByteArray>("datagram");
    QTest::addColumn<QByteArray>("command");

    QTest::newRow("turn") << QByteArray("<N1MMRotor><rotor>Beam20</rotor><goazi>55.0</goazi>"
                                        "<offset>0.0</offset><bidirectional>0</bidirectional>"
                                        "<freqband>14</freqband></N1MMRotor>")
                          << QByteArray("turn 55 [Beam20]");
    QTest::newRow("comma, no name")
        << QByteArray("<N1MMRotor><goazi>55,5</goazi></N1MMRotor>") << QByteArray("turn 56 []");
    QTest::newRow("stop") << QByteArray("<N1MMRotor><stop><rotor>YaesuCom9</rotor>"
                                        "<freqband>21.0</freqband></stop></N1MMRotor>")
                          << QByteArray("stop [YaesuCom9]");
    QTest::newRow("stop wins") << QByteArray("<goazi>10</goazi><stop>") << QByteArray("stop []");
    QTest::newRow("name made one safe line")
        << QByteArray("<rotor> Beam\r\n@20 </rotor><goazi>5</goazi>")
        << QByteArray("turn 5 [Beam 20]");
    QTest::newRow("beyond 720") << QByteArray("<goazi>800</goazi>") << QByteArray("none");
    QTest::newRow("no number") << QByteArray("<goazi>x</goazi>") << QByteArray("none");
    QTest::newRow("nested") << QByteArray("<goazi><goazi>5</goazi></goazi>") << QByteArray("none");
    QTest::newRow("PST's packet") << QByteArray("<PST><AZIMUTH>85</AZIMUTH></PST>")
                                  << QByteArray("none");
    QTest::newRow("empty") << QByteArray() << QByteArray("none");
    QTest::newRow("binary") << binary() << QByteArray("none");
    QTest::newRow("64 KiB") << QByteArray("<goazi>5</goazi><stop>").leftJustified(64 * 1024, ' ')
                            << QByteArray("none");
}

void TestDoorDatagrams::n1mm()
{
    QFETCH(QByteArray, datagram);
    QFETCH(QByteArray, command);
    QCOMPARE(written(N1mmDatagram::parse(datagram)), command);
    QCOMPARE(N1mmDatagram::heading(QStringLiteral("Beam20"), 146), QByteArray("Beam20 @ 1460"));
}

void TestDoorDatagrams::repeatedTarget_data()
{
    // Events in order: "set 90" (the door set it), "stop", "seen 45" (a report), and
    // "P 90 r c" (a set, with the reported and commanded azimuths): its decision, 1 a repeat.
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<QString>("decisions");

    QTest::newRow("first set drives") << QStringList{"P 90 45 -1"} << "0";
    QTest::newRow("on its way") << QStringList{"set 90", "P 90 45 90", "P 90 60 90"} << "11";
    QTest::newRow("another azimuth") << QStringList{"set 90", "P 91 45 90"} << "0";
    QTest::newRow("a stop since") << QStringList{"set 90", "stop", "P 90 45 90"} << "0";
    QTest::newRow("someone else's command") << QStringList{"set 90", "P 90 45 120"} << "0";
    QTest::newRow("never reports") << QStringList{"set 90", "P 90 -1 90", "P 90 -1 90"} << "11";
    QTest::newRow("arrived and still there")
        << QStringList{"set 90", "P 90 90 90", "seen 90", "P 90 90 90"} << "11";
    QTest::newRow("arrived, moved away since")
        << QStringList{"set 90", "seen 90", "seen 150", "P 90 150 90"} << "0";
}

void TestDoorDatagrams::repeatedTarget()
{
    QFETCH(QStringList, events);
    QFETCH(QString, decisions);
    RepeatedTarget target;
    QString decided;
    for (const QString &event : events) {
        const QStringList words = event.split(u' ');
        if (words[0] == u"set")
            target.setSent(words[1].toInt());
        else if (words[0] == u"stop")
            target.stopped();
        else if (words[0] == u"seen")
            target.observe(words[1].toInt());
        else
            decided +=
                target.isRepeat(words[1].toInt(), words[2].toInt(), words[3].toInt()) ? u'1' : u'0';
    }
    QCOMPARE(decided, decisions);
}

QTEST_GUILESS_MAIN(TestDoorDatagrams)
#include "tst_doordatagrams.moc"
