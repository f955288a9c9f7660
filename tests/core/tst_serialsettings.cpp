// The settings text: what the program writes ("4800, n,8,1") and what must be refused.
#include "core/SerialSettings.h"

#include <QTest>

using Parity = SerialSettings::Parity;
using StopBits = SerialSettings::StopBits;

Q_DECLARE_METATYPE(SerialSettings)

class TestSerialSettings : public QObject
{
    Q_OBJECT
private slots:
    void accepted_data();
    void accepted();
    void refused_data();
    void refused();
};

void TestSerialSettings::accepted_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<SerialSettings>("expected");
    const auto s = [](int baud, Parity parity, int bits, StopBits stop) {
        return SerialSettings{baud, parity, bits, stop};
    };
    QTest::newRow("blank after the first comma")
        << "4800, n,8,1" << s(4800, Parity::None, 8, StopBits::One);
    QTest::newRow("no blank, upper case")
        << "9600,N,8,1" << s(9600, Parity::None, 8, StopBits::One);
    QTest::newRow("even 7 2") << "1200, E,7,2" << s(1200, Parity::Even, 7, StopBits::Two);
    QTest::newRow("even lower") << "1200,e,7,2" << s(1200, Parity::Even, 7, StopBits::Two);
    QTest::newRow("odd 1.5") << "2400, o,5,1.5" << s(2400, Parity::Odd, 5, StopBits::OneAndHalf);
    QTest::newRow("mark") << "19200,M,6,1" << s(19200, Parity::Mark, 6, StopBits::One);
    QTest::newRow("space lower") << "38400,s,8,2" << s(38400, Parity::Space, 8, StopBits::Two);
    QTest::newRow("blanks after every comma")
        << "4800,  n,  8,  1" << s(4800, Parity::None, 8, StopBits::One);
    QTest::newRow("beyond 16 bits") << "115200, n,8,1" << s(115200, Parity::None, 8, StopBits::One);
    QTest::newRow("leading zero") << "09600,n,8,1" << s(9600, Parity::None, 8, StopBits::One);
}

void TestSerialSettings::accepted()
{
    QFETCH(QString, text);
    QFETCH(SerialSettings, expected);
    const std::optional<SerialSettings> settings = SerialSettings::parse(text);
    QVERIFY(settings.has_value());
    QCOMPARE(settings->baud, expected.baud);
    QCOMPARE(settings->parity, expected.parity);
    QCOMPARE(settings->dataBits, expected.dataBits);
    QCOMPARE(settings->stopBits, expected.stopBits);
}

void TestSerialSettings::refused_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << "";
    QTest::newRow("blanks only") << "   ";
    QTest::newRow("no baud") << "E,7,2";
    QTest::newRow("empty baud") << ", n,8,1";
    QTest::newRow("baud 0") << "0, n,8,1";
    QTest::newRow("negative baud") << "-4800, n,8,1";
    QTest::newRow("baud too long") << "12345678, n,8,1";
    QTest::newRow("fractional baud") << "4800.5, n,8,1";
    QTest::newRow("other-script digits") << QString::fromUtf8("٤٨٠٠, n,8,1");
    QTest::newRow("blank before a comma") << "4800 , n,8,1";
    QTest::newRow("leading blank") << " 4800, n,8,1";
    QTest::newRow("trailing blank") << "4800, n,8,1 ";
    QTest::newRow("tab after comma") << "4800,\tn,8,1";
    QTest::newRow("parity X") << "4800, x,8,1";
    QTest::newRow("parity word") << "4800, none,8,1";
    QTest::newRow("4 data bits") << "4800, n,4,1";
    QTest::newRow("9 data bits") << "4800, n,9,1";
    QTest::newRow("stop 0") << "4800, n,8,0";
    QTest::newRow("stop 3") << "4800, n,8,3";
    QTest::newRow("stop 1.") << "4800, n,8,1.";
    QTest::newRow("stop 1,5") << "4800, n,8,1,5";
    QTest::newRow("too few fields") << "4800, n,8";
    QTest::newRow("extra field") << "4800, n,8,1,x";
    QTest::newRow("semicolons") << "4800; n;8;1";
    QTest::newRow("garbage") << "hello";
}

void TestSerialSettings::refused()
{
    QFETCH(QString, text);
    QVERIFY(!SerialSettings::parse(text).has_value());
}

QTEST_GUILESS_MAIN(TestSerialSettings)
#include "tst_serialsettings.moc"
