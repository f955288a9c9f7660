#include "app/FrmSorvikDDE.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>

using Item = MainPanel::Item;
using Menu = MainPanel::Menu;

namespace {
constexpr int kTwipsPerInch = 1440;
constexpr int kInnerWidth = 4605;  // twips
constexpr int kInnerHeight = 2220; // twips

QString rgbName(quint32 rgb)
{
    return QStringLiteral("#%1").arg(rgb, 6, 16, QLatin1Char('0')).toUpper();
}

struct ControlText
{
    Item item;
    const char *style; // what besides the background the control always shows
};
} // namespace

FrmSorvikDDE::FrmSorvikDDE(MainPanel &panel, QWidget *parent) : QMainWindow(parent), m_panel(panel)
{
    setObjectName(QStringLiteral("FrmSorvikDDE"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    const std::pair<Menu, const char *> menus[] = {
        {Menu::MnuConfig, "Config"}, {Menu::MnuGO, "GO"},         {Menu::MnuOn, "ON"},
        {Menu::MnuOff, "OFF"},       {Menu::mnuStatus, "STATUS"}, {Menu::MnuStop, "STOP"},
        {Menu::MnuHelp, "?"},
    };
    for (const auto &[menu, caption] : menus) {
        QAction *action = menuBar()->addAction(QString::fromLatin1(caption));
        action->setObjectName(MainPanel::menuName(menu));
        action->setEnabled(panel.menuEnabled(menu));
        connect(action, &QAction::triggered, this,
                [this, menu = menu] { emit menuTriggered(menu); });
        m_menus.insert(menu, action);
    }

    auto *area = new QWidget(this);
    area->setObjectName(QStringLiteral("area"));
    area->setAutoFillBackground(true);
    area->setStyleSheet(QStringLiteral("#area { background: #C0C0C0; }"));
    area->setFixedSize(twipsToPixels(kInnerWidth), twipsToPixels(kInnerHeight));
    setCentralWidget(area);

    const auto lineEdit = [area] {
        auto *edit = new QLineEdit(area);
        edit->setFrame(true);
        return edit;
    };
    const auto label = [area](bool bordered) {
        auto *l = new QLabel(area);
        if (bordered)
            l->setFrameShape(QFrame::Box);
        l->setAlignment(Qt::AlignCenter);
        return l;
    };

    auto *text1 = lineEdit();
    text1->setReadOnly(true); // the logbook writes it; the operator cannot
    m_items[Item::Text1] = place(text1, QStringLiteral("Text1"), 525, 30, 525, 285,
                                 QStringLiteral("Received via DDE"));
    auto *text2 = lineEdit();
    text2->setReadOnly(true);
    m_items[Item::Text2] =
        place(text2, QStringLiteral("Text2"), 1065, 30, 510, 285, QStringLiteral("DDE status!"));
    m_items[Item::Label3] = place(label(true), QStringLiteral("Label3"), 1665, 30, 585, 285,
                                  QStringLiteral("Last rotor status!"));
    m_items[Item::LblGradi] = place(label(true), QStringLiteral("LblGradi"), 2310, 30, 585, 285,
                                    QStringLiteral("Last rotor status!"));
    auto *label1 = label(false);
    label1->setText(QStringLiteral("DDE:"));
    label1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    place(label1, QStringLiteral("Label1"), 120, 75, 390, 195);
    auto *label2 = label(false);
    label2->setText(QStringLiteral("MANUAL:"));
    label2->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    place(label2, QStringLiteral("Label2"), 120, 375, 720, 195);
    m_text3 = lineEdit();
    m_text3->setMaxLength(3);
    m_items[Item::Text3] = place(m_text3, QStringLiteral("Text3"), 930, 330, 645, 285,
                                 QStringLiteral("Manual azimuth and press ENTER or GO!"));
    m_items[Item::LblDelay] = place(label(true), QStringLiteral("LblDelay"), 1770, 360, 1125, 255);
    auto *config = label(true);
    config->setWordWrap(true);
    m_items[Item::LblConfig] = place(config, QStringLiteral("LblConfig"), 75, 630, 2820, 540,
                                     QStringLiteral("Config default."));
    auto *txtCom = lineEdit();
    txtCom->setReadOnly(true);
    m_items[Item::TxtCom] = place(txtCom, QStringLiteral("TxtCom"), 1935, 870, 945, 285,
                                  QStringLiteral("RS232 COM port status"));
    m_check1 = new QCheckBox(QStringLiteral("Top"), area);
    place(m_check1, QStringLiteral("Check1"), 1320, 915, 600, 225,
          QStringLiteral("Select for the Alway on the top."));
    m_tbox = new QPlainTextEdit(area);
    m_tbox->setReadOnly(true);
    m_tbox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_tbox->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_items[Item::TBox] = place(m_tbox, QStringLiteral("TBox"), 75, 1215, 2805, 960);
    auto *label4 = label(false);
    label4->setWordWrap(true);
    label4->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_items[Item::Label4] = place(label4, QStringLiteral("Label4"), 2940, 75, 1620, 2055);
    auto *line1 = new QFrame(area);
    line1->setFrameShape(QFrame::HLine);
    line1->setStyleSheet(QStringLiteral("color: #E0E0E0; background: #E0E0E0;"));
    place(line1, QStringLiteral("Line1"), 60, 0, 2420 - 60, 15);

    // Fonts and fixed text colours: bold where the window is designed so.
    for (Item item : {Item::Text2, Item::Label3, Item::LblGradi, Item::LblDelay, Item::Label4}) {
        QFont font = m_items[item]->font();
        font.setBold(true);
        if (item == Item::Label4)
            font.setPointSizeF(9.75);
        m_items[item]->setFont(font);
    }

    for (int i = 0; i < MainPanel::kItemCount; ++i) {
        const auto item = Item(i);
        showText(item, panel.text(item));
        showColours(item);
    }
    setWindowTitle(panel.caption());

    connect(&panel, &MainPanel::textChanged, this, &FrmSorvikDDE::showText);
    connect(&panel, &MainPanel::backgroundChanged, this,
            [this](Item item, quint32) { showColours(item); });
    connect(&panel, &MainPanel::text3ReadOnlyChanged, this, [this](bool readOnly) {
        m_text3->setReadOnly(readOnly);
        showColours(Item::Text3);
    });
    connect(&panel, &MainPanel::menuEnabledChanged, this,
            [this](Menu menu, bool enabled) { m_menus[menu]->setEnabled(enabled); });
    connect(&panel, &MainPanel::captionChanged, this, &QWidget::setWindowTitle);

    connect(m_text3, &QLineEdit::textEdited, this,
            [this](const QString &text) { m_panel.setText(Item::Text3, text); });
    connect(m_text3, &QLineEdit::returnPressed, this, &FrmSorvikDDE::text3Enter);
    connect(m_check1, &QCheckBox::clicked, this, &FrmSorvikDDE::check1Clicked);

    resize(sizeHint());
}

int FrmSorvikDDE::twipsToPixels(int twips) const
{
    return qRound(twips * logicalDpiY() / double(kTwipsPerInch));
}

int FrmSorvikDDE::pixelsToTwips(int pixels) const
{
    return qRound(pixels * double(kTwipsPerInch) / logicalDpiY());
}

QWidget *FrmSorvikDDE::place(QWidget *widget, const QString &name, int left, int top, int width,
                             int height, const QString &toolTip)
{
    widget->setObjectName(name);
    widget->setGeometry(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width),
                        qMax(1, twipsToPixels(height)));
    if (!toolTip.isEmpty())
        widget->setToolTip(toolTip);
    return widget;
}

void FrmSorvikDDE::showText(Item item, const QString &text)
{
    QWidget *widget = m_items.value(item);
    if (auto *edit = qobject_cast<QLineEdit *>(widget)) {
        if (edit->text() != text)
            edit->setText(text);
    } else if (auto *label = qobject_cast<QLabel *>(widget)) {
        label->setText(text);
    } else if (widget == m_tbox) {
        m_tbox->setPlainText(text);
        // The caret goes after the last character, so the box shows its end.
        m_tbox->moveCursor(QTextCursor::End);
        m_tbox->verticalScrollBar()->setValue(m_tbox->verticalScrollBar()->maximum());
    }
}

void FrmSorvikDDE::showColours(Item item)
{
    QWidget *widget = m_items.value(item);
    QString style = QStringLiteral("background-color: %1;").arg(rgbName(m_panel.background(item)));
    if (item == Item::Text2)
        style += QStringLiteral(" color: #000000;");
    if (item == Item::Label3)
        style += QStringLiteral(" color: #FF0000;");
    if (qobject_cast<QLabel *>(widget))
        style += QStringLiteral(" border: 1px solid #000000;");
    if (item == Item::Label4 || item == Item::LblConfig)
        style.replace(QStringLiteral(" border: 1px solid #000000;"),
                      item == Item::LblConfig ? QStringLiteral(" border: 1px solid #000000;")
                                              : QString());
    widget->setStyleSheet(style);
}

int FrmSorvikDDE::top() const
{
    return pixelsToTwips(frameGeometry().top());
}

int FrmSorvikDDE::left() const
{
    return pixelsToTwips(frameGeometry().left());
}

void FrmSorvikDDE::moveTo(int top, int left)
{
    move(twipsToPixels(left), twipsToPixels(top));
}

QSize FrmSorvikDDE::size() const
{
    const QRect frame = frameGeometry();
    return {pixelsToTwips(frame.width()), pixelsToTwips(frame.height())};
}

void FrmSorvikDDE::setOuterHeight(int height)
{
    const int frameExtra = frameGeometry().height() - geometry().height();
    const int inner = twipsToPixels(height) - frameExtra;
    setFixedHeight(qMax(inner, minimumSizeHint().height()));
}

QSize FrmSorvikDDE::screenSize() const
{
    const QScreen *s = screen();
    if (!s)
        return {};
    const QSize pixels = s->geometry().size();
    return {pixelsToTwips(pixels.width()), pixelsToTwips(pixels.height())};
}

void FrmSorvikDDE::showInFront()
{
    show();
    raise();
    activateWindow();
}

void FrmSorvikDDE::focusTBox()
{
    m_tbox->setFocus();
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

void FrmSorvikDDE::requestClose()
{
    close();
}

void FrmSorvikDDE::closeEvent(QCloseEvent *event)
{
    emit closing();
    event->accept();
}

bool FrmSorvikDDE::eventFilter(QObject *watched, QEvent *event)
{
    return QMainWindow::eventFilter(watched, event);
}
