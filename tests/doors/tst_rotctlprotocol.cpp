#include "doors/RotctlParser.h"
#include "doors/RotctlReply.h"

#include <QtTest>

namespace {
// Commands as "set_pos 10 5|get_pos"; the extended form adds its separator: "get_pos +;".
QByteArray parseAll(RotctlParser &parser, QByteArrayView input)
{
    QByteArrayList commands;
    qsizetype pos = 0;
    while (pos < input.size()) {
        if (const std::optional<RotctlCommand> command = parser.next(input, pos)) {
            QByteArray text = command->longName();
            for (const QByteArray &argument : command->arguments)
                text += ' ' + argument;
            if (command->extended)
                text +=
                    " +" + (command->separator == '\n' ? "\\n" : QByteArray(1, command->separator));
            commands << text;
        }
    }
    return commands.join('|');
}

QByteArray visible(const char *bytes)
{
    return QByteArray(bytes).replace('\n', "\\n").replace('\r', "\\r");
}
} // namespace

// The protocol as bytes: what a client's stream means, and the exact bytes each result answers.
class TestRotctlProtocol : public QObject
{
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void lineLimit_data();
    void lineLimit();
    void azimuth_data();
    void azimuth();
    void reply_data();
    void reply();
};

void TestRotctlProtocol::parse_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("commands");

    const std::pair<const char *, const char *> rows[] = {
        {"p", "get_pos"},
        {"p\r\nP 10.0 0.0\r\n", "get_pos|set_pos 10.0 0.0"},
        {"\tp\vp\fp  \n", "get_pos|get_pos|get_pos"},
        {"P 10 5 p\n", "set_pos 10 5|get_pos"},
        {"P\r10\r5\rp\r", "set_pos 10 5|get_pos"},
        {"pSK_\n", "get_pos|stop|park|get_info"},
        {"P10 0\n", "set_pos 10 0"},
        {"P 45,5 0\n", "set_pos 45,5 0"},
        {"P 10\n", ""},
        {"P 10 5", ""},
        {"P 10\n\n\r\n5\n", "set_pos 10 5"},
        {"\\set_pos 20 0\n\\get_pos\n\\stop\n\\park\n\\get_info\n\\dump_state\n",
         "set_pos 20 0|get_pos|stop|park|get_info|dump_state"},
        {"\\get_pos", ""},
        {"#p S\np # S\rS\n", "get_pos|stop"},
        {"M 8 50\nR 1\n\\move 2 5\n\\reset 0\n", "move 8 50|reset 1|move 2 5|reset 0"},
        {"\\chk_vfo\nx z 1 2\n\\get_posx\n\\P 1 2\n\\\n?\n\xff\x80p\n", "get_pos"},
        {"p\nq\nQ\n+q\n", "get_pos|quit|quit|quit +\\n"},
        {"+p\n+P 90 0\n+\\get_info\n", "get_pos +\\n|set_pos 90 0 +\\n|get_info +\\n"},
        {";p\n|p\n,p\n-S\n;\\dump_state\n",
         "get_pos +;|get_pos +||get_pos +,|stop +-|dump_state +;"},
        {"+;p\n++p\n", "get_pos +;|get_pos ++"},
        {"+ p\n+\np\n;;p\n+#p\n", "get_pos|get_pos|get_pos"},
    };
    for (const auto &[input, commands] : rows)
        QTest::addRow("%s", visible(input).constData())
            << QByteArray(input) << QByteArray(commands);
}

void TestRotctlProtocol::parse()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, commands);

    RotctlParser whole;
    QCOMPARE(parseAll(whole, input), commands);
    QVERIFY(!whole.lineTooLong());
    // TCP may split anywhere: byte by byte gives the same commands.
    RotctlParser split;
    QByteArrayList pieces;
    for (char c : input)
        pieces << parseAll(split, QByteArrayView(&c, 1));
    pieces.removeAll(QByteArray());
    QCOMPARE(pieces.join('|'), commands);
}

void TestRotctlProtocol::lineLimit_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("commands");
    QTest::addColumn<bool>("tooLong");

    const qsizetype max = RotctlParser::kMaxLineLength;
    QTest::newRow("longest line") << QByteArray(max, 'x') + "\np\n" << 1 << false;
    QTest::newRow("one byte more") << QByteArray(max + 1, 'x') + "\np\n" << 0 << true;
    QTest::newRow("CR ends a line")
        << QByteArray(max, 'x') + '\r' + QByteArray(max, 'x') + "\np" << 1 << false;
    QTest::newRow("a megabyte of p") << QByteArray(1 << 20, 'p') << int(max) << true;
}

void TestRotctlProtocol::lineLimit()
{
    QFETCH(QByteArray, input);
    QFETCH(int, commands);
    QFETCH(bool, tooLong);

    RotctlParser parser;
    const QByteArray parsed = parseAll(parser, input);
    QCOMPARE(parsed.isEmpty() ? 0 : parsed.count('|') + 1, commands);
    QCOMPARE(parser.lineTooLong(), tooLong);
}

void TestRotctlProtocol::azimuth_data()
{
    QTest::addColumn<QByteArray>("azimuth");
    QTest::addColumn<QByteArray>("elevation");
    QTest::addColumn<int>("degrees"); // -1: refused

    const std::tuple<const char *, const char *, int> rows[] = {
        {"45.00", "0.00", 45},
        {"45.5", "0", 46},
        {"45,5", "0,0", 46},
        {"360", "-0", 0},
        {"359.6", "0", 0},
        {"-90", "0", 270},
        {"-360", "0", 0},
        {"720", "0", 0},
        {"450", "0", 90},
        {"720.4", "0", -1},
        {"-360.6", "0", -1},
        {"1e308", "0", -1},
        {"1000000000000045", "0", -1},
        {"1.5e1", "0", 15},
        {"10", "30.25", -1}, // max_el is 0: an azimuth-only rotator
        {"10", "0.001", -1},
        {"10", "-5", -1},
        {"abc", "0", -1},
        {"10abc", "0", -1},
        {"0x10", "0", -1},
        {"nan", "0", -1},
        {"1e400", "0", -1},
        {"10", "abc", -1},
        {"10", "-inf", -1},
    };
    for (const auto &[azimuth, elevation, degrees] : rows)
        QTest::addRow("%s %s", azimuth, elevation)
            << QByteArray(azimuth) << QByteArray(elevation) << degrees;
}

void TestRotctlProtocol::azimuth()
{
    QFETCH(QByteArray, azimuth);
    QFETCH(QByteArray, elevation);
    QFETCH(int, degrees);

    const RotctlCommand command{RotctlCommand::Kind::SetPosition, {azimuth, elevation}};
    QCOMPARE(command.azimuth().value_or(-1), degrees);
}

void TestRotctlProtocol::reply_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QString>("result");
    QTest::addColumn<QByteArray>("bytes");

    const char *prosistel = "info:PROSISTEL D - COM: 1 - n,8,1 - 9600";
    const QByteArray block = "1\n2\nmin_az=0.000000\nmax_az=360.000000\nmin_el=0.000000\n"
                             "max_el=0.000000\nsouth_zero=0\nrot_type=Az\ndone\n";
    const QByteArray labelled = "dump_state:%rotctld Protocol Ver: 1%Rotor Model: 2%"
                                "Minimum Azimuth: 0.000000%Maximum Azimuth: 360.000000%"
                                "Minimum Elevation: 0.000000%Maximum Elevation: 0.000000%"
                                "South Zero: 0%rot_type=Az%done%RPRT 0\n";
    const std::tuple<const char *, const char *, QByteArray> rows[] = {
        {"p", "position:45", "45.00\n0.00\n"},
        {"\\get_pos", "status:-11", "RPRT -11\n"},
        {"+p", "position:45", "get_pos:\nAzimuth: 45.00\nElevation: 0.00\nRPRT 0\n"},
        {";p", "position:359", "get_pos:;Azimuth: 359.00;Elevation: 0.00;RPRT 0\n"},
        {"+p", "status:-6", "get_pos:\nRPRT -6\n"},
        {"P 90 0", "status:0", "RPRT 0\n"},
        {"+\\set_pos 45,5 0", "status:0", "set_pos: 45,5 0\nRPRT 0\n"},
        {";P abc 0", "status:-1", "set_pos: abc 0;RPRT -1\n"},
        {"S", "status:-11", "RPRT -11\n"},
        {"+S", "status:0", "stop:\nRPRT 0\n"},
        {"+K", "status:-11", "park:\nRPRT -11\n"},
        {"+M 8 50", "status:-11", "move: 8 50\nRPRT -11\n"},
        {";\\reset 1", "status:-11", "reset: 1;RPRT -11\n"},
        {"_", prosistel, "SorvikDDE PROSISTEL D\n"},
        {"+\\get_info", prosistel, "get_info:\nInfo: SorvikDDE PROSISTEL D\nRPRT 0\n"},
        {",_", prosistel, "get_info:,Info: SorvikDDE PROSISTEL D,RPRT 0\n"},
        {"_", "info:ROTOR-EZ", "SorvikDDE ROTOR-EZ\n"},
        {"_", "info:DCU-1\r\nX\t - COM: 2 - n,8,1 - 4800", "SorvikDDE DCU-1 X\n"},
        {"\\dump_state", "dumpState", block},
        {"+\\dump_state", "dumpState", QByteArray(labelled).replace('%', '\n')},
        {";\\dump_state", "dumpState", QByteArray(labelled).replace('%', ';')},
        {"\\dump_state", "status:-6", "RPRT -6\n"},
    };
    for (const auto &[command, result, bytes] : rows)
        QTest::addRow("%s %s", command, visible(result).constData())
            << QByteArray(command) << QString::fromLatin1(result) << bytes;
}

void TestRotctlProtocol::reply()
{
    QFETCH(QByteArray, command);
    QFETCH(QString, result);
    QFETCH(QByteArray, bytes);

    RotctlParser parser;
    qsizetype pos = 0;
    const QByteArray line = command + '\n';
    const std::optional<RotctlCommand> parsed = parser.next(line, pos);
    QVERIFY(parsed);
    const QString kind = result.section(QLatin1Char(':'), 0, 0);
    const QString value = result.section(QLatin1Char(':'), 1);
    const RotctlReply reply =
        kind == QLatin1String("position")    ? RotctlReply::position(value.toInt())
        : kind == QLatin1String("info")      ? RotctlReply::info(value)
        : kind == QLatin1String("dumpState") ? RotctlReply::dumpState()
                                             : RotctlReply::status(value.toInt());
    QCOMPARE(reply.format(*parsed), bytes);
}

QTEST_GUILESS_MAIN(TestRotctlProtocol)
#include "tst_rotctlprotocol.moc"
