#include "core/Int16.h"

#include <QTest>

#include <optional>

Q_DECLARE_METATYPE(std::optional<qint16>)

class TestInt16 : public QObject
{
    Q_OBJECT
private slots:
    void conversion_data();
    void conversion();
};

void TestInt16::conversion_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<qint16>>("expected");
    const std::optional<qint16> fails;
    auto row = [](const char *name, const QString &text, std::optional<qint16> expected) {
        QTest::newRow(name) << text << expected;
    };

    row("zero", "0", 0);
    row("plain", "250", 250);
    row("leading zeros", "0001", 1);
    row("many leading zeros", "0000000000032767", 32767);
    row("plus sign", "+5", 5);
    row("minus sign", "-5", -5);
    row("minus zero", "-0", 0);
    row("blanks around", "  42  ", 42);
    row("tabs around", "\t7\t", 7);
    row("line end after", "9\r\n", 9);

    row("1.5 up to even", "1.5", 2);
    row("2.5 down to even", "2.5", 2);
    row("3.5 up to even", "3.5", 4);
    row("0.5 down to zero", "0.5", 0);
    row("-1.5 to even", "-1.5", -2);
    row("-2.5 to even", "-2.5", -2);
    row("below half", "1.49", 1);
    row("above half", "1.51", 2);
    row("half then more digits", "2.500001", 3);
    row("half with trailing zeros", "2.5000", 2);
    row("fraction only", ".6", 1);
    row("negative fraction only", "-.6", -1);
    row("negative half to zero", "-.5", 0);
    row("point without fraction", "12.", 12);
    row("long fraction", "7.99999999999999999999", 8);

    row("upper limit", "32767", 32767);
    row("lower limit", "-32768", -32768);
    row("above upper limit", "32768", fails);
    row("below lower limit", "-32769", fails);
    row("upper limit plus below half", "32767.4", 32767);
    row("upper limit plus half rounds out", "32767.5", fails);
    row("even below limit rounds down", "32766.5", 32766);
    row("lower limit minus half to even", "-32768.5", -32768);
    row("lower limit minus more than half", "-32768.6", fails);
    row("seven digits", "1000000", fails);
    row("huge", "99999999999999999999999", fails);

    row("empty", "", fails);
    row("blanks only", "   ", fails);
    row("letters", "abc", fails);
    row("number then letters", "12a", fails);
    row("lone minus", "-", fails);
    row("lone plus", "+", fails);
    row("lone point", ".", fails);
    row("sign and point", "-.", fails);
    row("two signs", "+-1", fails);
    row("double minus", "--1", fails);
    row("blank after sign", "- 1", fails);
    row("blank inside", "1 2", fails);
    row("decimal comma", "1,5", fails);
    row("two points", "1.2.3", fails);
    row("exponent", "1e3", fails);
    row("hexadecimal", "0x10", fails);
    row("fullwidth digit", QStringLiteral("\uFF15"), fails);
    row("arabic-indic digits", QStringLiteral("\u0661\u0662"), fails);
    row("superscript digit", QStringLiteral("\u00B2"), fails);
}

void TestInt16::conversion()
{
    QFETCH(QString, text);
    QFETCH(std::optional<qint16>, expected);
    QCOMPARE(toInt16(text), expected);
}

QTEST_APPLESS_MAIN(TestInt16)
#include "tst_int16.moc"
