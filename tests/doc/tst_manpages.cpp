// Every option a program's --help lists is documented in its manual page, so the two stay in
// step; and the window program answers --help and --version without a display.
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

namespace {
constexpr int kWaitMs = 20000;

// Runs a program with no display at all; its standard output, or nothing when it failed.
std::optional<QByteArray> runWithoutDisplay(const QString &program, const QStringList &arguments)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        env.remove(QString::fromLatin1(name));
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    if (!process.waitForFinished(kWaitMs) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        qWarning("%s", process.readAllStandardError().constData());
        return std::nullopt;
    }
    return process.readAllStandardOutput();
}

// The options of --help's option lines: "  -h, --help  Shows this help." gives -h and --help.
QStringList listedOptions(const QString &help)
{
    static const QRegularExpression line(QStringLiteral("^  (-.*?)(?:  |$)"),
                                         QRegularExpression::MultilineOption);
    static const QRegularExpression name(QStringLiteral("--?[\\w?][\\w-]*"));
    QStringList options;
    for (const QRegularExpressionMatch &match : line.globalMatch(help))
        for (const QRegularExpressionMatch &option : name.globalMatch(match.captured(1)))
            options << option.captured();
    return options;
}

// The page as a reader sees its words: troff's \- as -, without font changes or \%.
QString pageText(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    static const QRegularExpression escapes(QStringLiteral(R"(\\f[BIRP]|\\%|\\&)"));
    return QString::fromUtf8(file.readAll())
        .replace(QStringLiteral("\\-"), QStringLiteral("-"))
        .remove(escapes);
}
} // namespace

class TestManPages : public QObject
{
    Q_OBJECT
private slots:
    void everyOptionDocumented_data();
    void everyOptionDocumented();
    void versionWithoutDisplay();
};

void TestManPages::everyOptionDocumented_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("page");
    QTest::newRow("sorvikdde") << SORVIKDDE_PATH << DOC_DIR "/sorvikdde.1";
    QTest::newRow("sorvikdde-rotctld") << ROTCTLD_PATH << DOC_DIR "/sorvikdde-rotctld.1";
    QTest::newRow("sorvikdde-sim") << SIM_PATH << DOC_DIR "/sorvikdde-sim.1";
}

void TestManPages::everyOptionDocumented()
{
    QFETCH(QString, program);
    QFETCH(QString, page);
    const std::optional<QByteArray> help = runWithoutDisplay(program, {"--help"});
    QVERIFY(help);
    const QStringList options = listedOptions(QString::fromLocal8Bit(*help));
    QVERIFY2(options.contains(QStringLiteral("--help")), help->constData());
    const QString text = pageText(page);
    QVERIFY2(!text.isEmpty(), qPrintable(page));
    for (const QString &option : options) {
        const QRegularExpression documented(QStringLiteral("(?<![\\w-])") +
                                            QRegularExpression::escape(option) +
                                            QStringLiteral("(?![\\w-])"));
        QVERIFY2(text.contains(documented),
                 qPrintable(option + " is in --help but not in " + page));
    }
}

void TestManPages::versionWithoutDisplay()
{
    const std::optional<QByteArray> version = runWithoutDisplay(SORVIKDDE_PATH, {"--version"});
    QVERIFY(version);
    QCOMPARE(*version, QByteArray("sorvikdde " VERSION "\n"));
}

QTEST_GUILESS_MAIN(TestManPages)
#include "tst_manpages.moc"
