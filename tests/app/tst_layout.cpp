// Both windows at the font in use: every fixed text whole, the profile summary on LblConfig's
// first line above the check box and TxtCom, the proportions as designed, and no control over
// another but where the design puts them inside LblConfig. CTest runs it at 96 and 144 dpi.
#include "app/FlowLabel.h"
#include "app/FrmSorvikDDE.h"
#include "configuration/Configuration.h"
#include "configuration/dialog/FrmDDEConfig.h"
#include "core/Pauser.h"
#include "core/Twips.h"
#include "feedback/Banner.h"
#include "feedback/StatusCommand.h"
#include "rotor/RotorControl.h"
#include "rotor/RotorState.h"
#include "tests/support/FakeSerialPort.h"
#include "tests/support/Recorders.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTest>

using Item = MainPanel::Item;

namespace {
// Designed places in twips: left, top, width, height.
const QList<std::pair<QString, QRect>> kDesign{
    {"Text1", {525, 30, 525, 285}},      {"Text2", {1065, 30, 510, 285}},
    {"Label3", {1665, 30, 585, 285}},    {"LblGradi", {2310, 30, 585, 285}},
    {"Label1", {120, 75, 390, 195}},     {"Label2", {120, 375, 720, 195}},
    {"Text3", {930, 330, 645, 285}},     {"LblDelay", {1770, 360, 1125, 255}},
    {"LblConfig", {75, 630, 2820, 540}}, {"TxtCom", {1935, 870, 945, 285}},
    {"Check1", {1320, 915, 600, 225}},   {"TBox", {75, 1215, 2805, 960}},
    {"Label4", {2940, 75, 1620, 2055}},
};
const QString kLongestSummary = QStringLiteral("PROSISTEL B/C - COM: 16 - E,7,2 - 38400");

// Whether a text shows whole in a control with this font.
bool fits(const QWidget *widget, const QString &text)
{
    const int advance = QFontMetrics(widget->font()).horizontalAdvance(text);
    if (auto *label = qobject_cast<const QLabel *>(widget))
        return advance <= label->contentsRect().width();
    if (auto *edit = qobject_cast<const QLineEdit *>(widget)) {
        // Two pixels of margin each side, inside the frame if it has one.
        const int frame =
            edit->hasFrame() ? widget->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) : 0;
        return advance <= widget->width() - 2 * frame - 4;
    }
    if (auto *button = qobject_cast<const QAbstractButton *>(widget)) {
        const int indicator =
            qobject_cast<const QPushButton *>(button)
                ? 8
                : widget->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, widget) + 4;
        return advance + indicator <= widget->width();
    }
    return false;
}
} // namespace

class TestLayout : public QObject
{
    Q_OBJECT
private slots:
    void mainWindow_data();
    void mainWindow();
    void dialog_data();
    void dialog();
};

void TestLayout::mainWindow_data()
{
    QTest::addColumn<int>("points");
    for (int points : {9, 10, 12})
        QTest::addRow("%d pt", points) << points;
}

void TestLayout::mainWindow()
{
    QFETCH(int, points);
    QFont font = QApplication::font();
    font.setPointSize(points);
    QApplication::setFont(font);

    MainPanel panel;
    Configuration config(QStringLiteral("/nonexistent/config"));
    FakeSerialPort port;
    RecordingMessageBoxes boxes;
    CountingBeeper beeper;
    TimerPauser pauser;
    StatusCommand status(panel, config.activeProfile(), port, boxes);
    Banner banner(panel);
    RotorState state;
    RotorControl rotor(panel, config.activeProfile(), port, boxes, beeper, pauser, state);
    FrmSorvikDDE window(panel, config, port, boxes, beeper, rotor, status, banner);
    const auto control = [&](const QString &name) { return window.findChild<QWidget *>(name); };

    const QList<std::pair<QString, QString>> texts{
        {"Label1", "DDE:"},   {"Label2", "MANUAL:"},
        {"Text2", "DDE"},     {"LblDelay", "STATUS OK"},
        {"LblDelay", "BUSY"}, {"TxtCom", "COM OFF"},
        {"TxtCom", "COM ON"}, {"Check1", "Top"},
        {"LblGradi", "STOP"}, {"LblConfig", kLongestSummary},
        {"Text3", "360"},     {"Text1", "QUIT"},
    };
    for (const auto &[name, text] : texts)
        QVERIFY2(fits(control(name), text), qPrintable(name + QStringLiteral(": ") + text));

    // The summary's first line ends above the controls designed inside the label.
    QWidget *summary = control(QStringLiteral("LblConfig"));
    const int firstLine =
        summary->y() + summary->contentsRect().top() + QFontMetrics(summary->font()).height();
    QVERIFY(firstLine <= control(QStringLiteral("TxtCom"))->y());
    QVERIFY(firstLine <= control(QStringLiteral("Check1"))->y());

    // One factor for every place and size: the proportions stay as designed.
    const double dpi = window.logicalDpiY();
    const double scale = summary->width() / (2820 * dpi / Twips::kPerInch);
    QVERIFY(scale >= 0.999);
    for (const auto &[name, twips] : kDesign) {
        const QRect expected(Twips::toPixels(twips.left() * scale, dpi),
                             Twips::toPixels(twips.top() * scale, dpi),
                             Twips::toPixels(twips.width() * scale, dpi),
                             Twips::toPixels(twips.height() * scale, dpi));
        const QRect actual = control(name)->geometry();
        QVERIFY2(qAbs(actual.x() - expected.x()) <= 1 && qAbs(actual.y() - expected.y()) <= 1 &&
                     qAbs(actual.width() - expected.width()) <= 1 &&
                     qAbs(actual.height() - expected.height()) <= 1,
                 qPrintable(name));
    }

    // Nothing over anything, but the check box and TxtCom inside LblConfig.
    const auto overlap = [&]() -> QString {
        for (qsizetype i = 0; i < kDesign.size(); ++i) {
            for (qsizetype j = i + 1; j < kDesign.size(); ++j) {
                const QString a = kDesign[i].first;
                const QString b = kDesign[j].first;
                if (a == u"LblConfig" && (b == u"TxtCom" || b == u"Check1"))
                    continue;
                if (control(a)->geometry().intersects(control(b)->geometry()))
                    return a + QStringLiteral(" over ") + b;
            }
        }
        return {};
    };
    QCOMPARE(overlap(), QString());

    // A library model's long name flows around the check box and TxtCom, whole; the window grows
    // only while such a summary is in force.
    const int designedWidth = window.width();
    const QString longest =
        QStringLiteral("HAMLIB 1704 PROSISTEL D ELEVATION CBOX AZ - COM: 16 - E,7,2 - 38400");
    panel.setText(Item::LblConfig, longest);
    QTRY_COMPARE(static_cast<QLabel *>(summary)->text(), longest);
    const QPoint corner{control(QStringLiteral("Check1"))->x() - summary->x(),
                        control(QStringLiteral("TxtCom"))->y() - summary->y()};
    QVERIFY(FlowLabel::fits(longest, summary->font(), summary->size(), corner,
                            static_cast<QLabel *>(summary)->frameWidth()));
    QCOMPARE(overlap(), QString());
    panel.setText(Item::LblConfig, kLongestSummary);
    QTRY_COMPARE(window.width(), designedWidth);

    // The form's colour under every control, to the bottom of the window.
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QImage shot = window.grab().toImage();
    QCOMPARE(shot.pixelColor(window.width() - 2, window.height() - 2), QColor(0xC0, 0xC0, 0xC0));
}

void TestLayout::dialog_data()
{
    mainWindow_data();
}

void TestLayout::dialog()
{
    QFETCH(int, points);
    QFont font = QApplication::font();
    font.setPointSize(points);
    QApplication::setFont(font);

    MainPanel panel;
    Configuration config(QStringLiteral("/nonexistent/config"));
    config.setProfileNumber(3);
    FakeSerialPort port;
    RecordingMessageBoxes boxes;
    CountingBeeper beeper;
    FrmDDEConfig dialog(config, panel, port, boxes, beeper);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));

    const QList<std::pair<QString, QString>> texts{
        {"Label2", "MOD:"},       {"Label1", "Rotor Error:"}, {"Label3", "Delay ms.:"},
        {"Label55", "COM:"},      {"Label57", "Baud:"},       {"CmdSave", "SAVE"},
        {"OptRotor0", "Rotor 1"}, {"OptRotor2", "Rotor 3"},   {"LblRotore", "ROTOR-3 ACTIVE"},
    };
    for (const auto &[name, text] : texts) {
        QWidget *widget = dialog.findChild<QWidget *>(name);
        QVERIFY2(widget && fits(widget, text), qPrintable(name));
    }
    // The longest list item of each drop-down shows whole in its box.
    for (auto *combo : dialog.findChildren<QComboBox *>()) {
        for (int i = 0; i < combo->count(); ++i)
            QVERIFY2(fits(combo->lineEdit(), combo->itemText(i)), qPrintable(combo->itemText(i)));
    }
    // The designed width and height, grown by one factor.
    const double dpi = dialog.logicalDpiY();
    const double scale = dialog.width() / (6480 * dpi / Twips::kPerInch);
    QVERIFY(scale >= 0.999);
    QVERIFY(qAbs(dialog.frameGeometry().height() - Twips::toPixels(2100 * scale, dpi)) <= 1);
    // No control over another.
    QList<QWidget *> controls;
    for (QWidget *widget : dialog.findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        if (!widget->objectName().isEmpty() && widget->isVisible())
            controls << widget;
    for (qsizetype i = 0; i < controls.size(); ++i)
        for (qsizetype j = i + 1; j < controls.size(); ++j)
            QVERIFY2(!controls[i]->geometry().intersects(controls[j]->geometry()),
                     qPrintable(controls[i]->objectName() + QStringLiteral(" over ") +
                                controls[j]->objectName()));
}

QTEST_MAIN(TestLayout)
#include "tst_layout.moc"
