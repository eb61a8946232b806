#include "main/main_window.h"

#include "link/prompts.h"
#include "ui/controls.h"
#include "platform/serial_devices.h"
#include "terminal/macro_file.h"
#include "terminal/speed.h"
#include "terminal/sim_process.h"
#include "ui/session.h"
#include "ui/tool_window.h"

#include <QActionGroup>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

struct Launcher {
    const char *caption;
    const char *window;
    bool needsLink;
};
const Launcher kLaunchers[10] = {
    {"Eeprom Read/Write", "DL_EE", true},
    {"Data Flash management", "DL_Eff", false},
    {"Memory Read/DisAsm", "DL_Mem", true},
    {"SI Data Read", "DL_Pid", true},
    {"Channels list editor", "DL_TCS", false},
    {"Tune Manually", "DL_Tune", true},
    {"Registers", "DL_Reg", true},
    {"ScreenShot", "DL_Scr", true},
    {"Volume", "DL_Vol", true},
    {"Flash Read/Write", "DL_Flh", true},
};

// Windows that need the link; Close shuts them.
const QStringList kLinkWindows = {"DL_EE", "DL_Mem", "DL_Pid", "DL_Tune", "DL_Reg", "DL_Vol", "DL_Flh"};
const QStringList kAllToolWindows = {"DL_EE",   "DL_Eff", "DL_Mem", "DL_Pid", "DL_TCS",
                                     "DL_Tune", "DL_Reg", "DL_Scr", "DL_Vol", "DL_Flh"};

}   // namespace

MainWindow::MainWindow(Session &session, SimProcess *simulator)
    : s_(session), simulator_(simulator), history_(session.settings.history())
{
    setObjectName("DL_Main");
    setWindowTitle("Kestrel V" KESTREL_VERSION);
    auto *central = new QWidget(this);
    auto *grid = new QGridLayout(central);
    buildConnectionFrame(grid);
    buildTerminalFrames(grid);
    buildLauncher(grid);
    setCentralWidget(central);
    buildOptionsMenu();
    AssignMnemonics(this);

    // Window load: the first speed is selected.
    cmbCom_->setCurrentIndex(0);
    cmdClose_->setEnabled(false);
    SetLinkControls(false);

    connect(&s_.link, &Link::commandShown, this, [this](const QString &command) {
        txtP2D_->setText(command);
        txtD2P_->clear();
    });
    connect(&s_.link, &Link::replyShown, this, [this](const QString &text) { SetBoxText(txtD2P_, text); });
    connect(&s_.link, &Link::replyAppended, this,
            [this](const QString &text) { SetBoxText(txtD2P_, BoxText(txtD2P_) + text); });
    connect(&s_.link, &Link::deviceLost, this, &MainWindow::onDeviceLost);
    // While a tool window's job holds the link, the buttons that would be
    // ignored are shown disabled.
    connect(&s_.link, &Link::leaseChanged, this, [this](bool held) {
        if (held) {
            for (QPushButton *b : findChildren<QPushButton *>())
                b->setEnabled(false);
        } else if (s_.link.portIsOpen()) {
            showOpenState();
        } else {
            showClosedState();
        }
    });
    connect(&s_.link, &Link::logFailed, this,
            [this](const QString &reason) { AppendBoxText(txtD2P_, "\r\nLogging failed: " + reason); });
    if (simulator_)
        connect(simulator_, &SimProcess::ended, this, &MainWindow::onSimulatorEnded);
}

void MainWindow::buildConnectionFrame(QGridLayout *grid)
{
    auto *com = NamedFrame(this, IndexedName("F1", 0), "COM Connection");
    auto *comLayout = new QGridLayout(com);
    auto *ports = new QButtonGroup(this);
    for (int i = 0; i < 2; ++i) {
        optCom_[i] = NamedOption(com, IndexedName("Opt_COM", i), QString::number(i + 1), i == 0);
        optCom_[i]->setToolTip(s_.portDevice[i]);
        ports->addButton(optCom_[i], i);
        comLayout->addWidget(optCom_[i], 0, i);
        connect(optCom_[i], &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                cmbPort_->setEditText(selectedDevice());
        });
    }
    // The device of the selected port: typed, or chosen among those present.
    cmbPort_ = new QComboBox(com);
    cmbPort_->setObjectName("Cmb_Port");
    cmbPort_->setEditable(true);
    cmbPort_->setInsertPolicy(QComboBox::NoInsert);
    cmbPort_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cmbPort_->setMinimumContentsLength(14);
    cmbPort_->setToolTip("The device of the selected port");
    listDevices();
    connect(cmbPort_, &QComboBox::activated, this,
            [this](int index) { cmbPort_->setEditText(cmbPort_->itemData(index).toString()); });
    comLayout->addWidget(cmbPort_, 1, 0, 1, 2);
    cmbCom_ = new QComboBox(com);
    cmbCom_->setObjectName("Cmb_COM");
    cmbCom_->setEditable(true);
    cmbCom_->setInsertPolicy(QComboBox::NoInsert);
    cmbCom_->addItems(kSpeeds);
    comLayout->addWidget(cmbCom_, 2, 0, 1, 2);
    cmdOpen_ = NamedButton(com, "Cmd_Open", "Open");
    cmdClose_ = NamedButton(com, "Cmd_Close", "Close");
    cmdDec_[2] = NamedButton(com, IndexedName("Cmd_Dec", 2), "Set Speed", "PC and Decoder");
    comLayout->addWidget(cmdOpen_, 3, 0);
    comLayout->addWidget(cmdClose_, 3, 1);
    comLayout->addWidget(cmdDec_[2], 4, 0, 1, 2);
    grid->addWidget(com, 0, 0, 2, 1);

    auto *service = NamedFrame(this, IndexedName("F1", 1), "Service Mode");
    auto *serviceLayout = new QHBoxLayout(service);
    cmdDec_[0] = NamedButton(service, IndexedName("Cmd_Dec", 0), "Enter");
    cmdDec_[1] = NamedButton(service, IndexedName("Cmd_Dec", 1), "Exit");
    serviceLayout->addWidget(cmdDec_[0]);
    serviceLayout->addWidget(cmdDec_[1]);
    grid->addWidget(service, 0, 1);

    auto *macro = NamedFrame(this, IndexedName("F1", 2), "Macro file");
    auto *macroLayout = new QHBoxLayout(macro);
    fnp_ = NamedLineEdit(macro, "FNp", "SoftReset.txt");
    cmdDec_[4] = NamedButton(macro, IndexedName("Cmd_Dec", 4), "Exec Macro File");
    macroLayout->addWidget(fnp_);
    macroLayout->addWidget(cmdDec_[4]);
    grid->addWidget(macro, 1, 1);

    connect(cmdOpen_, &QPushButton::clicked, this, &MainWindow::openClick);
    connect(cmdClose_, &QPushButton::clicked, this, &MainWindow::closeClick);
    for (int i = 0; i < 5; ++i)
        if (i != 3)
            connect(cmdDec_[i], &QPushButton::clicked, this, [this, i] { Cmd_Dec_Click(i); });
}

void MainWindow::buildTerminalFrames(QGridLayout *grid)
{
    auto *p2d = NamedFrame(this, IndexedName("F1", 6), "PC --> Decoder");
    auto *p2dLayout = new QHBoxLayout(p2d);
    txtP2D_ = NamedLineEdit(p2d, "Txt_P2D", QString());
    txtP2D_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    txtP2D_->installEventFilter(this);   // Up and Down walk the history
    cmdDec_[3] = NamedButton(p2d, IndexedName("Cmd_Dec", 3), "SEND");
    p2dLayout->addWidget(txtP2D_);
    p2dLayout->addWidget(cmdDec_[3]);
    grid->addWidget(p2d, 2, 0, 1, 2);

    auto *d2p = NamedFrame(this, IndexedName("F1", 7), "Decoder ---> PC");
    auto *d2pLayout = new QVBoxLayout(d2p);
    txtD2P_ = NamedTextArea(d2p, "Txt_D2P", true);
    d2pLayout->addWidget(txtD2P_);
    grid->addWidget(d2p, 3, 0, 1, 2);

    connect(cmdDec_[3], &QPushButton::clicked, this, [this] { Cmd_Dec_Click(3); });
    // The Enter key sends only while SEND is enabled, that is while the port is open.
    connect(txtP2D_, &QLineEdit::returnPressed, this, [this] {
        if (cmdDec_[3]->isEnabled())
            Cmd_Dec_Click(3);
    });
}

void MainWindow::buildLauncher(QGridLayout *grid)
{
    auto *row = new QWidget(this);
    auto *layout = new QGridLayout(row);
    for (int i = 0; i < 10; ++i) {
        cmdWin_[i] = NamedButton(row, IndexedName("Cmd_Win", i), kLaunchers[i].caption);
        layout->addWidget(cmdWin_[i], i / 5, i % 5);
        connect(cmdWin_[i], &QPushButton::clicked, this, [this, i] { launcherClick(i); });
    }
    grid->addWidget(row, 4, 0, 1, 2);
}

void MainWindow::buildOptionsMenu()
{
    QMenu *opt = menuBar()->addMenu("Options");
    opt->setObjectName("Opt");
    opt->menuAction()->setObjectName("Opt");

    auto radioGroup = [this, opt](const char *menuName, const QString &caption, const char *itemName,
                                  const QStringList &captions, std::function<void(int)> apply) {
        QMenu *menu = opt->addMenu(caption);
        menu->setObjectName(menuName);
        auto *group = new QActionGroup(menu);
        group->setExclusive(true);
        for (int i = 0; i < captions.size(); ++i) {
            QAction *a = menu->addAction(captions[i]);
            a->setObjectName(IndexedName(itemName, i));
            a->setCheckable(true);
            a->setChecked(i == 0);
            group->addAction(a);
            connect(a, &QAction::triggered, this, [apply, i] { apply(i); });
        }
    };
    Options &o = s_.options;
    radioGroup("Mr", "Memory read mode", "Mrm",
               {"Multi Byte (128)", "Single DWord (4)", "Single Word (2)", "Single Byte (1)"},
               [&o](int i) { o.Mrm = static_cast<MemReadMode>(i); });
    radioGroup("Eerwm", "Eeprom r/w mode", "Eem", {"Normal (Cmd_06)", "I2C (Cmd_27)"},
               [&o](int i) { o.Eem = static_cast<EepromMode>(i); });
    radioGroup("TCmds", "Tune syntax", "Tmd", {"7 digits (070)", "4 digits (071)"},
               [&o](int i) { o.Tmd = static_cast<TuneSyntax>(i); });

    QMenu *debug = opt->addMenu("Debug Mode");
    debug->setObjectName("DM");
    QAction *asc = debug->addAction("Always show commands");
    asc->setObjectName("Asc");
    asc->setCheckable(true);
    connect(asc, &QAction::toggled, this, [&o](bool on) { o.Asc = on; });
    QAction *glf = debug->addAction("Generate log file");
    glf->setObjectName("Glf");
    glf->setCheckable(true);
    connect(glf, &QAction::toggled, this, [&o](bool on) { o.Glf = on; });
}

void MainWindow::SetLinkControls(bool enabled)
{
    for (auto *b : cmdDec_)
        b->setEnabled(enabled);
    for (int i = 0; i < 10; ++i)
        cmdWin_[i]->setEnabled(kLaunchers[i].needsLink ? enabled : true);
}

int MainWindow::selectedPort() const { return optCom_[1]->isChecked() ? 1 : 0; }

QString MainWindow::selectedDevice() const { return s_.portDevice[selectedPort()]; }

// The devices present, each with its description; the box keeps the text
// it shows.
void MainWindow::listDevices()
{
    const QString shown = cmbPort_->currentText();
    cmbPort_->clear();
    for (const SerialDevice &d : SerialDevices()) {
        cmbPort_->addItem(d.description.isEmpty() ? d.path : d.path + "  -  " + d.description, d.path);
        cmbPort_->setItemData(cmbPort_->count() - 1, d.description, Qt::ToolTipRole);
    }
    cmbPort_->setEditText(shown.isEmpty() ? selectedDevice() : shown);
}

// The device in the box becomes the selected port's.
void MainWindow::takeChosenDevice()
{
    const QString typed = cmbPort_->currentText().trimmed();
    if (typed.isEmpty())
        return;
    const int port = selectedPort();
    s_.portDevice[port] = typed;
    optCom_[port]->setToolTip(typed);
}

void MainWindow::openClick()
{
    Link &link = s_.link;
    if (link.linkBusy())
        return;
    link.closePort();
    // The terminal of a simulator that has ended may by now be another
    // program's: a new simulator is started instead.
    if (!simEnded_.isEmpty() && optCom_[0]->isChecked() && !restartSimulator())
        return;
    takeChosenDevice();
    const QString device = selectedDevice();
    const QString error = link.openPort(device, SpeedSettings(cmbCom_->currentText()));
    if (!error.isEmpty()) {
        SetBoxText(txtD2P_, "Cannot open " + device + ": " + error);
        if (const QString advice = PermissionAdvice(error); !advice.isEmpty())
            AppendBoxText(txtD2P_, "\r\n" + advice);
        return;
    }
    // Only a device that opened is kept for the next run; a simulator's
    // terminal is this run's alone.
    if (!(simulator_ && selectedPort() == 0))
        s_.settings.setDevice(selectedPort(), device);
    showOpenState();
}

void MainWindow::showOpenState()
{
    cmdOpen_->setEnabled(false);
    cmdClose_->setEnabled(true);
    optCom_[0]->setEnabled(false);
    optCom_[1]->setEnabled(false);
    cmbPort_->setEnabled(false);
    SetLinkControls(true);
}

void MainWindow::showClosedState()
{
    cmdOpen_->setEnabled(true);
    cmdClose_->setEnabled(false);
    optCom_[0]->setEnabled(true);
    optCom_[1]->setEnabled(true);
    cmbPort_->setEnabled(true);
    listDevices();   // an adapter may have been plugged in meanwhile
    SetLinkControls(false);
}

void MainWindow::closeLinkWindows()
{
    for (const QString &name : kLinkWindows)
        s_.windows.close(name);
}

void MainWindow::closeClick()
{
    if (s_.link.linkBusy())
        return;
    s_.link.closePort();
    showClosedState();
    closeLinkWindows();
}

void MainWindow::onDeviceLost()
{
    // Not guarded by the lease: the port is already gone; running operations see
    // empty replies and their windows are closed under them safely.
    showClosedState();
    SetBoxText(txtD2P_, s_.link.linkLost());
    if (!simEnded_.isEmpty())   // the simulator's end may have been told first
        AppendBoxText(txtD2P_, "\r\n" + simEnded_);
    closeLinkWindows();
}

void MainWindow::onSimulatorEnded(const QString &how)
{
    simEnded_ = "The simulated decoder has ended (" + how + "); Open starts a new one.";
    AppendBoxText(txtD2P_, (BoxText(txtD2P_).isEmpty() ? QString() : QStringLiteral("\r\n")) + simEnded_);
}

// Runs the event loop while the simulator starts: the lease keeps every command
// action out meanwhile, and the program may be closing when it returns.
bool MainWindow::restartSimulator()
{
    SetBoxText(txtD2P_, QStringLiteral("Starting the simulated decoder..."));
    std::optional<Link::Lease> lease = s_.link.tryLease();
    QString error;
    const QString terminal = simulator_->restart(error);
    lease.reset();
    if (s_.quitting())
        return false;
    if (terminal.isEmpty()) {
        SetBoxText(txtD2P_, "Cannot start the simulated decoder: " + error);
        return false;
    }
    simEnded_.clear();
    txtD2P_->clear();
    s_.portDevice[0] = terminal;
    optCom_[0]->setToolTip(terminal);
    cmbPort_->setEditText(terminal);
    // The new simulator listens at its own speed, whatever the old one was set to.
    cmbCom_->setCurrentText(QString::number(simulator_->speed()));
    return true;
}

void MainWindow::launcherClick(int index)
{
    if (s_.link.linkBusy() || index < 0 || index > 9)
        return;
    WindowRegistry &w = s_.windows;
    if (index == 5) {
        if (QWidget *tune = w.create("DL_Tune", true))
            tune->show();
        return;
    }
    w.create(kLaunchers[index].window);
    if (index == 4)
        w.create("DL_Tune", true);
}

void MainWindow::Cmd_Dec_Click(int index)
{
    if (s_.link.linkBusy() || index < 0 || index > 4)
        return;
    switch (index) {
    case 0:
    case 1: serviceMode(index); break;
    case 2: setSpeed(); break;
    case 3: sendClick(); break;
    case 4: execMacro(); break;
    }
}

void MainWindow::serviceMode(int index) { ServiceMode(s_.link, index == 0); }

void MainWindow::setSpeed()
{
    Link &link = s_.link;
    // A typed speed that is not in the list has no speed-table value: the bare
    // command would write a wrong value into the decoder's speed register.
    const int speedIndex = kSpeeds.indexOf(cmbCom_->currentText());
    if (speedIndex < 0) {
        link.SetCmdTimeout(5000);
        s_.prompter->inform("Set Speed", "Please choose a speed from the list.");
        return;
    }
    cmbCom_->setCurrentIndex(speedIndex);
    std::optional<Link::Lease> lease = link.tryLease();
    if (!lease)
        return;
    txtD2P_->clear();
    SpeedHooks hooks;
    hooks.say = [this](const QString &text) { AppendBoxText(txtD2P_, text); };
    hooks.showCommand = [this](const QString &command) { txtP2D_->setText(command); };
    const QString device = selectedDevice();
    const SpeedResult result = ChangeSpeed(link, device, speedIndex, hooks);
    lease.reset();
    if (result.outcome == SpeedOutcome::CannotOpen) {
        showClosedState();
        AppendBoxText(txtD2P_, "Cannot open " + device + ": " + result.why);
        closeLinkWindows();
    }
}

void MainWindow::sendClick()
{
    s_.link.SetCmdTimeout(5000);
    const QString text = txtP2D_->text();
    if ((text.startsWith("28") || text.startsWith("29"))
        && AskSure(*s_.prompter, "This command can erase your firmware!"))
        return;
    s_.link.SendCmd(text, true);
    keepInHistory(text);
}

void MainWindow::keepInHistory(const QString &command)
{
    if (!history_.add(command))
        return;
    const QString failed = s_.settings.saveHistory(history_.entries());
    // Said once: the history is a convenience, the terminal goes on.
    if (!failed.isEmpty() && !historyFailureReported_) {
        historyFailureReported_ = true;
        AppendBoxText(txtD2P_, "\r\nHistory not kept: " + failed);
    }
}

void MainWindow::walkHistory(bool back)
{
    const std::optional<QString> text = back ? history_.older(txtP2D_->text()) : history_.newer();
    if (text)
        txtP2D_->setText(*text);
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == txtP2D_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            walkHistory(key == Qt::Key_Up);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::execMacro()
{
    txtD2P_->clear();
    txtP2D_->clear();
    const MacroFileResult result = RunMacroFile(s_.link, fnp_->text());
    if (!result.message.isEmpty())
        SetBoxText(txtD2P_, result.message);
}

void MainWindow::Wait(int ms) { s_.link.Wait(ms); }

void MainWindow::closeEvent(QCloseEvent *event)
{
    // A job under way is stopped only when the person agrees, told what it
    // leaves behind.
    for (const QString &name : kAllToolWindows) {
        auto *tool = qobject_cast<ToolWindow *>(s_.windows.find(name));
        if (tool && tool->jobRunning() && !s_.quitting()
            && !s_.prompter->confirm(windowTitle(), tool->closeQuestion())) {
            event->ignore();
            return;
        }
    }
    // Closing the port ends a wait in progress; the tool windows close
    // (safely, even in the middle of an operation) and the program ends.
    event->accept();
    s_.link.closePort();
    for (const QString &name : kAllToolWindows)
        s_.windows.close(name);
    s_.quit(0);
}
