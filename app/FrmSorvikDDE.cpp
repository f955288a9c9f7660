#include "app/FrmSorvikDDE.h"

#include "app/FlowLabel.h"
#include "app/PositionFile.h"
#include "configuration/Configuration.h"
#include "configuration/dialog/FrmDDEConfig.h"
#include "core/MessageBoxes.h"
#include "core/PortSetup.h"
#include "core/SerialPort.h"
#include "core/Twips.h"
#include "core/Version.h"
#include "feedback/Banner.h"
#include "feedback/StatusCommand.h"
#include "rotor/RotorControl.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>

using Item = MainPanel::Item;
using Menu = MainPanel::Menu;
using Icon = MessageBoxes::Icon;

namespace {
constexpr int kInnerWidth = 4605;  // twips
constexpr int kInnerHeight = 2220; // twips
constexpr QRect kLblConfig{75, 630, 2820, 540};
constexpr QRect kTxtCom{1935, 870, 945, 285};
constexpr QRect kCheck1{1320, 915, 600, 225};
// How far a long profile summary may grow the window.
constexpr double kMaxScale = 3;
constexpr double kScaleStep = 1.02;
// The longest text each fixed place shows; the whole layout grows until every one fits.
constexpr std::pair<const char *, const char *> kLongestTexts[] = {
    {"Label1", "DDE:"},
    {"Label2", "MANUAL:"},
    {"Text1", "QUIT"},
    {"Text2", "DDE"},
    {"Label3", "999"},
    {"LblGradi", "STOP"},
    {"Text3", "360"},
    {"LblDelay", "STATUS OK"},
    {"LblConfig", "PROSISTEL B/C - COM: 16 - E,7,2 - 38400"},
    {"TxtCom", "COM OFF"},
    {"Check1", "Top"},
};
constexpr int kOuterHeight = 3000;        // twips, set at start-up
constexpr double kMinimisedTop = -100000; // a window saved while minimised lies far above this
// Texts show at most once a frame (25 a second); the traffic box a few times a second.
constexpr int kFrameMs = 40;
constexpr int kTBoxRefreshMs = 100;

// A saved coordinate the window can take: its pixels within what Qt allows a widget.
std::optional<int> screenPixels(double twips, double dpi)
{
    const std::optional<int> pixels = Twips::positionToPixels(twips, dpi);
    if (!pixels || qAbs(qint64(*pixels)) > QWIDGETSIZE_MAX)
        return std::nullopt;
    return pixels;
}

} // namespace

FrmSorvikDDE::FrmSorvikDDE(MainPanel &panel, Configuration &config, SerialPort &port,
                           MessageBoxes &boxes, Beeper &beeper, RotorControl &rotor,
                           StatusCommand &status, Banner &banner, QWidget *parent)
    : QMainWindow(parent), m_panel(panel), m_config(config), m_port(port), m_boxes(boxes),
      m_beeper(beeper), m_rotor(rotor), m_status(status), m_banner(banner)
{
    setObjectName(QStringLiteral("FrmSorvikDDE"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    const std::pair<Menu, const char *> menus[] = {
        {Menu::MnuConfig, "Config"}, {Menu::MnuGO, "GO"},         {Menu::MnuOn, "ON"},
        {Menu::MnuOff, "OFF"},       {Menu::mnuStatus, "STATUS"}, {Menu::MnuStop, "STOP"},
        {Menu::MnuMap, "MAP"},       {Menu::MnuHelp, "?"},
    };
    for (const auto &[menu, caption] : menus) {
        QAction *action = menuBar()->addAction(QString::fromLatin1(caption));
        action->setObjectName(MainPanel::menuName(menu));
        action->setEnabled(panel.menuEnabled(menu));
        m_menus.insert(menu, action);
    }
    connect(m_menus[Menu::MnuConfig], &QAction::triggered, this, &FrmSorvikDDE::MnuConfig_Click);
    connect(m_menus[Menu::MnuGO], &QAction::triggered, &m_rotor, &RotorControl::MnuGO_Click);
    connect(m_menus[Menu::MnuOn], &QAction::triggered, this, &FrmSorvikDDE::MnuOn_Click);
    connect(m_menus[Menu::MnuOff], &QAction::triggered, this, &FrmSorvikDDE::MnuOff_Click);
    connect(m_menus[Menu::mnuStatus], &QAction::triggered, this,
            [this] { m_status.mnuStatus_Click(); });
    connect(m_menus[Menu::MnuStop], &QAction::triggered, &m_rotor, &RotorControl::MnuStop_Click);
    connect(m_menus[Menu::MnuMap], &QAction::triggered, this, &FrmSorvikDDE::mapRequested);
    connect(m_menus[Menu::MnuHelp], &QAction::triggered, this, &FrmSorvikDDE::MnuHelp_Click);

    buildControls();

    for (int i = 0; i < MainPanel::kItemCount; ++i) {
        const auto item = Item(i);
        showText(item, panel.text(item));
        showColours(item);
    }
    m_tbox->setPlainText(panel.text(Item::TBox));
    setWindowTitle(panel.caption());
    applyLayout();

    // Texts and colours show once the handling that set them is over, so a drive's bytes go out
    // first (a drive turns LblDelay red before its first write), in the same pass when a frame
    // has gone by since they last showed (no wake-up of their own), else when it has: a
    // controller that reports hundreds of times a second costs a repaint a frame.
    connect(&panel, &MainPanel::textChanged, this, [this](Item item) {
        if (item == Item::TBox) {
            m_tboxPending.clear();
            m_tboxWhole = true;
            m_tboxTimer.start();
            return;
        }
        m_dirtyTexts.insert(item);
        showTextsSoon();
    });
    connect(&panel, &MainPanel::tboxAppended, this, [this](qsizetype removed, const QString &text) {
        if (removed > 0)
            m_tboxWhole = true;
        else if (!m_tboxWhole)
            m_tboxPending += text;
        if (!m_tboxTimer.isActive())
            m_tboxTimer.start();
    });
    m_textTimer.setSingleShot(true);
    connect(&m_textTimer, &QTimer::timeout, this, &FrmSorvikDDE::showTexts);
    m_tboxTimer.setSingleShot(true);
    m_tboxTimer.setInterval(kTBoxRefreshMs);
    connect(&m_tboxTimer, &QTimer::timeout, this, &FrmSorvikDDE::showTBox);
    const auto colourLater = [this](Item item) {
        m_dirtyColours.insert(item);
        showTextsSoon();
    };
    connect(&panel, &MainPanel::backgroundChanged, this,
            [colourLater](Item item, quint32) { colourLater(item); });
    connect(&panel, &MainPanel::text3ReadOnlyChanged, this, [this, colourLater](bool readOnly) {
        m_text3->setReadOnly(readOnly);
        m_shownColours.remove(Item::Text3); // shown anew over the changed state
        colourLater(Item::Text3);
    });
    connect(&panel, &MainPanel::menuEnabledChanged, this,
            [this](Menu menu, bool enabled) { m_menus[menu]->setEnabled(enabled); });
    connect(&panel, &MainPanel::captionChanged, this, &QWidget::setWindowTitle);

    connect(m_text3, &QLineEdit::textEdited, this,
            [this](const QString &text) { m_panel.setText(Item::Text3, text); });
    connect(m_text3, &QLineEdit::returnPressed, this, [this] { m_rotor.Text3_KeyPress(13); });
    connect(m_check1, &QCheckBox::clicked, this, &FrmSorvikDDE::Check1_Click);
}

FrmSorvikDDE::~FrmSorvikDDE() = default;

void FrmSorvikDDE::buildControls()
{
    auto *area = new QWidget(this);
    area->setObjectName(QStringLiteral("area"));
    // The form's colour fills the whole client area, however tall the window ends up.
    area->setAutoFillBackground(true);
    QPalette grey = area->palette();
    grey.setColor(QPalette::Window, QColor{QRgb(MainPanel::kLightGrey)});
    area->setPalette(grey);
    setCentralWidget(area);

    const auto lineEdit = [area] {
        auto *edit = new QLineEdit(area);
        edit->setFrame(true);
        return edit;
    };
    // Labels show their text at the top left and wrap it, as the designed ones do.
    const auto label = [area](bool bordered, const QString &text = {}) {
        auto *l = new QLabel(text, area);
        if (bordered)
            l->setFrameShape(QFrame::Box);
        l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        l->setWordWrap(true);
        return l;
    };

    auto *text1 = lineEdit();
    text1->setReadOnly(true); // the logbook writes it; the operator cannot
    m_items[Item::Text1] = place(text1, QStringLiteral("Text1"), {525, 30, 525, 285},
                                 QStringLiteral("Received via DDE"));
    auto *text2 = lineEdit();
    text2->setReadOnly(true);
    m_items[Item::Text2] =
        place(text2, QStringLiteral("Text2"), {1065, 30, 510, 285}, QStringLiteral("DDE status!"));
    m_items[Item::Label3] = place(label(true), QStringLiteral("Label3"), {1665, 30, 585, 285},
                                  QStringLiteral("Last rotor status!"));
    m_items[Item::LblGradi] = place(label(true), QStringLiteral("LblGradi"), {2310, 30, 585, 285},
                                    QStringLiteral("Last rotor status!"));
    place(label(false, QStringLiteral("DDE:")), QStringLiteral("Label1"), {120, 75, 390, 195});
    place(label(false, QStringLiteral("MANUAL:")), QStringLiteral("Label2"), {120, 375, 720, 195});
    m_text3 = lineEdit();
    m_text3->setMaxLength(3);
    m_items[Item::Text3] = place(m_text3, QStringLiteral("Text3"), {930, 330, 645, 285},
                                 QStringLiteral("Manual azimuth and press ENTER or GO!"));
    m_items[Item::LblDelay] =
        place(label(true), QStringLiteral("LblDelay"), {1770, 360, 1125, 255});
    auto *lblConfig = new FlowLabel(area);
    lblConfig->setFrameShape(QFrame::Box);
    m_items[Item::LblConfig] = place(lblConfig, QStringLiteral("LblConfig"), kLblConfig,
                                     QStringLiteral("Config default."));
    auto *txtCom = lineEdit();
    txtCom->setReadOnly(true);
    m_items[Item::TxtCom] =
        place(txtCom, QStringLiteral("TxtCom"), kTxtCom, QStringLiteral("RS232 COM port status"));
    m_check1 = new QCheckBox(QStringLiteral("Top"), area);
    place(m_check1, QStringLiteral("Check1"), kCheck1,
          QStringLiteral("Select for the Alway on the top."));
    m_tbox = new QPlainTextEdit(area);
    m_tbox->setReadOnly(true);
    m_tbox->setUndoRedoEnabled(false);
    m_tbox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_tbox->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_items[Item::TBox] = place(m_tbox, QStringLiteral("TBox"), {75, 1215, 2805, 960});
    m_items[Item::Label4] = place(label(false), QStringLiteral("Label4"), {2940, 75, 1620, 2055});
    auto *line1 = new QFrame(area);
    line1->setFrameShape(QFrame::HLine);
    line1->setStyleSheet(QStringLiteral("color: #E0E0E0; background: #E0E0E0;"));
    place(line1, QStringLiteral("Line1"), {60, 0, 2420 - 60, 15});

    // Bold where the window is designed so.
    for (Item item : {Item::Text2, Item::Label3, Item::LblGradi, Item::LblDelay, Item::Label4}) {
        QFont font = m_items[item]->font();
        font.setBold(true);
        if (item == Item::Label4)
            font.setPointSizeF(9.75);
        m_items[item]->setFont(font);
    }
}

double FrmSorvikDDE::dpi() const
{
    return logicalDpiY();
}

QWidget *FrmSorvikDDE::place(QWidget *widget, const QString &name, QRect twips,
                             const QString &toolTip)
{
    widget->setObjectName(name);
    if (!toolTip.isEmpty())
        widget->setToolTip(toolTip);
    m_designed.append({widget, twips});
    return widget;
}

double FrmSorvikDDE::layoutScale() const
{
    // The twips were drawn for a small 8-point font. With the font in use, every text the
    // program shows in a fixed place must fit, so the whole layout grows by the largest need
    // (never shrinks below the DPI conversion), and keeps its proportions.
    const auto designed = [this](const QString &name) {
        for (const auto &[widget, twips] : m_designed)
            if (widget->objectName() == name)
                return std::pair{widget, twips};
        return std::pair<QWidget *, QRect>{};
    };
    double scale = 1;
    const auto need = [&](QSize size, QSize designedTwips) {
        scale = std::max({scale, size.width() / (designedTwips.width() * dpi() / Twips::kPerInch),
                          size.height() / (designedTwips.height() * dpi() / Twips::kPerInch)});
    };
    for (const auto &[name, text] : kLongestTexts) {
        const auto [widget, twips] = designed(QString::fromLatin1(name));
        const QString shown = QString::fromLatin1(text);
        if (auto *label = qobject_cast<QLabel *>(widget)) {
            // One line: the hint of the label with the text unwrapped.
            QLabel probe(shown);
            probe.setFont(label->font());
            probe.setFrameShape(label->frameShape());
            probe.setAlignment(label->alignment());
            QSize size = probe.sizeHint();
            // The profile summary reads on its first line, above the check box and TxtCom.
            const QSize room = label == m_items.value(Item::LblConfig)
                                   ? QSize(twips.width(), kTxtCom.top() - kLblConfig.top())
                                   : twips.size();
            need(size, room);
        } else if (auto *edit = qobject_cast<QLineEdit *>(widget)) {
            const QFontMetrics metrics(edit->font());
            // What a line edit adds around its text, from its own hint of 17 'x'.
            const int around =
                edit->sizeHint().width() - 17 * metrics.horizontalAdvance(QLatin1Char('x'));
            need({metrics.horizontalAdvance(shown) + around, edit->minimumSizeHint().height()},
                 twips.size());
        } else if (widget) {
            need(widget->sizeHint(), twips.size());
        }
    }
    // A longer summary (a library model's name) flows around the check box and TxtCom; the
    // layout grows only as far as the summary in force needs.
    const QString summary = m_panel.text(Item::LblConfig);
    while (scale < kMaxScale && !summaryFits(summary, scale))
        scale *= kScaleStep;
    return scale;
}

QPoint FrmSorvikDDE::coveredCorner(double scale) const
{
    return {Twips::toPixels((kCheck1.left() - kLblConfig.left()) * scale, dpi()),
            Twips::toPixels((kTxtCom.top() - kLblConfig.top()) * scale, dpi())};
}

bool FrmSorvikDDE::summaryFits(const QString &summary, double scale) const
{
    const auto *label = static_cast<const QLabel *>(m_items.value(Item::LblConfig));
    const QSize size(Twips::toPixels(kLblConfig.width() * scale, dpi()),
                     Twips::toPixels(kLblConfig.height() * scale, dpi()));
    return FlowLabel::fits(summary, label->font(), size, coveredCorner(scale), label->frameWidth());
}

void FrmSorvikDDE::applyLayout()
{
    m_scale = layoutScale();
    const auto pixels = [this](double twips) { return Twips::toPixels(twips * m_scale, dpi()); };
    for (const auto &[widget, twips] : m_designed)
        widget->setGeometry(pixels(twips.left()), pixels(twips.top()), pixels(twips.width()),
                            qMax(1, pixels(twips.height())));
    centralWidget()->setMinimumSize(pixels(kInnerWidth), pixels(kInnerHeight));
    setFixedWidth(pixels(kInnerWidth));
    static_cast<FlowLabel *>(m_items.value(Item::LblConfig))->setCovered(coveredCorner(m_scale));
}

void FrmSorvikDDE::showText(Item item, const QString &text)
{
    QWidget *widget = m_items.value(item);
    if (item == Item::LblConfig) {
        auto *label = static_cast<QLabel *>(widget);
        if (label->text() == text)
            return;
        label->setText(text);
        // The window is as large as the summary in force needs, and no larger.
        if (layoutScale() != m_scale) {
            applyLayout();
            setOuterHeight(kOuterHeight);
        }
        return;
    }
    if (auto *edit = qobject_cast<QLineEdit *>(widget)) {
        if (edit->text() != text)
            edit->setText(text);
    } else if (auto *label = qobject_cast<QLabel *>(widget); label && label->text() != text) {
        label->setText(text);
    }
}

void FrmSorvikDDE::showTextsSoon()
{
    if (m_textTimer.isActive())
        return;
    const qint64 since = m_textsShown.isValid() ? m_textsShown.elapsed() : kFrameMs;
    m_textTimer.start(int(std::clamp<qint64>(kFrameMs - since, 0, kFrameMs)));
}

void FrmSorvikDDE::showTexts()
{
    m_textsShown.start();
    for (Item item : std::exchange(m_dirtyTexts, {}))
        showText(item, m_panel.text(item));
    for (Item item : std::exchange(m_dirtyColours, {}))
        showColours(item);
}

void FrmSorvikDDE::showTBox()
{
    // What arrived since the last showing is appended; after a cut, the box is shown anew. The
    // panel's text is the truth; the document holds it with every CR LF as one block separator.
    const QString box = m_panel.text(Item::TBox);
    if (m_tboxWhole) {
        m_tbox->setPlainText(box);
    } else if (!m_tboxPending.isEmpty()) {
        QTextCursor cursor(m_tbox->document());
        cursor.movePosition(QTextCursor::End);
        // A CR LF split across two showings is still one separator.
        const qsizetype kept = box.size() - m_tboxPending.size();
        const bool joins = kept > 0 && box[kept - 1] == u'\r' && m_tboxPending.startsWith(u'\n');
        cursor.insertText(joins ? m_tboxPending.mid(1) : m_tboxPending);
    }
    m_tboxWhole = false;
    m_tboxPending.clear();
    m_tbox->moveCursor(QTextCursor::End);
}

void FrmSorvikDDE::showColours(Item item)
{
    // A palette, not a style sheet: colours change with every drive and re-styling is costly.
    // A colour that came back to the one shown (a drive's red, then green) repaints nothing.
    const quint32 rgb = m_panel.background(item);
    const auto shown = m_shownColours.constFind(item);
    if (shown != m_shownColours.cend() && *shown == rgb)
        return;
    m_shownColours.insert(item, rgb);
    QWidget *widget = m_items.value(item);
    QPalette palette = widget->palette();
    const QColor background{QRgb(rgb)};
    palette.setColor(QPalette::Window, background);
    palette.setColor(QPalette::Base, background);
    if (item == Item::Text2)
        palette.setColor(QPalette::Text, Qt::black);
    if (item == Item::Label3)
        palette.setColor(QPalette::WindowText, Qt::red);
    widget->setAutoFillBackground(true);
    widget->setPalette(palette);
}

bool FrmSorvikDDE::Form_Load(bool anotherInstanceRunning)
{
    // A second instance ends here, before it touches the position file the first one owns.
    if (anotherInstanceRunning) {
        m_closing = true; // also while the message is up
        m_boxes.show(Icon::Critical, QStringLiteral("SorvikDDE already istance mounted!"),
                     QStringLiteral("SORVIK startup"));
        return false;
    }

    // A coordinate that does not convert is a failing step: it keeps its value.
    const PositionFile::Position saved =
        PositionFile::read(QDir(m_config.configDir()).filePath(QStringLiteral("DDEpos.ini")));
    QPoint at = pos();
    if (const std::optional<int> top = screenPixels(saved.top, dpi()))
        at.setY(*top);
    if (const std::optional<int> left = screenPixels(saved.left, dpi()))
        at.setX(*left);
    if (saved.top < kMinimisedTop) {
        const QSize screen = this->screen() ? this->screen()->geometry().size() : QSize();
        const QSize window = frameGeometry().size();
        at = {(screen.width() - window.width()) / 2, (screen.height() - window.height()) / 2};
    }
    move(at);

    m_config.setProfileNumber(1);
    setOuterHeight(kOuterHeight);
    m_panel.updateCaption();
    show();
    raise();
    activateWindow();
    m_panel.setText(Item::TBox, QString());
    m_banner.start();
    m_tbox->setFocus();
    m_panel.setText(Item::Label4, QStringLiteral("SORVIKDDE ") + kVersion);
    return true;
}

void FrmSorvikDDE::setOuterHeight(int twips)
{
    const int frameExtra = frameGeometry().height() - geometry().height();
    const int inner = Twips::toPixels(twips * m_scale, dpi()) - frameExtra;
    setFixedHeight(qMax(inner, minimumSizeHint().height()));
}

void FrmSorvikDDE::Form_Activate()
{
    if (m_closing)
        return;
    CaricaConfig();
    if (m_closing)
        return;

    const RotorProfile &profile = m_config.activeProfile();
    m_panel.setText(Item::LblConfig, profile.summary());
    if (!profile.isDemo()) {
        if (!m_port.portOpen() && !m_port.setPortOpen(true))
            return activationFailed();
        m_panel.setText(Item::TxtCom, QStringLiteral("COM ON"));
    } else {
        if (m_port.portOpen()) {
            m_panel.setText(Item::TxtCom, QStringLiteral("COM OFF"));
            m_port.setPortOpen(false);
        }
        m_panel.setText(Item::TxtCom, QStringLiteral("COM OFF"));
    }
}

void FrmSorvikDDE::notePortFailure(const QString &why)
{
    // The boxes say a port failed; the traffic box says which device and why.
    const QString note = QStringLiteral("COM PORT: ") + why;
    if (!m_panel.text(Item::TBox).endsWith(note + QStringLiteral("\r\n")))
        m_panel.appendNote(note);
}

void FrmSorvikDDE::activationFailed()
{
    m_panel.setText(Item::TxtCom, QStringLiteral("COM OFF"));
    const RotorProfile &profile = m_config.activeProfile();
    if (profile.isDemo())
        return;
    notePortFailure(m_port.errorString());
    if (m_port.portOpen()) {
        m_port.setPortOpen(false);
        m_panel.setText(Item::TxtCom, QStringLiteral("COM OFF"));
    }
    m_boxes.show(Icon::None,
                 QStringLiteral("DDE COM PORT ERROR OR IN USE - COM [") + profile.RotorPort +
                     QStringLiteral("] ") + kVersion,
                 kAppTitle);
}

void FrmSorvikDDE::CaricaConfig()
{
    if (!m_config.load())
        return loadFailed();
    setSerRotor();
}

void FrmSorvikDDE::loadFailed()
{
    RotorProfile &profile = m_config.activeProfile();
    if (!profile.isDemo()) {
        m_boxes.show(Icon::None, QStringLiteral("DDE-COM PORT ERROR .ini FILE ERROR ") + kVersion,
                     kAppTitle);
        m_panel.setText(Item::TxtCom, QStringLiteral("COM OFF"));
        if (m_port.portOpen())
            m_port.setPortOpen(false);
        profile.RotorModel = kDemoModel;
    }
    // Right after the dialog a failed load opened, a file that still fails goes on in DEMO:
    // the operator is not sent back into the dialog for ever.
    if (m_afterLoadFailureDialog)
        return;
    showConfigDialog(true);
}

void FrmSorvikDDE::setSerRotor()
{
    const RotorProfile &profile = m_config.activeProfile();
    QString why;
    if (PortSetup::apply(m_port, profile, PortSetup::Order::LinesThenOpen, &why)) {
        m_panel.setText(Item::TBox, QStringLiteral("STATUS => "));
        if (m_status.QueryRotorStatus())
            return;
        why = m_port.errorString();
    }
    if (profile.isDemo())
        return;
    notePortFailure(why);
    m_boxes.show(Icon::Exclamation,
                 QStringLiteral("Rotor PORT CONFIG ERROR OR IN USE! Please check config"),
                 QStringLiteral("SOrvik RotorPort ") + kVersion);
}

void FrmSorvikDDE::MnuOn_Click()
{
    if (m_config.activeProfile().isDemo())
        return;
    m_panel.setText(Item::TxtCom, QStringLiteral("COM ON"));
    if (m_port.setPortOpen(true))
        return;
    notePortFailure(m_port.errorString());
    m_boxes.show(Icon::None, QStringLiteral("PORT ALREADY OPEN OR IN USE"),
                 QStringLiteral("DDE SORVIK ") + kVersion);
}

void FrmSorvikDDE::MnuOff_Click()
{
    if (m_config.activeProfile().isDemo())
        return;
    m_panel.setText(Item::TxtCom, QStringLiteral("COM OFF"));
    if (!m_port.setPortOpen(false))
        m_boxes.show(Icon::None, QStringLiteral("PORT ALREADY CLOSED OR IN USE"),
                     QStringLiteral("DDE SORVIK ") + kVersion);
}

void FrmSorvikDDE::Rigenera()
{
    for (Menu menu : {Menu::MnuConfig, Menu::MnuGO, Menu::MnuOn, Menu::MnuOff})
        m_panel.setMenuEnabled(menu, true);
    if (!m_port.portOpen())
        m_port.setPortOpen(true);
    m_panel.setText(Item::LblConfig, m_config.activeProfile().summary());
}

void FrmSorvikDDE::MnuConfig_Click()
{
    showConfigDialog(false);
}

void FrmSorvikDDE::showConfigDialog(bool afterLoadFailure)
{
    // Already on screen, on its way out, or the program is closing: nothing to open.
    if (m_closing || m_dialogShown || (m_dialog && m_dialog->isClosing()))
        return;
    FrmDDEConfig &dialog = configDialog();
    m_dialogShown = true;
    dialog.exec();
    // exec() also ends without a close event when the program quits: apply the dialog then too.
    if (m_dialog && !m_dialog->isClosing())
        m_dialog->close();
    m_dialogShown = false;
    m_dialog.reset();
    if (m_closing)
        return;
    // The main window becomes active again once the dialog has gone.
    QTimer::singleShot(0, this, [this, afterLoadFailure] {
        m_afterLoadFailureDialog = afterLoadFailure;
        Form_Activate();
        m_afterLoadFailureDialog = false;
    });
}

FrmDDEConfig &FrmSorvikDDE::configDialog()
{
    if (!m_dialog)
        m_dialog =
            std::make_unique<FrmDDEConfig>(m_config, m_panel, m_port, m_boxes, m_beeper, this);
    return *m_dialog;
}

QString FrmSorvikDDE::configModelBox()
{
    return configDialog().text(FrmDDEConfig::Box::CmbRotor);
}

void FrmSorvikDDE::unloadConfigDialog()
{
    if (!m_dialog || m_dialog->isClosing())
        return;
    m_dialog->close();
    // A dialog on screen is destroyed where it was shown, once its exec() has returned.
    if (!m_dialogShown)
        m_dialog.reset();
}

void FrmSorvikDDE::MnuHelp_Click()
{
    QStringList lines{
        QStringLiteral("SORVIK DDE ROTOR CONTROL"),
        QStringLiteral("Home page: the SorvikDDE pages that came with your logbook"),
        QStringLiteral("Made by the SorvikDDE developers, reachable by e-mail through those pages"),
        QString(),
        QStringLiteral("For information and news, write by e-mail or visit the home page."),
    };
    lines << QString() << QStringLiteral("Configuration folder: ") + m_config.configDir();
    if (!m_aboutNote.isEmpty())
        lines << m_aboutNote;
    m_boxes.show(Icon::Information, lines.join(QStringLiteral("\r\n")),
                 QStringLiteral("DDE Sorvik Rotor control ") + kVersion);
}

void FrmSorvikDDE::Check1_Click(bool checked)
{
    setOnTop(checked);
}

void FrmSorvikDDE::setOnTop(bool onTop)
{
    // Changing a window flag re-creates the native window; put it back where it was.
    const QRect geometry = this->geometry();
    const bool visible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    setGeometry(geometry);
    if (visible)
        show();
}

void FrmSorvikDDE::closeEvent(QCloseEvent *event)
{
    Form_QueryUnload();
    event->accept();
    emit closed();
}

void FrmSorvikDDE::Form_QueryUnload()
{
    if (m_closing)
        return;
    m_closing = true;
    SalvaPosizione();
    m_rotor.closing();
    unloadConfigDialog();
    if (m_port.portOpen())
        m_port.setPortOpen(false);
}

void FrmSorvikDDE::SalvaPosizione()
{
    const QRect frame = frameGeometry();
    PositionFile::write(QDir(m_config.configDir()).filePath(QStringLiteral("DDEpos.ini")),
                        Twips::fromPixels(frame.top(), dpi()),
                        Twips::fromPixels(frame.left(), dpi()));
}
