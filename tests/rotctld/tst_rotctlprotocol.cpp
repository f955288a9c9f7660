#include "rotctld/RotctlParser.h"
#include "rotctld/RotctlReply.h"

#include <QtTest>

using Kind = RotctlCommand::Kind;

namespace {
// "set_pos 10 5", and for the extended form the separator after a "+": "get_pos +;".
QByteArray describe(const RotctlCommand &command)
{
    QByteArray text = command.longName();
    for (const QByteArray &argument : command.arguments)
        text += ' ' + argument;
    if (command.extended)
        text += command.separator == '\n' ? QByteArray(" +\\n")
                                          : " +" + QByteArray(1, command.separator);
    return text;
}

QByteArrayList parseAll(RotctlParser &parser, QByteArrayView input)
{
    QByteArrayList commands;
    qsizetype pos = 0;
    while (pos < input.size()) {
        if (const std::optional<RotctlCommand> command = parser.next(input, pos))
            commands << describe(*command);
    }
    return commands;
}

RotctlCommand commandFrom(const QByteArray &text)
{
    RotctlParser parser;
    qsizetype pos = 0;
    const QByteArray line = text + '\n';
    const std::optional<RotctlCommand> command = parser.next(line, pos);
    return command.value_or(RotctlCommand{});
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
    QTest::addColumn<QByteArrayList>("commands");

    const QByteArray getPos = "get_pos";
    QTest::newRow("p") << QByteArray("p\n") << QByteArrayList{getPos};
    QTest::newRow("p, no line end") << QByteArray("p") << QByteArrayList{getPos};
    QTest::newRow("CR LF") << QByteArray("p\r\nP 10.0 0.0\r\n")
                           << QByteArrayList{getPos, "set_pos 10.0 0.0"};
    QTest::newRow("blanks of every kind")
        << QByteArray("\tp\vp\fp  \n") << QByteArrayList{getPos, getPos, getPos};
    QTest::newRow("several on a line")
        << QByteArray("P 10 5 p\n") << QByteArrayList{"set_pos 10 5", getPos};
    QTest::newRow("CR only") << QByteArray("P\r10\r5\rp\r")
                             << QByteArrayList{"set_pos 10 5", getPos};
    QTest::newRow("letters need no blank")
        << QByteArray("pSK_\n") << QByteArrayList{getPos, "stop", "park", "get_info"};
    QTest::newRow("argument right after P")
        << QByteArray("P10 0\n") << QByteArrayList{"set_pos 10 0"};
    QTest::newRow("comma decimal") << QByteArray("P 45,5 0\n") << QByteArrayList{"set_pos 45,5 0"};
    QTest::newRow("missing arguments wait") << QByteArray("P 10\n") << QByteArrayList{};
    QTest::newRow("last argument not ended") << QByteArray("P 10 5") << QByteArrayList{};
    QTest::newRow("arguments over lines")
        << QByteArray("P 10\n\n\r\n5\n") << QByteArrayList{"set_pos 10 5"};
    QTest::newRow("long names")
        << QByteArray("\\set_pos 20 0\n\\get_pos\n\\stop\n\\park\n\\get_info\n\\dump_state\n")
        << QByteArrayList{"set_pos 20 0", getPos, "stop", "park", "get_info", "dump_state"};
    QTest::newRow("long name not ended") << QByteArray("\\get_pos") << QByteArrayList{};
    QTest::newRow("comment line") << QByteArray("#p S\np\n") << QByteArrayList{getPos};
    QTest::newRow("comment after a command, ended by CR")
        << QByteArray("p # S\rS\n") << QByteArrayList{getPos, "stop"};
    QTest::newRow("unknown commands vanish")
        << QByteArray("\\chk_vfo\nx z M 1 2\n\\get_posx\n\\P 1 2\n\\\n?\np\n")
        << QByteArrayList{getPos};
    QTest::newRow("binary bytes") << QByteArray("\x00\xff\x80p\n", 5) << QByteArrayList{getPos};
    QTest::newRow("quit") << QByteArray("p\nq\nQ\n+q\n")
                          << QByteArrayList{getPos, "quit", "quit", "quit +\\n"};
    QTest::newRow("+") << QByteArray("+p\n+P 90 0\n+\\get_info\n")
                       << QByteArrayList{"get_pos +\\n", "set_pos 90 0 +\\n", "get_info +\\n"};
    QTest::newRow("punctuation separators")
        << QByteArray(";p\n|p\n,p\n-S\n;\\dump_state\n")
        << QByteArrayList{"get_pos +;", "get_pos +|", "get_pos +,", "stop +-", "dump_state +;"};
    QTest::newRow("+ then a separator")
        << QByteArray("+;p\n++p\n") << QByteArrayList{"get_pos +;", "get_pos ++"};
    QTest::newRow("_ # \\ are commands, not separators")
        << QByteArray("_\n#p\n\\stop\n") << QByteArrayList{"get_info", "stop"};
    QTest::newRow("prefix before a blank is forgotten")
        << QByteArray("+ p\n+\np\n;;p\n") << QByteArrayList{getPos, getPos, getPos};
    QTest::newRow("prefix before a comment") << QByteArray("+#p\np\n") << QByteArrayList{getPos};
}

void TestRotctlProtocol::parse()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArrayList, commands);

    RotctlParser whole;
    QCOMPARE(parseAll(whole, input), commands);
    QVERIFY(!whole.lineTooLong());

    // TCP may split anywhere: byte by byte must give the same commands.
    RotctlParser split;
    QByteArrayList pieces;
    for (char c : input)
        pieces << parseAll(split, QByteArrayView(&c, 1));
    QCOMPARE(pieces, commands);
}

void TestRotctlProtocol::lineLimit_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("commands");
    QTest::addColumn<bool>("tooLong");

    const qsizetype max = RotctlParser::kMaxLineLength;
    QTest::newRow("longest line") << QByteArray(max, 'x') + "\np\n" << 1 << false;
    QTest::newRow("one byte more") << QByteArray(max + 1, 'x') + "\np\n" << 0 << true;
    QTest::newRow("CR ends a line too")
        << QByteArray(max, 'x') + '\r' + QByteArray(max, 'x') + "\np" << 1 << false;
    QTest::newRow("arguments on long lines")
        << "P " + QByteArray(max - 2, '1') + '\n' + QByteArray(max, '2') + '\n'
        << 1 << false;
    QTest::newRow("a megabyte of p") << QByteArray(1 << 20, 'p') << int(max) << true;
}

void TestRotctlProtocol::lineLimit()
{
    QFETCH(QByteArray, input);
    QFETCH(int, commands);
    QFETCH(bool, tooLong);

    RotctlParser parser;
    QCOMPARE(parseAll(parser, input).size(), commands);
    QCOMPARE(parser.lineTooLong(), tooLong);
}

void TestRotctlProtocol::azimuth_data()
{
    QTest::addColumn<QByteArray>("azimuth");
    QTest::addColumn<QByteArray>("elevation");
    QTest::addColumn<int>("degrees"); // -1: refused

    QTest::newRow("whole") << QByteArray("45") << QByteArray("0") << 45;
    QTest::newRow("gpredict") << QByteArray("45.00") << QByteArray("30.25") << 45;
    QTest::newRow("rounded up") << QByteArray("45.5") << QByteArray("0") << 46;
    QTest::newRow("rounded down") << QByteArray("45.49") << QByteArray("0") << 45;
    QTest::newRow("comma") << QByteArray("45,5") << QByteArray("0,0") << 46;
    QTest::newRow("360") << QByteArray("360") << QByteArray("0") << 0;
    QTest::newRow("359.6") << QByteArray("359.6") << QByteArray("0") << 0;
    QTest::newRow("-90") << QByteArray("-90") << QByteArray("0") << 270;
    QTest::newRow("-0.4") << QByteArray("-0.4") << QByteArray("0") << 0;
    QTest::newRow("-180.0 (cqrlog)") << QByteArray("-180.0") << QByteArray("0") << 180;
    QTest::newRow("450") << QByteArray("450") << QByteArray("0") << 90;
    QTest::newRow("huge") << QByteArray("1000000000000045") << QByteArray("0") << 325;
    QTest::newRow("huge negative") << QByteArray("-1000000000000090") << QByteArray("0") << 350;
    QTest::newRow("exponent") << QByteArray("1.5e1") << QByteArray("0") << 15;
    QTest::newRow("plus sign") << QByteArray("+5") << QByteArray("0") << 5;
    QTest::newRow("letters") << QByteArray("abc") << QByteArray("0") << -1;
    QTest::newRow("trailing letters") << QByteArray("10abc") << QByteArray("0") << -1;
    QTest::newRow("hex") << QByteArray("0x10") << QByteArray("0") << -1;
    QTest::newRow("two commas") << QByteArray("4,5,5") << QByteArray("0") << -1;
    QTest::newRow("nan") << QByteArray("nan") << QByteArray("0") << -1;
    QTest::newRow("inf") << QByteArray("inf") << QByteArray("0") << -1;
    QTest::newRow("overflow") << QByteArray("1e400") << QByteArray("0") << -1;
    QTest::newRow("elevation not a number") << QByteArray("10") << QByteArray("abc") << -1;
    QTest::newRow("elevation infinite") << QByteArray("10") << QByteArray("-inf") << -1;
    QTest::newRow("elevation out of any range") << QByteArray("10") << QByteArray("500") << 10;
}

void TestRotctlProtocol::azimuth()
{
    QFETCH(QByteArray, azimuth);
    QFETCH(QByteArray, elevation);
    QFETCH(int, degrees);

    const RotctlCommand command{Kind::SetPosition, {azimuth, elevation}};
    QCOMPARE(command.azimuth().value_or(-1), degrees);
}

void TestRotctlProtocol::reply_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QString>("result"); // position:AZ, info:SUMMARY, dumpState, status:CODE
    QTest::addColumn<QByteArray>("bytes");

    const QByteArray block = "1\n2\nmin_az=0.000000\nmax_az=360.000000\nmin_el=0.000000\n"
                             "max_el=0.000000\nsouth_zero=0\nrot_type=Az\ndone\n";
    const QByteArray labelled = "dump_state:%rotctld Protocol Ver: 1%Rotor Model: 2%"
                                "Minimum Azimuth: 0.000000%Maximum Azimuth: 360.000000%"
                                "Minimum Elevation: 0.000000%Maximum Elevation: 0.000000%"
                                "South Zero: 0%rot_type=Az%done%RPRT 0\n";
    const QString prosistel = QStringLiteral("info:PROSISTEL D - COM: 1 - n,8,1 - 9600");

    QTest::newRow("p") << QByteArray("p") << "position:45" << QByteArray("45.00\n0.00\n");
    QTest::newRow("p 359") << QByteArray("\\get_pos") << "position:359"
                           << QByteArray("359.00\n0.00\n");
    QTest::newRow("p unknown") << QByteArray("p") << "status:-11" << QByteArray("RPRT -11\n");
    QTest::newRow("p absent") << QByteArray("p") << "status:-6" << QByteArray("RPRT -6\n");
    QTest::newRow("+p") << QByteArray("+p") << "position:45"
                        << QByteArray("get_pos:\nAzimuth: 45.00\nElevation: 0.00\nRPRT 0\n");
    QTest::newRow(";p") << QByteArray(";p") << "position:45"
                        << QByteArray("get_pos:;Azimuth: 45.00;Elevation: 0.00;RPRT 0\n");
    QTest::newRow("|p") << QByteArray("|p") << "position:7"
                        << QByteArray("get_pos:|Azimuth: 7.00|Elevation: 0.00|RPRT 0\n");
    QTest::newRow("+p absent") << QByteArray("+p") << "status:-6"
                               << QByteArray("get_pos:\nRPRT -6\n");
    QTest::newRow(";p absent") << QByteArray(";p") << "status:-6"
                               << QByteArray("get_pos:;RPRT -6\n");
    QTest::newRow("P") << QByteArray("P 90 0") << "status:0" << QByteArray("RPRT 0\n");
    QTest::newRow("P invalid") << QByteArray("P abc 0") << "status:-1" << QByteArray("RPRT -1\n");
    QTest::newRow("+P") << QByteArray("+P 90 0") << "status:0"
                        << QByteArray("set_pos: 90 0\nRPRT 0\n");
    QTest::newRow("+P as typed") << QByteArray("+\\set_pos 45,5 0") << "status:0"
                                 << QByteArray("set_pos: 45,5 0\nRPRT 0\n");
    QTest::newRow(";P invalid") << QByteArray(";P abc 0") << "status:-1"
                                << QByteArray("set_pos: abc 0;RPRT -1\n");
    QTest::newRow("S") << QByteArray("S") << "status:0" << QByteArray("RPRT 0\n");
    QTest::newRow("S no stop") << QByteArray("\\stop") << "status:-11" << QByteArray("RPRT -11\n");
    QTest::newRow("+S") << QByteArray("+S") << "status:0" << QByteArray("stop:\nRPRT 0\n");
    QTest::newRow("+K") << QByteArray("+K") << "status:-11" << QByteArray("park:\nRPRT -11\n");
    QTest::newRow("_") << QByteArray("_") << prosistel << QByteArray("SorvikDDE PROSISTEL D\n");
    QTest::newRow("+\\get_info") << QByteArray("+\\get_info") << prosistel
                                 << QByteArray("get_info:\nInfo: SorvikDDE PROSISTEL D\nRPRT 0\n");
    QTest::newRow(";_") << QByteArray(";_") << prosistel
                        << QByteArray("get_info:;Info: SorvikDDE PROSISTEL D;RPRT 0\n");
    QTest::newRow("_ empty summary") << QByteArray("_") << "info:" << QByteArray("SorvikDDE\n");
    QTest::newRow("_ no port part")
        << QByteArray("_") << "info:ROTOR-EZ" << QByteArray("SorvikDDE ROTOR-EZ\n");
    QTest::newRow("_ stays one line")
        << QByteArray("_") << "info:DCU-1\r\nX\t - COM: 2 - n,8,1 - 4800"
        << QByteArray("SorvikDDE DCU-1 X\n");
    QTest::newRow("_ absent") << QByteArray("_") << "status:-6" << QByteArray("RPRT -6\n");
    QTest::newRow("dump_state") << QByteArray("\\dump_state") << "dumpState" << block;
    QTest::newRow("+dump_state") << QByteArray("+\\dump_state") << "dumpState"
                                 << QByteArray(labelled).replace('%', '\n');
    QTest::newRow(";dump_state") << QByteArray(";\\dump_state") << "dumpState"
                                 << QByteArray(labelled).replace('%', ';');
    QTest::newRow("dump_state absent")
        << QByteArray("\\dump_state") << "status:-6" << QByteArray("RPRT -6\n");
    QTest::newRow("+dump_state absent")
        << QByteArray("+\\dump_state") << "status:-6" << QByteArray("dump_state:\nRPRT -6\n");
}

void TestRotctlProtocol::reply()
{
    QFETCH(QByteArray, command);
    QFETCH(QString, result);
    QFETCH(QByteArray, bytes);

    const QString kind = result.section(QLatin1Char(':'), 0, 0);
    const QString value = result.section(QLatin1Char(':'), 1);
    const RotctlReply reply =
        kind == QLatin1String("position")    ? RotctlReply::position(value.toInt())
        : kind == QLatin1String("info")      ? RotctlReply::info(value)
        : kind == QLatin1String("dumpState") ? RotctlReply::dumpState()
                                             : RotctlReply::status(value.toInt());
    QCOMPARE(reply.format(commandFrom(command)), bytes);
}

QTEST_GUILESS_MAIN(TestRotctlProtocol)
#include "tst_rotctlprotocol.moc"
