#include "doors/DoorValue.h"
#include "doors/N1mmDatagram.h"
#include "doors/PstDatagram.h"
#include "doors/RepeatedTarget.h"

#include <QtTest>

namespace {
// "turn 85|stop|az?|el?", as the tables write what a datagram asks.
QByteArray written(const QList<PstCommand> &commands)
{
    static const char *const kinds[] = {"turn ", "stop", "az?", "el?"};
    QByteArrayList parts;
    for (const PstCommand &command : commands)
        parts << kinds[int(command.kind)] +
                     (command.azimuth < 0 ? QByteArray() : QByteArray::number(command.azimuth));
    return parts.join('|');
}

QByteArray written(const std::optional<N1mmCommand> &command)
{
    if (!command)
        return "none";
    const QByteArray turn = "turn " + QByteArray::number(command->azimuth);
    return (command->kind == N1mmCommand::Kind::Stop ? "stop" : turn) + " [" +
           command->rotor.toUtf8() + ']';
}

// What nobody sends: every byte value, a datagram past the limit.
const QByteArray kBinary = [] {
    QByteArray bytes;
    for (int i = 0; i < 512; ++i)
        bytes += char(i * 37 % 256);
    return bytes;
}();
QByteArray huge(const QByteArray &start)
{
    return start.leftJustified(64 * 1024, ' ');
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

    const std::pair<const char *, const char *> rows[] = {
        {"<PST><TRACK>0</TRACK><AZIMUTH>123.4</AZIMUTH><ELEVATION>0.0</ELEVATION></PST>",
         "turn 123"},                                               // QLog
        {"<PST><AZIMUTH>-10.000000.2</AZIMUTH></PST>", "turn 350"}, // Hamlib 4.6
        {"<PST><AZIMUTH>180</AZIMUTH></PST>\r\n", "turn 180"},      // ham-apps-proxy
        {"<PST>AZ?</PST>", "az?"},
        {"<PST>EL?</PST>", "el?"},
        {"<PST><STOP>1</STOP></PST>", "stop"},
        {"<PST><STOP>0</STOP></PST>", ""},
        {"<PST><STOP>1</STOP><AZIMUTH>90</AZIMUTH>AZ?</PST>", "stop|turn 90|az?"},
        {"<AZIMUTH>10</AZIMUTH><AZIMUTH>20</AZIMUTH>AZ?AZ?AZ?", "turn 20|az?"},
        {"<PST><PARK>1</PARK><QRA>KN34BJ</QRA></PST>", ""},
        {"<PST><QRA>AZ?</QRA></PST>", ""},
        {"<PST><AZIMUTH>1e308</AZIMUTH></PST>", ""},
        {"<PST><AZIMUTH>721</AZIMUTH></PST>", ""},
        {"<PST><AZIMUTH>north</AZIMUTH></PST>", ""},
        {"<PST><AZIMUTH>85</PST>", ""},
        {"<AZIMUTH><AZIMUTH>85</AZIMUTH></AZIMUTH>", ""},
        {"<pst><azimuth>85</azimuth></pst>", ""},
        {"<N1MMRotor><goazi>55.0</goazi></N1MMRotor>", ""},
        {"", ""},
    };
    for (const auto &[datagram, commands] : rows)
        QTest::addRow("%s", datagram) << QByteArray(datagram) << QByteArray(commands);
    QTest::newRow("binary") << kBinary << QByteArray();
    QTest::newRow("64 KiB") << huge("<AZIMUTH>85</AZIMUTH>") << QByteArray();
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

    const std::pair<const char *, const char *> rows[] = {
        {"<N1MMRotor><rotor>Beam20</rotor><goazi>55.0</goazi><offset>0.0</offset>"
         "<bidirectional>0</bidirectional><freqband>14</freqband></N1MMRotor>",
         "turn 55 [Beam20]"},
        {"<N1MMRotor><goazi>55,5</goazi></N1MMRotor>", "turn 56 []"},
        {"<N1MMRotor><stop><rotor>YaesuCom9</rotor><freqband>21.0</freqband></stop></N1MMRotor>",
         "stop [YaesuCom9]"},
        {"<goazi>10</goazi><stop>", "stop []"},
        {"<rotor> Beam\r\n@20 </rotor><goazi>5</goazi>", "turn 5 [Beam 20]"},
        {"<goazi>800</goazi>", "none"},
        {"<goazi>x</goazi>", "none"},
        {"<goazi><goazi>5</goazi></goazi>", "none"},
        {"<PST><AZIMUTH>85</AZIMUTH></PST>", "none"},
        {"", "none"},
    };
    for (const auto &[datagram, command] : rows)
        QTest::addRow("%s", datagram) << QByteArray(datagram) << QByteArray(command);
    QTest::newRow("binary") << kBinary << QByteArray("none");
    QTest::newRow("64 KiB") << huge("<goazi>5</goazi><stop>") << QByteArray("none");
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
