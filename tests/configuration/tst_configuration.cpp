#include "configuration/Configuration.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

namespace {

const QStringList kP1{"2", "9600", "N,8,1", "2 - RTS/DTR", "HY-GAIN", "250", "-5"};
const QStringList kP2{"3", "4800", "E,8,1", "0 - NONE", "ROTOR-EZ", "500", "7"};
const QStringList kP3{"5", "19200", "N,8,2", "1 - XON/XOFF", "PROSISTEL D", "1000", "0"};
const QStringList kFiller{" 22 ", " 23 ", " 24 ", " 25 ", " 26 ", " 27 ", " 28 ", " 29 ", " 30 "};
const QStringList kEmpty{"", "", "", "", "", "0", "0"};

QStringList fields(const RotorProfile &p)
{
    return {p.RotorPort,
            p.RotorBaud,
            p.RotorSet,
            p.RotorHandshake,
            p.RotorModel,
            QString::number(p.RotorDelay),
            QString::number(p.RotorError)};
}

// Profile n as the configuration holds it, read as the dialog's profile switch reads it.
QStringList held(const Configuration &config, int n)
{
    Configuration copy = config;
    copy.applyLinesToActive(n);
    return fields(copy.activeProfile());
}

QStringList allLines()
{
    return kP1 + kP2 + kP3 + kFiller;
}

// Lines joined by an end; with `lastEnd` the last line is ended too.
QByteArray join(const QStringList &lines, const QByteArray &end = "\r\n", bool lastEnd = true)
{
    QByteArray bytes = lines.join(QString::fromLatin1(end)).toLatin1();
    if (lastEnd && !lines.isEmpty())
        bytes += end;
    return bytes;
}

// `lines` with line n (1-based) replaced.
QStringList with(QStringList lines, int n, const QString &value)
{
    lines[n - 1] = value;
    return lines;
}

QStringList withProfile(const QStringList &profile, int field, const QString &value)
{
    return with(profile, field, value);
}

QStringList linesOf(const Configuration &config, int first, int last)
{
    QStringList list;
    for (int i = first; i <= last; ++i)
        list << config.configLines()[i];
    return list;
}

Configuration::BoxTexts boxes(const QStringList &texts)
{
    Configuration::BoxTexts out;
    for (int i = 0; i < 7; ++i)
        out[i] = texts[i];
    return out;
}

// A config folder below a temporary folder, and the file in it.
struct Folder
{
    Folder() : config(dir.path() + QStringLiteral("/config")) {}

    void write(const QByteArray &bytes)
    {
        QDir().mkpath(config.configDir());
        QFile file(config.filePath());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(file.write(bytes), bytes.size());
    }

    QByteArray read() const
    {
        QFile file(config.filePath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<no file>");
    }

    QTemporaryDir dir;
    Configuration config;
};

// A hand-edited file of all three profiles, with comments the program does not keep.
const QByteArray kCommentedFile = "# my rotors\r\n" + join(kP1) + "#second\r\n" + join(kP2) +
                                  join(kP3) + join(kFiller) + "# end\r\n";

} // namespace

class TestConfiguration : public QObject
{
    Q_OBJECT
private slots:
    void filePathIsInTheConfigFolder();
    void load_data();
    void load();
    void failedLoadKeepsFieldsAssignedBeforeTheFailure_data();
    void failedLoadKeepsFieldsAssignedBeforeTheFailure();
    void loadFailsWithoutAReadableFile_data();
    void loadFailsWithoutAReadableFile();
    void shortFileFailsAtFirstStartButLoadsLater();
    void linesAreNeverCleared();
    void atMost29LinesStoredAndEntry30NeverFilled();
    void saveWritesTheWholeFile_data();
    void saveWritesTheWholeFile();
    void savedFileLoadsBack();
    void saveFromAnEmptyStartLoadsBack_data();
    void saveFromAnEmptyStartLoadsBack();
    void failedConversionChangesNothing_data();
    void failedConversionChangesNothing();
    void failedWriteLeavesOldFileAndMemory();
    void unwritablePlacesFail_data();
    void unwritablePlacesFail();
    void saveCreatesAMissingConfigFolder();
    void applyLinesToActive_data();
    void applyLinesToActive();
    void applyLinesSkipsNumbersThatDoNotConvert();
};

void TestConfiguration::filePathIsInTheConfigFolder()
{
    Configuration config(QStringLiteral("/opt/sorvik/config"));
    QCOMPARE(config.filePath(), QStringLiteral("/opt/sorvik/config/SorvikDDE.ini"));
}

void TestConfiguration::load_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("profileNumber");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QStringList>("active");
    QTest::addColumn<QStringList>("profile2");
    QTest::addColumn<QStringList>("profile3");

    const QStringList all = allLines();
    QTest::newRow("30 lines cr lf") << join(all) << 1 << true << kP1 << kP2 << kP3;
    QTest::newRow("lone cr") << join(all, "\r") << 1 << true << kP1 << kP2 << kP3;
    QTest::newRow("lone lf") << join(all, "\n") << 1 << true << kP1 << kP2 << kP3;
    QTest::newRow("exactly 21 lines, last without end")
        << join(kP1 + kP2 + kP3, "\r\n", false) << 1 << true << kP1 << kP2 << kP3;
    QTest::newRow("comments before, between, after")
        << kCommentedFile << 1 << true << kP1 << kP2 << kP3;
    QTest::newRow("comment in place of a delay line")
        << join(kP1.mid(0, 5)) + "#250\r\n" + join(kP1.mid(5) + kP2 + kP3) << 1 << true << kP1
        << kP2 << kP3;
    QTest::newRow("blank then # is a text")
        << join(with(all, 1, " #1")) << 1 << true << withProfile(kP1, 1, " #1") << kP2 << kP3;
    QTest::newRow("blank then # line shifts the layout")
        << " # note\r\n" + join(all) << 1 << false << kP1 << kP2 << kP3;
    QTest::newRow("empty line as a text")
        << join(with(all, 10, "")) << 1 << true << kP1 << withProfile(kP2, 3, "") << kP3;
    QTest::newRow("empty delay line") << join(with(all, 6, "")) << 1 << false << kP1 << kP2 << kP3;
    QTest::newRow("profile 2") << join(all) << 2 << true << kP2 << kP2 << kP3;
    QTest::newRow("profile 3") << join(all) << 3 << true << kP3 << kP2 << kP3;
    QTest::newRow("profile number 0 means 1") << join(all) << 0 << true << kP1 << kP2 << kP3;
    QTest::newRow("profile number 4 means 1") << join(all) << 4 << true << kP1 << kP2 << kP3;
    QTest::newRow("delay 1.5 gives 2")
        << join(with(all, 6, "1.5")) << 1 << true << withProfile(kP1, 6, "2") << kP2 << kP3;
    QTest::newRow("delay 2.5 gives 2")
        << join(with(all, 6, "2.5")) << 1 << true << withProfile(kP1, 6, "2") << kP2 << kP3;
    QTest::newRow("delay with blanks")
        << join(with(all, 6, " 42 ")) << 1 << true << withProfile(kP1, 6, "42") << kP2 << kP3;
    QTest::newRow("error -32768") << join(with(all, 21, "-32768")) << 1 << true << kP1 << kP2
                                  << withProfile(kP3, 7, "-32768");
    QTest::newRow("delay 32768") << join(with(all, 6, "32768")) << 1 << false << kP1 << kP2 << kP3;
    QTest::newRow("delay -32769") << join(with(all, 6, "-32769")) << 1 << false << kP1 << kP2
                                  << kP3;
    QTest::newRow("delay abc") << join(with(all, 6, "abc")) << 1 << false << kP1 << kP2 << kP3;
    QTest::newRow("bad error in profile 3 while 1 in force")
        << join(with(all, 21, "x")) << 1 << false << kP1 << kP2 << kP3;
    QTest::newRow("bad delay in profile 2 while 3 in force")
        << join(with(all, 13, "")) << 3 << false << kP1 << kP2 << kP3;
    QTest::newRow("more than 29 lines")
        << join(all + QStringList{"31", "32", "#", "x"}) << 1 << true << kP1 << kP2 << kP3;
}

void TestConfiguration::load()
{
    QFETCH(QByteArray, file);
    QFETCH(int, profileNumber);
    QFETCH(bool, ok);
    QFETCH(QStringList, active);
    QFETCH(QStringList, profile2);
    QFETCH(QStringList, profile3);

    Folder folder;
    folder.write(file);
    folder.config.setProfileNumber(profileNumber);
    QCOMPARE(folder.config.load(), ok);
    if (!ok) {
        QVERIFY(!folder.config.errorString().isEmpty());
        return;
    }
    QCOMPARE(fields(folder.config.activeProfile()), active);
    QCOMPARE(held(folder.config, 2), profile2);
    QCOMPARE(held(folder.config, 3), profile3);
    QCOMPARE(folder.config.profileNumber(), profileNumber);
}

void TestConfiguration::failedLoadKeepsFieldsAssignedBeforeTheFailure_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("active");

    const QStringList all = allLines();
    QTest::newRow("bad delay of profile 1")
        << join(with(all, 6, "x")) << QStringList(kP1.mid(0, 5) + QStringList{"0", "0"});
    QTest::newRow("bad error of profile 1")
        << join(with(all, 7, "x")) << QStringList(kP1.mid(0, 6) + QStringList{"0"});
    QTest::newRow("bad delay of profile 2") << join(with(all, 13, "")) << kP1;
    QTest::newRow("bad error of profile 3") << join(with(all, 21, "1e3")) << kP1;
}

void TestConfiguration::failedLoadKeepsFieldsAssignedBeforeTheFailure()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, active);

    // Profile 3 chosen: a load that fails never reaches the selection.
    Folder folder;
    folder.config.setProfileNumber(3);
    folder.write(file);
    QVERIFY(!folder.config.load());
    QCOMPARE(fields(folder.config.activeProfile()), active);
    // The lines are stored even so: the dialog switches profiles from them.
    QCOMPARE(linesOf(folder.config, 1, 21), QString::fromLatin1(file).split("\r\n").mid(0, 21));
}

void TestConfiguration::loadFailsWithoutAReadableFile_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("file missing") << "remove";
    QTest::newRow("folder missing") << "rmdir";
    QTest::newRow("path is a folder") << "folder";
}

void TestConfiguration::loadFailsWithoutAReadableFile()
{
    QFETCH(QString, how);
    Folder folder;
    folder.write(join(allLines()));
    QVERIFY(folder.config.load());

    if (how == u"remove") {
        QVERIFY(QFile::remove(folder.config.filePath()));
    } else if (how == u"rmdir") {
        QVERIFY(QDir(folder.config.configDir()).removeRecursively());
    } else {
        QVERIFY(QFile::remove(folder.config.filePath()));
        QVERIFY(QDir().mkpath(folder.config.filePath()));
    }
    QVERIFY(!folder.config.load());
    QVERIFY(!folder.config.errorString().isEmpty());
    QCOMPARE(fields(folder.config.activeProfile()), kP1);
    QCOMPARE(held(folder.config, 2), kP2);
    QCOMPARE(linesOf(folder.config, 1, 30), allLines().mid(0, 29) + QStringList{""});
}

void TestConfiguration::shortFileFailsAtFirstStartButLoadsLater()
{
    Folder folder;
    const QStringList first10 = (kP1 + kP2).mid(0, 10);
    folder.write(join(first10));
    QVERIFY(!folder.config.load()); // line 13 is still empty

    folder.write(join(allLines()));
    QVERIFY(folder.config.load());

    // The same short file later in the run: lines 11 to 21 are kept from the last load.
    const QStringList p1 = withProfile(kP1, 5, "DCU-1");
    const QStringList p2Start{"9", "1200", "N,7,2"};
    folder.write(join(p1 + p2Start));
    QVERIFY(folder.config.load());
    QCOMPARE(fields(folder.config.activeProfile()), p1);
    QCOMPARE(held(folder.config, 2), p2Start + kP2.mid(3));
    QCOMPARE(held(folder.config, 3), kP3);
}

void TestConfiguration::linesAreNeverCleared()
{
    Folder folder;
    folder.write(join(allLines()));
    QVERIFY(folder.config.load());
    const QStringList p3 = withProfile(kP3, 1, "8");
    folder.write(join(kP1 + kP2 + p3));
    QVERIFY(folder.config.load());
    QCOMPARE(linesOf(folder.config, 1, 30), kP1 + kP2 + p3 + kFiller.mid(0, 8) + QStringList{""});
}

void TestConfiguration::atMost29LinesStoredAndEntry30NeverFilled()
{
    QStringList extra;
    for (int i = 22; i <= 40; ++i)
        extra << QStringLiteral("L%1").arg(i);
    Folder folder;
    folder.write(join(kP1 + kP2 + kP3 + extra));
    QVERIFY(folder.config.load());
    QCOMPARE(linesOf(folder.config, 22, 29), extra.mid(0, 8));
    QCOMPARE(folder.config.configLines()[30], QString());
}

void TestConfiguration::saveWritesTheWholeFile_data()
{
    QTest::addColumn<int>("slot");
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<QStringList>("active");
    QTest::addColumn<QStringList>("profile2");
    QTest::addColumn<QStringList>("profile3");

    // The dialog's defaults into slot 1; the delay typed as 0001 is saved as 1.
    QTest::newRow("slot 1")
        << 1 << QStringList{"1", "4800", "n,8,1", "0 - NONE", "DEMO", "0001", "0"}
        << QByteArray("1\r\n4800\r\nn,8,1\r\n0 - NONE\r\nDEMO\r\n1\r\n0\r\n"
                      "3\r\n4800\r\nE,8,1\r\n0 - NONE\r\nROTOR-EZ\r\n500\r\n7\r\n"
                      "5\r\n19200\r\nN,8,2\r\n1 - XON/XOFF\r\nPROSISTEL D\r\n1000\r\n0\r\n"
                      " 22 \r\n 23 \r\n 24 \r\n 25 \r\n 26 \r\n 27 \r\n 28 \r\n 29 \r\n 30 \r\n")
        << QStringList{"1", "4800", "n,8,1", "0 - NONE", "DEMO", "1", "0"} << kP2 << kP3;

    const QStringList p2{"7", "38400", "E,7,2", "3 - 1+2", "DCU-1", "2", "-12"};
    QTest::newRow("slot 2")
        << 2 << QStringList{"7", "38400", "E,7,2", "3 - 1+2", "DCU-1", "1.5", "-12"}
        << QByteArray("2\r\n9600\r\nN,8,1\r\n2 - RTS/DTR\r\nHY-GAIN\r\n250\r\n-5\r\n"
                      "7\r\n38400\r\nE,7,2\r\n3 - 1+2\r\nDCU-1\r\n2\r\n-12\r\n"
                      "5\r\n19200\r\nN,8,2\r\n1 - XON/XOFF\r\nPROSISTEL D\r\n1000\r\n0\r\n"
                      " 22 \r\n 23 \r\n 24 \r\n 25 \r\n 26 \r\n 27 \r\n 28 \r\n 29 \r\n 30 \r\n")
        << kP1 << p2 << kP3;

    const QStringList p3{"16", "1200", "", "1 - XON/XOFF", "PROSISTEL B/C", "2", "3"};
    QTest::newRow("slot 3")
        << 3 << QStringList{"16", "1200", "", "1 - XON/XOFF", "PROSISTEL B/C", " 2.5 ", "+3"}
        << QByteArray("2\r\n9600\r\nN,8,1\r\n2 - RTS/DTR\r\nHY-GAIN\r\n250\r\n-5\r\n"
                      "3\r\n4800\r\nE,8,1\r\n0 - NONE\r\nROTOR-EZ\r\n500\r\n7\r\n"
                      "16\r\n1200\r\n\r\n1 - XON/XOFF\r\nPROSISTEL B/C\r\n2\r\n3\r\n"
                      " 22 \r\n 23 \r\n 24 \r\n 25 \r\n 26 \r\n 27 \r\n 28 \r\n 29 \r\n 30 \r\n")
        << kP1 << kP2 << p3;
}

void TestConfiguration::saveWritesTheWholeFile()
{
    QFETCH(int, slot);
    QFETCH(QStringList, texts);
    QFETCH(QByteArray, expected);
    QFETCH(QStringList, active);
    QFETCH(QStringList, profile2);
    QFETCH(QStringList, profile3);

    Folder folder;
    folder.write(kCommentedFile);
    QVERIFY(folder.config.load());
    QVERIFY2(folder.config.save(slot, boxes(texts)), qPrintable(folder.config.errorString()));
    QCOMPARE(folder.read(), expected);
    QCOMPARE(fields(folder.config.activeProfile()), active);
    QCOMPARE(held(folder.config, 2), profile2);
    QCOMPARE(held(folder.config, 3), profile3);
    QCOMPARE(linesOf(folder.config, 1, 21), QString::fromLatin1(expected).split("\r\n").mid(0, 21));
    QCOMPARE(folder.config.profileNumber(), 1);
}

void TestConfiguration::saveFromAnEmptyStartLoadsBack_data()
{
    QTest::addColumn<int>("slot");
    QTest::addColumn<QStringList>("start"); // lines 1 to 21 before the save; empty: no file
    QTest::addColumn<QByteArray>("profiles");
    const QByteArray defaults = "1\r\n4800\r\nn,8,1\r\n0 - NONE\r\nDEMO\r\n1\r\n0\r\n";
    const QByteArray dcu = "2\r\n9600\r\nN,8,1\r\n0 - NONE\r\nDCU-1\r\n250\r\n0\r\n";
    // A first start: never loaded nor saved, the other slots get the dialog's defaults.
    QTest::newRow("slot 1 first") << 1 << QStringList{} << dcu + defaults + defaults;
    QTest::newRow("slot 3 first") << 3 << QStringList{} << defaults + defaults + dcu;
    // A slot with any content is written as held, even a damaged one.
    QTest::newRow("slot with content kept")
        << 1 << (QStringList(7, QString()) + QStringList{"", "", "", "", "", "x", ""} + kP3)
        << dcu + QByteArray("\r\n\r\n\r\n\r\n\r\nx\r\n\r\n") +
               "5\r\n19200\r\nN,8,2\r\n1 - XON/XOFF\r\nPROSISTEL D\r\n1000\r\n0\r\n";
}

void TestConfiguration::saveFromAnEmptyStartLoadsBack()
{
    QFETCH(int, slot);
    QFETCH(QStringList, start);
    QFETCH(QByteArray, profiles);
    Folder folder;
    if (!start.isEmpty())
        folder.write(join(start));
    folder.config.load();
    QVERIFY(
        folder.config.save(slot, boxes({"2", "9600", "N,8,1", "0 - NONE", "DCU-1", "250", "0"})));
    QCOMPARE(folder.read().left(profiles.size()), profiles);

    // What was written is what the next start reads, profile 1 in force, with no failure.
    Configuration next(folder.config.configDir());
    const bool loads = next.load();
    QCOMPARE(loads, start.isEmpty());
    if (loads)
        QCOMPARE(next.activeProfile().RotorModel, slot == 1 ? "DCU-1" : "DEMO");
}

void TestConfiguration::savedFileLoadsBack()
{
    Folder folder;
    folder.write(join(allLines()));
    QVERIFY(folder.config.load());
    const QStringList p2{"4", "2400", QStringLiteral("caf\u00e9"), " #x", "HY-GAIN", "-1", "359"};
    QVERIFY(folder.config.save(2, boxes(p2)));
    QVERIFY(folder.read().contains("\r\ncaf\xe9\r\n"));

    // The next run, with profile 2 chosen.
    Configuration next(folder.config.configDir());
    next.setProfileNumber(2);
    QVERIFY(next.load());
    QCOMPARE(fields(next.activeProfile()), p2);
    QCOMPARE(held(next, 2), p2);
    QCOMPARE(held(next, 3), kP3);
}

void TestConfiguration::failedConversionChangesNothing_data()
{
    QTest::addColumn<int>("slot");
    QTest::addColumn<QStringList>("texts");

    const QStringList good{"1", "4800", "n,8,1", "0 - NONE", "DEMO", "1", "0"};
    QTest::newRow("empty delay") << 1 << with(good, 6, "");
    QTest::newRow("letters as delay") << 2 << with(good, 6, "abc");
    QTest::newRow("delay 32768") << 3 << with(good, 6, "32768");
    QTest::newRow("lone minus as error") << 1 << with(good, 7, "-");
    QTest::newRow("empty error") << 2 << with(good, 7, "");
    QTest::newRow("text read back as a comment") << 1 << with(good, 1, "#1");
    QTest::newRow("line end in a text") << 3 << with(good, 5, "DEMO\r\nDEMO");
    QTest::newRow("text beyond latin-1") << 2 << with(good, 2, QStringLiteral("4800\u20ac"));
    QTest::newRow("slot 0") << 0 << good;
    QTest::newRow("slot 4") << 4 << good;
}

void TestConfiguration::failedConversionChangesNothing()
{
    QFETCH(int, slot);
    QFETCH(QStringList, texts);

    Folder folder;
    folder.write(kCommentedFile);
    QVERIFY(folder.config.load());
    QVERIFY(!folder.config.save(slot, boxes(texts)));
    QVERIFY(!folder.config.errorString().isEmpty());
    QCOMPARE(folder.read(), kCommentedFile);
    QCOMPARE(fields(folder.config.activeProfile()), kP1);
    QCOMPARE(held(folder.config, 2), kP2);
    QCOMPARE(held(folder.config, 3), kP3);
    QCOMPARE(linesOf(folder.config, 1, 21), kP1 + kP2 + kP3);
}

void TestConfiguration::failedWriteLeavesOldFileAndMemory()
{
    Folder folder;
    folder.write(kCommentedFile);
    QVERIFY(folder.config.load());

    // A file size limit makes the write itself fail, for root too; the signal it raises would
    // end the test.
    rlimit old{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 64;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved =
        folder.config.save(1, boxes({"1", "4800", "n,8,1", "0 - NONE", "DEMO", "1", "0"}));
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    QVERIFY(!saved);
    QVERIFY(!folder.config.errorString().isEmpty());
    QCOMPARE(folder.read(), kCommentedFile);
    QCOMPARE(QDir(folder.config.configDir()).entryList(QDir::Files),
             QStringList{"SorvikDDE.ini"}); // no half-written file left beside it
    QCOMPARE(fields(folder.config.activeProfile()), kP1);
    QCOMPARE(linesOf(folder.config, 1, 21), kP1 + kP2 + kP3);
}

void TestConfiguration::unwritablePlacesFail_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("parent of the config folder is a file") << "parent";
    QTest::newRow("config folder is a file") << "folder";
    QTest::newRow("file path is a folder") << "path";
}

void TestConfiguration::unwritablePlacesFail()
{
    QFETCH(QString, how);
    QTemporaryDir dir;
    QString configDir = dir.path() + QStringLiteral("/config");
    QString blocker = configDir;
    if (how == u"parent") {
        blocker = dir.path() + QStringLiteral("/program");
        configDir = blocker + QStringLiteral("/config");
    }
    if (how == u"path") {
        QVERIFY(QDir().mkpath(configDir + QStringLiteral("/SorvikDDE.ini")));
    } else {
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not a folder");
    }

    Configuration config(configDir);
    QVERIFY(!config.save(1, boxes({"1", "4800", "n,8,1", "0 - NONE", "DEMO", "1", "0"})));
    QVERIFY(!config.errorString().isEmpty());
    QCOMPARE(fields(config.activeProfile()), kEmpty);
    QCOMPARE(config.configLines()[1], QString());
    if (how == u"path") {
        QVERIFY(QFileInfo(config.filePath()).isDir());
    } else {
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("not a folder"));
    }
}

void TestConfiguration::saveCreatesAMissingConfigFolder()
{
    QTemporaryDir dir;
    Configuration config(dir.path() + QStringLiteral("/sorvik/bin/config"));
    QVERIFY2(config.save(3, boxes({"2", "9600", "N,8,1", "0 - NONE", "HY-GAIN", "10", "-1"})),
             qPrintable(config.errorString()));
    QFile file(config.filePath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    // The slots never set get the dialog's defaults, so the file loads back.
    const QByteArray defaults = "1\r\n4800\r\nn,8,1\r\n0 - NONE\r\nDEMO\r\n1\r\n0\r\n";
    QCOMPARE(file.readAll(), defaults + defaults +
                                 "2\r\n9600\r\nN,8,1\r\n0 - NONE\r\nHY-GAIN\r\n10\r\n-1\r\n" +
                                 join(kFiller));
}

void TestConfiguration::applyLinesToActive_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QStringList>("active");
    QTest::newRow("1") << 1 << kP1;
    QTest::newRow("2") << 2 << kP2;
    QTest::newRow("3") << 3 << kP3;
    QTest::newRow("0 changes nothing") << 0 << kP3;
    QTest::newRow("4 changes nothing") << 4 << kP3;
}

void TestConfiguration::applyLinesToActive()
{
    QFETCH(int, number);
    QFETCH(QStringList, active);
    Folder folder;
    folder.write(join(allLines()));
    folder.config.setProfileNumber(3);
    QVERIFY(folder.config.load());
    folder.config.applyLinesToActive(number);
    QCOMPARE(fields(folder.config.activeProfile()), active);
    QCOMPARE(held(folder.config, 2), kP2);
    QCOMPARE(folder.config.profileNumber(), 3);
}

void TestConfiguration::applyLinesSkipsNumbersThatDoNotConvert()
{
    Folder folder;
    folder.write(join(with(with(allLines(), 13, "abc"), 14, "9")));
    QVERIFY(!folder.config.load()); // the lines are stored all the same
    QCOMPARE(fields(folder.config.activeProfile()), kP1);

    folder.config.applyLinesToActive(2);
    // The texts and the error come from lines 8 to 14; the delay stays profile 1's.
    const QStringList expected = kP2.mid(0, 5) + QStringList{"250", "9"};
    QCOMPARE(fields(folder.config.activeProfile()), expected);
}

QTEST_APPLESS_MAIN(TestConfiguration)
#include "tst_configuration.moc"
