#include "rotor/ReplyChunk.h"

#include <QTest>

using Status = ReplyChunk::Status;
Q_DECLARE_METATYPE(Status)

namespace {
const QString kStx(QChar(0x02));
// A Label3 that the chunk must leave alone.
const QString kUnset = QStringLiteral("<unset>");
} // namespace

// One chunk of controller replies: what the traffic box gains and what it says about the rotor.
class TestReplyChunk : public QObject
{
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
};

void TestReplyChunk::parse_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("received");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("label3");
    QTest::addColumn<Status>("status");

    const QString ready = kStx + QStringLiteral("A,?,123,R\r");
    const QString busy = kStx + QStringLiteral("A,?,123,B\r");
    QTest::newRow("ready report") << "ROTOR-EZ" << ready << "A,?,123,R\r\n"
                                  << "123" << Status::Ready;
    QTest::newRow("busy report") << "PROSISTEL D" << busy << "A,?,123,B\r\n"
                                 << "123" << Status::Busy;
    QTest::newRow("ready report, B/C model") << "PROSISTEL B/C" << ready << "A,?,123,R\r\n"
                                             << "123" << Status::Ready;

    QTest::newRow("6 characters") << "ROTOR-EZ"
                                  << "A,?,12"
                                  << "A,?,12" << kUnset << Status::None;
    QTest::newRow("7 characters") << "ROTOR-EZ"
                                  << "A,?,123"
                                  << "A,?,123"
                                  << "123" << Status::None;
    QTest::newRow("positions count after CR LF") << "ROTOR-EZ"
                                                 << "\rAB123"
                                                 << "\r\nAB123"
                                                 << "123" << Status::None;
    QTest::newRow("positions count after STX removed") << "ROTOR-EZ" << kStx + kStx + "AB,C359"
                                                       << "AB,C359"
                                                       << "359" << Status::None;
    QTest::newRow("blank among the digits") << "ROTOR-EZ"
                                            << "A,?,1 3,R"
                                            << "A,?,1 3,R" << kUnset << Status::Ready;
    QTest::newRow("latin-1 digits are not digits")
        << "ROTOR-EZ" << QString::fromLatin1("A,?,\xB9\xB2\xB3")
        << QString::fromLatin1("A,?,\xB9\xB2\xB3") << kUnset << Status::None;

    // Several frames in one read: the newest complete position counts.
    const QString frame = kStx + QStringLiteral("A,?,%1,%2\r");
    QTest::newRow("three reports, the last counts")
        << "PROSISTEL D" << frame.arg("040", "B") + frame.arg("070", "B") + frame.arg("090", "R")
        << "A,?,040,B\r\nA,?,070,B\r\nA,?,090,R\r\n"
        << "090" << Status::Ready;
    QTest::newRow("stop report behind A,G,R")
        << "PROSISTEL D" << kStx + "A,G,R\r" + frame.arg("123", "R") << "A,G,R\r\nA,?,123,R\r\n"
        << "123" << Status::Ready;
    QTest::newRow("newest with digits, a torn one after")
        << "PROSISTEL D" << frame.arg("040", "B") + frame.arg("050", "B") + kStx + "A,?,06"
        << "A,?,040,B\r\nA,?,050,B\r\nA,?,06"
        << "050" << Status::None;
    QTest::newRow("complete frames without digits")
        << "PROSISTEL D" << kStx + "A,G,R\r" + kStx + "A,S,R\r"
        << "A,G,R\r\nA,S,R\r\n"
        << kUnset << Status::Ready;
    QTest::newRow("one frame and a torn one: as before")
        << "PROSISTEL D" << frame.arg("040", "B") + kStx + "A,?,05"
        << "A,?,040,B\r\nA,?,05"
        << "040" << Status::None;
    QTest::newRow("B/C 123") << "PROSISTEL B/C"
                             << "123\r"
                             << "AZ: 053\r\n"
                             << "123" << Status::None;
    QTest::newRow("B/C 075") << "BIG-BOY B/C"
                             << "075\r"
                             << "AZ: 005\r\n"
                             << "075" << Status::None;
    QTest::newRow("B/C 080") << "BIG-BOY B/C"
                             << "080\r"
                             << "AZ: 010\r\n"
                             << "080" << Status::None;
    QTest::newRow("B/C 070") << "BIG-BOY B/C"
                             << "070\r"
                             << "AZ: 000\r\n"
                             << "070" << Status::None;
    QTest::newRow("B/C 069") << "BIG-BOY B/C"
                             << "069\r"
                             << "AZ: -1\r\n"
                             << "069" << Status::None;
    QTest::newRow("B/C 000") << "BIG-BOY B/C"
                             << "000\r"
                             << "AZ: -70\r\n"
                             << "000" << Status::None;
    QTest::newRow("B/C 999") << "BIG-BOY B/C"
                             << "999\r"
                             << "AZ: 929\r\n"
                             << "999" << Status::None;
    QTest::newRow("B/C 079: one digit padded") << "BIG-BOY B/C"
                                               << "079"
                                               << "AZ: 009\r\n"
                                               << "079" << Status::None;
    QTest::newRow("B/C 169: two digits padded") << "BIG-BOY B/C"
                                                << "169"
                                                << "AZ: 099\r\n"
                                                << "169" << Status::None;
    QTest::newRow("B/C 060: negative, unpadded") << "BIG-BOY B/C"
                                                 << "060"
                                                 << "AZ: -10\r\n"
                                                 << "060" << Status::None;
    QTest::newRow("B/C bare digits") << "PROSISTEL B/C"
                                     << "123"
                                     << "AZ: 053\r\n"
                                     << "123" << Status::None;
    QTest::newRow("B/C rest of chunk dropped, status untouched") << "PROSISTEL B/C"
                                                                 << "123,B\r"
                                                                 << "AZ: 053\r\n"
                                                                 << "123" << Status::None;
    QTest::newRow("B/C digits at 1 win over digits at 5") << "PROSISTEL B/C"
                                                          << "123,456\r"
                                                          << "AZ: 053\r\n"
                                                          << "123" << Status::None;
    QTest::newRow("B/C lower case") << "prosistel b/c"
                                    << "123\r"
                                    << "AZ: 053\r\n"
                                    << "123" << Status::None;
    QTest::newRow("B/C trailing blank is another model") << "PROSISTEL B/C "
                                                         << "123\r"
                                                         << "123\r\n"
                                                         << kUnset << Status::None;
    QTest::newRow("B/C 12 alone") << "PROSISTEL B/C"
                                  << "12"
                                  << "12" << kUnset << Status::None;
    QTest::newRow("123 on another model") << "PROSISTEL D"
                                          << "123\r"
                                          << "123\r\n"
                                          << kUnset << Status::None;

    QTest::newRow("R alone") << "ROTOR-EZ"
                             << "R"
                             << "R" << kUnset << Status::Ready;
    QTest::newRow("x,B") << "ROTOR-EZ"
                         << "x,B"
                         << "x,B" << kUnset << Status::Busy;
    QTest::newRow("last comma counts") << "ROTOR-EZ"
                                       << "B,1,R"
                                       << "B,1,R" << kUnset << Status::Ready;
    QTest::newRow("1,2, ends in a comma") << "ROTOR-EZ"
                                          << "1,2,"
                                          << "1,2," << kUnset << Status::None;
    QTest::newRow("r lower case") << "ROTOR-EZ"
                                  << "r"
                                  << "r" << kUnset << Status::None;
    QTest::newRow("x,b lower case") << "ROTOR-EZ"
                                    << "x,b"
                                    << "x,b" << kUnset << Status::None;

    QTest::newRow("CR LF becomes CR LF LF") << "ROTOR-EZ"
                                            << "OK\r\n"
                                            << "OK\r\n\n"
                                            << kUnset << Status::None;
    QTest::newRow("several STX") << "ROTOR-EZ" << kStx + kStx + kStx + "R" + kStx << "R" << kUnset
                                 << Status::Ready;
    QTest::newRow("STX only") << "ROTOR-EZ" << kStx << "" << kUnset << Status::None;
    QTest::newRow("other control bytes kept")
        << "ROTOR-EZ" << QString::fromLatin1("\x03\x00\xFFR", 4)
        << QString::fromLatin1("\x03\x00\xFFR", 4) << kUnset << Status::None;
}

void TestReplyChunk::parse()
{
    QFETCH(QString, model);
    QFETCH(QString, received);
    QFETCH(QString, text);
    QFETCH(QString, label3);
    QFETCH(Status, status);

    const ReplyChunk chunk = parseReplyChunk(received, model);
    QCOMPARE(chunk.text, text);
    QCOMPARE(chunk.label3.value_or(kUnset), label3);
    QCOMPARE(chunk.status, status);
}

QTEST_GUILESS_MAIN(TestReplyChunk)
#include "tst_replychunk.moc"
