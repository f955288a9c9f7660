#include "configuration/dialog/FrmDDEConfig.h"

#include "configuration/Configuration.h"
#include "core/Beeper.h"
#include "core/DevicePath.h"
#include "core/Int16.h"
#include "core/MainPanel.h"
#include "core/MessageBoxes.h"
#include "core/PortSetup.h"
#include "core/SerialPort.h"
#include "core/Twips.h"
#include "core/Version.h"
#include "rotor/RotorFamily.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMetaEnum>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QVBoxLayout>

using Box = FrmDDEConfig::Box;
using Item = MainPanel::Item;
using Icon = MessageBoxes::Icon;

namespace {
const QString kCaption = QStringLiteral("DDE SORVIK CONFIG   (Start rotor default = ROTOR-1)");
const QString kPortToolTip = QStringLiteral(
    "The COM RS232 compatible PORT for your Rotor. For USB use a simple COM<>USB converter!");
constexpr int kTypingLimit[] = {3, 4}; // TxtErrore, TxtDelay

QStringList portItems()
{
    QStringList items;
    for (int port = 1; port <= 16; ++port)
        items << QString::number(port);
    return items;
}

constexpr int index(Box box)
{
    return static_cast<int>(box); // the five drop-downs come first in Box order
}
} // namespace

FrmDDEConfig::FrmDDEConfig(Configuration &config, MainPanel &panel, SerialPort &port,
                           MessageBoxes &boxes, Beeper &beeper, QWidget *parent, DeviceList devices)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_config(config), m_panel(panel), m_port(port), m_boxes(boxes), m_beeper(beeper),
      m_devices(std::move(devices))
{
    setObjectName(QStringLiteral("FrmDDEConfig"));
    setWindowTitle(kCaption);

    auto *menuBar = new QMenuBar(this);
    m_mnuExit = menuBar->addAction(QStringLiteral("Exit"));
    m_mnuExit->setObjectName(QStringLiteral("MnuExit"));

    // Design texts, as the dialog is created.
    QComboBox *cmbRotor = makeDropDown(Box::CmbRotor, RotorFamily::dialogModels(),
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
    m_txtErrore = makeTextBox(Box::TxtErrore, kTypingLimit[0],
                              QStringLiteral("Enter the direction Rotor Azimuth error!"));
    m_txtDelay = makeTextBox(Box::TxtDelay, kTypingLimit[1],
                             QStringLiteral("Enter the ROTOR command DELAY"));
    const std::pair<Box, QString> designTexts[] = {
        {Box::CmbRotorPort, QStringLiteral("1")},
        {Box::CmbRotorBaud, QStringLiteral("4800")},
        {Box::CmbRotorSet, QStringLiteral("N,8,2")},
        {Box::CmbRotorHanshack, QStringLiteral("0 - NONE")},
        {Box::CmbRotor, kDemoModel},
        {Box::TxtDelay, QStringLiteral("1000")},
        {Box::TxtErrore, QStringLiteral("0")},
    };
    for (const auto &[box, text] : designTexts)
        setText(box, text);
    // Leaving the delay box runs its rule before whatever took the focus acts on it.
    m_txtDelay->installEventFilter(this);

    // Beside the port: the device it leads to, and the chooser that changes it.
    m_txtDevice = new QLineEdit(this);
    m_txtDevice->setObjectName(QStringLiteral("TxtDevice"));
    m_txtDevice->setReadOnly(true);
    m_txtDevice->setAccessibleName(QStringLiteral("Device"));
    m_txtDevice->setMinimumWidth(
        m_txtDevice->fontMetrics().horizontalAdvance(QStringLiteral("/dev/ttyUSB0")));
    m_cmdDevice = new QPushButton(QStringLiteral("Device\u2026"), this);
    m_cmdDevice->setObjectName(QStringLiteral("CmdDevice"));
    m_cmdDevice->setAutoDefault(false);
    m_cmdDevice->setToolTip(QStringLiteral("Choose the device this port leads to; SAVE keeps it"));
    connect(m_cmdDevice, &QPushButton::clicked, this, &FrmDDEConfig::CmdDevice_Click);

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
    for (int i = 0; i < kOptionCount; ++i) {
        auto *option = new QRadioButton(QStringLiteral("Rotor %1").arg(i + 1), this);
        option->setObjectName(QStringLiteral("OptRotor%1").arg(i));
        option->setToolTip(optionTips[i]);
        option->setStyleSheet(QStringLiteral("QRadioButton { background-color: #C0C0FF; }"));
        option->setAutoFillBackground(true);
        m_options[i] = option;
    }
    // Created with "Rotor 1" marked; from then on, marking an option that was not marked is its
    // click (the marked one gives no toggle).
    m_options[0]->setChecked(true);
    for (int i = 0; i < kOptionCount; ++i) {
        connect(m_options[i], &QRadioButton::toggled, this, [this, i](bool checked) {
            if (checked)
                OptRotor_Click(i);
        });
    }

    m_lblRotore = new QLabel(QStringLiteral("ROTOR ONLINE"), this);
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
    row2->addWidget(m_txtDevice, 3);
    row2->addWidget(m_cmdDevice);
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
    // The device line comes after the designed controls.
    setTabOrder(m_options[2], m_txtDevice);
    setTabOrder(m_txtDevice, m_cmdDevice);

    connect(m_mnuExit, &QAction::triggered, this, &FrmDDEConfig::MnuExit_Click);
    connect(m_cmdSave, &QPushButton::clicked, this, &FrmDDEConfig::CmdSave_Click);

    // The designed size, grown by one factor until the rows fit the font in use.
    const double dpi = logicalDpiY();
    const QSize least = minimumSizeHint();
    m_scale = std::max({1.0, least.width() / (kDesignWidthTwips * dpi / Twips::kPerInch),
                        least.height() / (kHeightTwips * dpi / Twips::kPerInch)});
    resize(Twips::toPixels(kDesignWidthTwips * m_scale, dpi),
           Twips::toPixels(kHeightTwips * m_scale, dpi));

    Form_Load();
}

QString FrmDDEConfig::boxName(Box box)
{
    return QString::fromLatin1(QMetaEnum::fromType<Box>().valueToKey(index(box)));
}

QString FrmDDEConfig::text(Box box) const
{
    if (box == Box::TxtDelay)
        return m_txtDelay->text();
    if (box == Box::TxtErrore)
        return m_txtErrore->text();
    return m_dropDowns[index(box)]->currentText();
}

void FrmDDEConfig::setText(Box box, const QString &text)
{
    if (box == Box::TxtDelay || box == Box::TxtErrore) {
        QLineEdit *edit = box == Box::TxtDelay ? m_txtDelay : m_txtErrore;
        if (edit->text() == text)
            return;
        // The limit is on typing: a longer value the program puts in shows whole.
        const int limit = kTypingLimit[box == Box::TxtDelay ? 1 : 0];
        edit->setMaxLength(std::max<int>(limit, text.size()));
        edit->setText(text);
        return;
    }
    QComboBox *combo = m_dropDowns[index(box)];
    // A list item becomes the current one, so the arrow keys go on from it; any other value is
    // shown with no item current.
    const int item = combo->findText(text, Qt::MatchFixedString | Qt::MatchCaseSensitive);
    if (combo->currentIndex() != item)
        combo->setCurrentIndex(item);
    if (combo->currentText() != text)
        combo->setEditText(text);
    if (box == Box::CmbRotorPort || box == Box::CmbRotor)
        showPortDevice();
}

void FrmDDEConfig::Form_Load()
{
    // Centring and the height wait for the window to be shown.
    const int number = m_config.profileNumber();
    if (number >= 1 && number <= kOptionCount) {
        m_options[number - 1]->setChecked(true);
        setLblRotore(number);
        m_panel.setText(Item::TxtCom, QStringLiteral("COM OFF"));
        if (m_config.activeProfile().RotorPort != kDemoModel && m_port.portOpen())
            m_port.setPortOpen(false);
    }
    fillBoxesFromActiveProfile();
    RotorDefault();
}

void FrmDDEConfig::RotorDefault()
{
    const RotorProfile &profile = m_config.activeProfile();
    const Configuration::BoxTexts defaults = Configuration::defaultTexts();
    const QString fields[] = {profile.RotorPort, profile.RotorBaud, profile.RotorSet,
                              profile.RotorHandshake, profile.RotorModel};
    for (int i = 0; i < 5; ++i) {
        if (fields[i].isEmpty())
            setText(Box(i), defaults[i]);
    }
    if (profile.RotorDelay == 0)
        setText(Box::TxtDelay, defaults[index(Box::TxtDelay)]);
}

void FrmDDEConfig::OptRotor_Click(int index)
{
    if (index < 0 || index >= kOptionCount)
        return;
    if (!m_options[index]->isChecked()) {
        const QSignalBlocker quiet(m_options[index]);
        m_options[index]->setChecked(true);
    }
    const int number = index + 1;
    setLblRotore(number);
    m_config.setProfileNumber(number);
    // The switch shows the profile as last read or saved; unsaved edits in the boxes are dropped.
    m_config.applyLinesToActive(number);
    fillBoxesFromActiveProfile();
}

void FrmDDEConfig::CmbRotor_Click()
{
    const QString model = text(Box::CmbRotor);
    // Only the names as the list writes them.
    const RotorFamily *family = RotorFamily::of(model);
    if (!family || !family->servedByLogbook || model != model.toUpper())
        return;
    m_boxes.show(Icon::Information,
                 QStringLiteral("This rotor model like [") + model +
                     QStringLiteral("] is directly implemented on SORVIK"),
                 kAppTitle);
}

QString FrmDDEConfig::checkedDelay(const QString &text)
{
    // toInt16 decides what a number is, so a delay that passes always converts when applied.
    // The comparison with 1 is on the number as typed: 0.6 is below 1 though it rounds to 1.
    if (!toInt16(text) || text.trimmed().toDouble() < 1.0)
        return QStringLiteral("1");
    return text;
}

void FrmDDEConfig::TxtDelay_LostFocus()
{
    setText(Box::TxtDelay, checkedDelay(text(Box::TxtDelay)));
}

void FrmDDEConfig::CmdSave_Click()
{
    int slot = 1;
    while (slot < kOptionCount && !m_options[slot - 1]->isChecked())
        ++slot;
    Configuration::BoxTexts texts;
    for (int i = 0; i < kBoxCount; ++i)
        texts[i] = text(Box(i));

    if (m_config.save(slot, texts)) {
        saveChosenDevice();
        m_beeper.beep();
        return;
    }
    // A save into slot 1 takes its model from the box; slots 2 and 3 leave the one in force.
    const QString model = slot == 1 ? text(Box::CmbRotor) : m_config.activeProfile().RotorModel;
    // Every failed save is told: one that failed in silence would pass for a success.
    m_boxes.show(Icon::None, QStringLiteral("DDE SAVE ERROR ") + kVersion, kAppTitle);
    if (model == kDemoModel)
        MnuExit_Click();
}

void FrmDDEConfig::MnuExit_Click()
{
    close();
}

void FrmDDEConfig::closeEvent(QCloseEvent *event)
{
    if (!m_closing) {
        m_closing = true;
        // Its message box runs a nested event loop; the dialog stays until it returns.
        Form_QueryUnload();
    }
    QDialog::closeEvent(event);
    event->accept();
}

void FrmDDEConfig::Form_QueryUnload()
{
    RotorProfile &profile = m_config.activeProfile();
    profile.RotorPort = text(Box::CmbRotorPort);
    profile.RotorBaud = text(Box::CmbRotorBaud);
    profile.RotorSet = text(Box::CmbRotorSet);
    profile.RotorHandshake = text(Box::CmbRotorHanshack);
    profile.RotorModel = text(Box::CmbRotor);
    const std::optional<qint16> delay = toInt16(text(Box::TxtDelay));
    if (!delay)
        return queryUnloadFailed(QStringLiteral("the delay is not a number"));
    profile.RotorDelay = *delay;
    const std::optional<qint16> error = toInt16(text(Box::TxtErrore));
    if (!error)
        return queryUnloadFailed(QStringLiteral("the rotor error is not a number"));
    profile.RotorError = *error;

    QString why;
    if (!PortSetup::apply(m_port, profile, PortSetup::Order::OpenThenLines, &why))
        return queryUnloadFailed(why);
    if (!profile.isDemo() && !m_port.portOpen()) {
        if (!m_port.setPortOpen(true))
            return queryUnloadFailed(m_port.errorString());
        m_panel.setText(Item::TxtCom, QStringLiteral("COM ON"));
    }
}

void FrmDDEConfig::queryUnloadFailed(const QString &why)
{
    m_panel.setText(Item::TxtCom, QStringLiteral("COM OFF"));
    if (m_config.activeProfile().isDemo())
        return;
    m_panel.appendNote(QStringLiteral("COM PORT: ") + why);
    if (m_port.portOpen())
        m_port.setPortOpen(false);
    m_boxes.show(Icon::None, QStringLiteral("DDE COM PORT EXIT OPEN ERROR OR IN USE ") + kVersion,
                 kAppTitle);
}

QComboBox *FrmDDEConfig::makeDropDown(Box box, const QStringList &items, const QString &toolTip)
{
    // Editable only so that a value the program sets ("n,8,1") can show although it is no
    // list item; the edit field takes no typing, so values come from the list or the program.
    auto *combo = new QComboBox(this);
    combo->setObjectName(boxName(box));
    combo->setEditable(true);
    combo->lineEdit()->setReadOnly(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setCompleter(nullptr);
    combo->addItems(items);
    combo->setToolTip(toolTip);
    combo->setMaxVisibleItems(items.size());
    // Never narrower than its longest item, whatever the font.
    combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_dropDowns[index(box)] = combo;
    connect(combo, &QComboBox::activated, this, [this, box] {
        if (box == Box::CmbRotorPort || box == Box::CmbRotor)
            showPortDevice();
        if (box == Box::CmbRotor)
            CmbRotor_Click();
    });
    return combo;
}

QLineEdit *FrmDDEConfig::makeTextBox(Box box, int maxLength, const QString &toolTip)
{
    auto *edit = new QLineEdit(this);
    edit->setObjectName(boxName(box));
    edit->setMaxLength(maxLength);
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

void FrmDDEConfig::setLblRotore(int profileNumber)
{
    m_lblRotore->setText(QStringLiteral("ROTOR-") + QString::number(profileNumber) +
                         QStringLiteral(" ACTIVE"));
}

void FrmDDEConfig::fillBoxesFromActiveProfile()
{
    const RotorProfile &profile = m_config.activeProfile();
    setText(Box::CmbRotorPort, profile.RotorPort);
    setText(Box::CmbRotorBaud, profile.RotorBaud);
    setText(Box::CmbRotorSet, profile.RotorSet);
    setText(Box::CmbRotorHanshack, profile.RotorHandshake);
    setText(Box::CmbRotor, profile.RotorModel);
    setText(Box::TxtDelay, QString::number(profile.RotorDelay));
    setText(Box::TxtErrore, QString::number(profile.RotorError));
}

void FrmDDEConfig::showPortDevice()
{
    QString tip = kPortToolTip;
    QString device;
    const std::optional<int> port = PortSetup::portNumber(text(Box::CmbRotorPort));
    if (port && *port >= 1) {
        const QString configDir = m_config.configDir();
        if (!networkModel())
            device = DevicePath::describe(configDir, *port);
        else if (const QString address = DevicePath::linkText(configDir, *port); !address.isEmpty())
            device = QStringLiteral("config/com%1 -> %2").arg(*port).arg(address);
        else
            device = QStringLiteral("localhost:4533");
        tip += QStringLiteral("\nCOM%1 opens %2").arg(*port).arg(device);
    }
    m_dropDowns[index(Box::CmbRotorPort)]->setToolTip(tip);
    if (!m_txtDevice)
        return;
    if (!m_chosenDevice.isEmpty())
        device = QStringLiteral("-> %1 (SAVE keeps it)").arg(m_chosenDevice);
    m_txtDevice->setText(device);
    m_txtDevice->setCursorPosition(0);
    m_txtDevice->setToolTip(device);
}

bool FrmDDEConfig::networkModel() const
{
    const std::optional<int> number = RotorFamily::libraryModelNumber(text(Box::CmbRotor));
    const RotorFamily::LibraryModel *model = number ? RotorFamily::libraryModel(*number) : nullptr;
    return model && model->port == RotorFamily::LibraryModel::Port::Network;
}

void FrmDDEConfig::CmdDevice_Click()
{
    if (networkModel()) {
        // Not modal of its own: the dialog's events (and tests) go on while it asks.
        auto *ask = new QInputDialog(this);
        ask->setObjectName(QStringLiteral("AskAddress"));
        ask->setAttribute(Qt::WA_DeleteOnClose);
        ask->setWindowTitle(QStringLiteral("Device"));
        ask->setLabelText(QStringLiteral("The rotator's rotctld, as host:port"));
        ask->setTextValue(QStringLiteral("localhost:4533"));
        connect(ask, &QInputDialog::textValueSelected, this, &FrmDDEConfig::chooseDevice);
        ask->open();
        return;
    }
    auto *menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("DeviceMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const QList<SerialDevice> devices = m_devices ? m_devices() : QList<SerialDevice>{};
    for (const SerialDevice &device : devices) {
        QAction *action = menu->addAction(device.path + QStringLiteral("  ") + device.description);
        action->setData(device.path);
        connect(action, &QAction::triggered, this,
                [this, path = device.path] { chooseDevice(path); });
    }
    if (devices.isEmpty())
        menu->addAction(QStringLiteral("No serial device found"))->setEnabled(false);
    menu->popup(m_cmdDevice->mapToGlobal(QPoint(0, m_cmdDevice->height())));
}

void FrmDDEConfig::chooseDevice(const QString &target)
{
    const QString chosen = target.trimmed();
    // host:port, or [IPv6]:port, for a rotator on the network.
    static const QRegularExpression address(
        QStringLiteral(R"(^(\[[0-9A-Fa-f:.]+\]|[^\s:\[\]]+):([0-9]{1,5})$)"));
    if (networkModel()) {
        const QRegularExpressionMatch match = address.match(chosen);
        const int port = match.hasMatch() ? match.captured(2).toInt() : 0;
        if (port < 1 || port > 65535) {
            m_panel.appendNote(
                QStringLiteral("DEVICE NOT TAKEN: \"%1\" is no host:port").arg(chosen));
            return;
        }
    }
    m_chosenDevice = chosen;
    showPortDevice();
}

void FrmDDEConfig::saveChosenDevice()
{
    if (m_chosenDevice.isEmpty())
        return;
    const std::optional<int> port = PortSetup::portNumber(text(Box::CmbRotorPort));
    QString why;
    if (!port || !DevicePath::writeLink(m_config.configDir(), *port, m_chosenDevice, &why))
        m_panel.appendNote(QStringLiteral("DEVICE NOT SAVED: ") +
                           (port ? why : QStringLiteral("no port number")));
    m_chosenDevice.clear();
    showPortDevice();
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
            TxtDelay_LostFocus();
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
    resize(width(),
           std::max(1, Twips::toPixels(kHeightTwips * m_scale, logicalDpiY()) - frameExtra));
    const QRect screen = this->screen()->availableGeometry();
    const QSize outer = frameGeometry().size();
    move(screen.x() + (screen.width() - outer.width()) / 2,
         screen.y() + (screen.height() - outer.height()) / 2);
}
