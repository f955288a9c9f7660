#include "configuration/FrmDDEConfig.h"

#include "app/PortSetup.h"

#include <QAction>
#include <QComboBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

using Box = ConfigDialog::Box;

namespace {
constexpr int kTwipsPerInch = 1440;

const QString kCaption = QStringLiteral("DDE SORVIK CONFIG   (Start rotor default = ROTOR-1)");
const QString kPortToolTip = QStringLiteral(
    "The COM RS232 compatible PORT for your Rotor. For USB use a simple COM<>USB converter!");

QStringList portItems()
{
    QStringList items;
    for (int port = 1; port <= 16; ++port)
        items << QString::number(port);
    return items;
}

constexpr int dropDownIndex(Box box)
{
    return static_cast<int>(box); // the five drop-downs come first in Box order
}
} // namespace

FrmDDEConfig::FrmDDEConfig(ConfigDialog &dialog, PortDescriber describePort, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_dialog(dialog), m_describePort(std::move(describePort))
{
    setObjectName(QStringLiteral("FrmDDEConfig"));
    setWindowTitle(kCaption);

    auto *menuBar = new QMenuBar(this);
    m_mnuExit = menuBar->addAction(QStringLiteral("Exit"));
    m_mnuExit->setObjectName(QStringLiteral("MnuExit"));

    QComboBox *cmbRotor = makeDropDown(
        Box::CmbRotor,
        {QStringLiteral("DEMO"), QStringLiteral("DCU-1"), QStringLiteral("ROTOR-EZ"),
         QStringLiteral("HY-GAIN"), QStringLiteral("PROSISTEL B/C"), QStringLiteral("PROSISTEL D"),
         QStringLiteral("SARTEK"), QStringLiteral("ARSWIN"), QStringLiteral("IF100")},
        QStringLiteral("Select Your rotor!"));
    QComboBox *cmbRotorSet =
        makeDropDown(Box::CmbRotorSet,
                     {QStringLiteral("N,8,1"), QStringLiteral("N,8,2"), QStringLiteral("E,8,1"),
                      QStringLiteral("E,8,2"), QStringLiteral("N,7,1"), QStringLiteral("N,7,2"),
                      QStringLiteral("E,7,1"), QStringLiteral("E,7,2")},
                     QStringLiteral("The parameters between PC & ROTOR"));
    QComboBox *cmbRotorPort = makeDropDown(Box::CmbRotorPort, portItems(), kPortToolTip);
    QComboBox *cmbRotorBaud =
        makeDropDown(Box::CmbRotorBaud,
                     {QStringLiteral("1200"), QStringLiteral("2400"), QStringLiteral("4800"),
                      QStringLiteral("9600"), QStringLiteral("19200"), QStringLiteral("38400")},
                     QStringLiteral("The dialog speed between ROTOR & PC"));
    QComboBox *cmbRotorHanshack =
        makeDropDown(Box::CmbRotorHanshack,
                     {QStringLiteral("0 - NONE"), QStringLiteral("1 - XON/XOFF"),
                      QStringLiteral("2 - RTS/DTR"), QStringLiteral("3 - 1+2")},
                     QStringLiteral("The ROTOR<>PC handshacke mode"));

    m_txtErrore =
        makeTextBox(Box::TxtErrore, 3, QStringLiteral("Enter the direction Rotor Azimuth error!"));
    m_txtDelay = makeTextBox(Box::TxtDelay, 4, QStringLiteral("Enter the ROTOR command DELAY"));
    // Leaving the delay box runs its rule before whatever took the focus acts on it.
    m_txtDelay->installEventFilter(this);

    m_cmdSave = new QPushButton(QStringLiteral("SAVE"), this);
    m_cmdSave->setObjectName(QStringLiteral("CmdSave"));
    // Not a default button: Enter in a box must not save past the delay rule.
    m_cmdSave->setAutoDefault(false);
    m_cmdSave->setDefault(false);
    m_cmdSave->setStyleSheet(
        QStringLiteral("QPushButton#CmdSave { background-color: #FF8080; font-weight: bold;"
                       " border: 1px solid #804040; padding: 2px 6px; }"));

    const QStringList optionTips{QStringLiteral("START DEFAULT: Select Rotor Type."),
                                 QStringLiteral("Select Rotor Type."),
                                 QStringLiteral("Select Rotor Type.")};
    for (int i = 0; i < ConfigDialog::kOptionCount; ++i) {
        auto *option = new QRadioButton(QStringLiteral("Rotor %1").arg(i + 1), this);
        option->setObjectName(QStringLiteral("OptRotor%1").arg(i));
        option->setProperty("index", i);
        option->setToolTip(optionTips[i]);
        option->setStyleSheet(QStringLiteral("QRadioButton { background-color: #C0C0FF; }"));
        option->setAutoFillBackground(true);
        connect(option, &QRadioButton::toggled, this, [this, i](bool checked) {
            if (checked)
                m_dialog.markOption(i);
        });
        m_options[i] = option;
    }

    m_lblRotore = new QLabel(this);
    m_lblRotore->setObjectName(QStringLiteral("LblRotore"));
    m_lblRotore->setToolTip(QStringLiteral("Wath active?"));
    m_lblRotore->setStyleSheet(QStringLiteral(
        "QLabel#LblRotore { color: #C00000; background-color: #FFC0C0; font-weight: bold; }"));

    // Row 1: model, error, delay, SAVE.
    auto *row1 = new QHBoxLayout;
    row1->addWidget(makeLabel(QStringLiteral("Label2"), QStringLiteral("MOD:")));
    row1->addWidget(cmbRotor, 3);
    row1->addWidget(makeLabel(QStringLiteral("Label1"), QStringLiteral("Rotor Error:")));
    row1->addWidget(m_txtErrore, 1);
    row1->addWidget(makeLabel(QStringLiteral("Label3"), QStringLiteral("Delay ms.:")));
    row1->addWidget(m_txtDelay, 1);
    row1->addWidget(m_cmdSave, 1);
    // Row 2: port, settings, baud, handshake.
    auto *row2 = new QHBoxLayout;
    row2->addWidget(makeLabel(QStringLiteral("Label55"), QStringLiteral("COM:")));
    row2->addWidget(cmbRotorPort, 1);
    row2->addWidget(cmbRotorSet, 1);
    row2->addWidget(makeLabel(QStringLiteral("Label57"), QStringLiteral("Baud:")));
    row2->addWidget(cmbRotorBaud, 1);
    row2->addWidget(cmbRotorHanshack, 2);
    // Row 3: the profile options and what is in force.
    auto *row3 = new QHBoxLayout;
    for (QRadioButton *option : m_options)
        row3->addWidget(option);
    row3->addWidget(m_lblRotore, 1);

    auto *rows = new QVBoxLayout(this);
    rows->setMenuBar(menuBar);
    rows->setContentsMargins(4, 2, 4, 2);
    rows->setSpacing(2);
    rows->addLayout(row1);
    rows->addLayout(row2);
    rows->addLayout(row3);

    setTabOrder(cmbRotor, cmbRotorSet);
    setTabOrder(cmbRotorSet, cmbRotorPort);
    setTabOrder(cmbRotorPort, cmbRotorBaud);
    setTabOrder(cmbRotorBaud, cmbRotorHanshack);
    setTabOrder(cmbRotorHanshack, m_txtErrore);
    setTabOrder(m_txtErrore, m_cmdSave);
    setTabOrder(m_cmdSave, m_txtDelay);
    setTabOrder(m_txtDelay, m_options[0]);
    setTabOrder(m_options[0], m_options[1]);
    setTabOrder(m_options[1], m_options[2]);

    // The state as it is now (a hidden load may have filled it), then every change of it.
    for (int i = 0; i < ConfigDialog::kBoxCount; ++i)
        showText(static_cast<Box>(i), m_dialog.text(static_cast<Box>(i)));
    m_options[m_dialog.markedOption()]->setChecked(true);
    m_lblRotore->setText(m_dialog.lblRotore());
    showPortDevice();

    connect(&m_dialog, &ConfigDialog::textChanged, this, &FrmDDEConfig::showText);
    connect(&m_dialog, &ConfigDialog::markedOptionChanged, this,
            [this](int index) { m_options[index]->setChecked(true); });
    connect(&m_dialog, &ConfigDialog::lblRotoreChanged, m_lblRotore, &QLabel::setText);
    connect(&m_dialog, &ConfigDialog::closeRequested, this, &QDialog::close);
    connect(m_mnuExit, &QAction::triggered, &m_dialog, &ConfigDialog::MnuExit_Click);
    connect(m_cmdSave, &QPushButton::clicked, &m_dialog, &ConfigDialog::CmdSave_Click);
    connect(m_txtDelay, &QLineEdit::textEdited, this,
            [this](const QString &text) { m_dialog.setText(Box::TxtDelay, text); });
    connect(m_txtErrore, &QLineEdit::textEdited, this,
            [this](const QString &text) { m_dialog.setText(Box::TxtErrore, text); });

    resize(twipsToPixels(kDesignWidthTwips), twipsToPixels(kHeightTwips));
}

int FrmDDEConfig::twipsToPixels(int twips) const
{
    return qRound(twips * logicalDpiY() / double(kTwipsPerInch));
}

QComboBox *FrmDDEConfig::makeDropDown(Box box, const QStringList &items, const QString &toolTip)
{
    // Editable only so that a value the program sets ("n,8,1") can show although it is no
    // list item; the edit field takes no typing, so values come from the list or the program.
    auto *combo = new QComboBox(this);
    combo->setObjectName(ConfigDialog::boxName(box));
    combo->setEditable(true);
    combo->lineEdit()->setReadOnly(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setCompleter(nullptr);
    combo->addItems(items);
    combo->setToolTip(toolTip);
    combo->setMaxVisibleItems(items.size());
    connect(combo, &QComboBox::activated, this, [this, combo, box](int index) {
        m_dialog.setText(box, combo->itemText(index));
        if (box == Box::CmbRotor)
            m_dialog.CmbRotor_Click();
    });
    m_dropDowns[dropDownIndex(box)] = combo;
    return combo;
}

QLineEdit *FrmDDEConfig::makeTextBox(Box box, int maxLength, const QString &toolTip)
{
    auto *edit = new QLineEdit(this);
    edit->setObjectName(ConfigDialog::boxName(box));
    edit->setMaxLength(maxLength);
    edit->setProperty("typingLimit", maxLength);
    edit->setToolTip(toolTip);
    return edit;
}

QLabel *FrmDDEConfig::makeLabel(const QString &name, const QString &caption)
{
    auto *label = new QLabel(caption, this);
    label->setObjectName(name);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    return label;
}

void FrmDDEConfig::showText(Box box, const QString &text)
{
    if (box == Box::TxtDelay || box == Box::TxtErrore) {
        QLineEdit *edit = box == Box::TxtDelay ? m_txtDelay : m_txtErrore;
        if (edit->text() == text)
            return;
        // The limit is on typing: a longer value the program puts in shows whole.
        const int limit = edit->property("typingLimit").toInt();
        edit->setMaxLength(std::max<int>(limit, text.size()));
        edit->setText(text);
        return;
    }
    QComboBox *combo = m_dropDowns[dropDownIndex(box)];
    // A list item becomes the current one, so the arrow keys go on from it; any other value is
    // shown with no item current.
    const int item = combo->findText(text, Qt::MatchFixedString | Qt::MatchCaseSensitive);
    if (combo->currentIndex() != item)
        combo->setCurrentIndex(item);
    if (combo->currentText() != text)
        combo->setEditText(text);
    if (box == Box::CmbRotorPort)
        showPortDevice();
}

void FrmDDEConfig::showPortDevice()
{
    QString tip = kPortToolTip;
    const std::optional<int> port = PortSetup::portNumber(m_dialog.text(Box::CmbRotorPort));
    if (m_describePort && port && *port >= 1)
        tip += QStringLiteral("\nCOM%1 opens %2").arg(*port).arg(m_describePort(*port));
    m_dropDowns[dropDownIndex(Box::CmbRotorPort)]->setToolTip(tip);
}

bool FrmDDEConfig::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_txtDelay && event->type() == QEvent::FocusOut) {
        // The window losing activation, a context menu or the menu bar are no leaving of the box:
        // "Exit" from the menu applies the text as typed.
        switch (static_cast<QFocusEvent *>(event)->reason()) {
        case Qt::ActiveWindowFocusReason:
        case Qt::PopupFocusReason:
        case Qt::MenuBarFocusReason:
            break;
        default:
            m_dialog.TxtDelay_LostFocus();
            break;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void FrmDDEConfig::keyPressEvent(QKeyEvent *event)
{
    // Escape does not close this dialog: it closes by "Exit" or its close box only.
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void FrmDDEConfig::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!m_placed) {
        m_placed = true;
        placeOnScreen();
    }
}

void FrmDDEConfig::placeOnScreen()
{
    // The height counts the frame where the window system has one.
    const int frameExtra = std::max(0, frameGeometry().height() - geometry().height());
    resize(width(), std::max(1, twipsToPixels(kHeightTwips) - frameExtra));
    const QRect screen = this->screen()->availableGeometry();
    const QSize outer = frameGeometry().size();
    move(screen.x() + (screen.width() - outer.width()) / 2,
         screen.y() + (screen.height() - outer.height()) / 2);
}

void FrmDDEConfigView::showModal(ConfigDialog &dialog)
{
    FrmDDEConfig window(dialog, m_describePort, m_parent);
    m_window = &window;
    window.exec();
    m_window = nullptr;
}

void FrmDDEConfigView::close()
{
    if (m_window)
        m_window->close();
}
