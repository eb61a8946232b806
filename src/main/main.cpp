// kestrel: service tool for the decoder's command monitor.
//   kestrel [--sim [--sim-args "ARGS"] | --port1 DEV --port2 DEV] [--script FILE] [--settings DIR]
#include "link/prompts.h"
#include "link/backups.h"
#include "main/command_line.h"
#include "main/main_window.h"
#include "main/script_runner.h"
#include "terminal/sim_process.h"
#include "main/tool_windows.h"
#include "platform/serial_port.h"
#include "ui/message_box_prompter.h"
#include "ui/session.h"

#include <QApplication>
#include <QIcon>
#include <QFile>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void OnTerminate(int)
{
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &c, 1);
}

// SIGINT and SIGTERM end the program as closing the main window does, so the
// simulator is stopped (and saves its state) and no file is left half open.
void QuitOnTermination(Session &session)
{
    if (::pipe(signalPipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, [&session] { session.quit(0); });
    std::signal(SIGINT, OnTerminate);
    std::signal(SIGTERM, OnTerminate);
}

QStringList Arguments(int argc, char *argv[])
{
    QStringList list;
    for (int i = 0; i < argc; ++i)
        list << QString::fromLocal8Bit(argv[i]);
    return list;
}

// True when the statements were read; false after the reason was printed.
bool ReadScript(const QString &name, QList<ScriptStatement> &statements)
{
    QByteArray text;
    QString error;
    if (!ReadFileBytes(name, text, error) || !ParseScript(QString::fromUtf8(text), statements, error)) {
        std::fprintf(stderr, "kestrel: %s\n", qPrintable(error));
        return false;
    }
    return true;
}

// Settings: a script keeps none unless it names a folder, so that one run
// never depends on another; devices given on the command line are kept.
void SetUpPorts(Session &session, const LaunchOptions &options, const QString &simTerminal)
{
    if (!options.settingsDir.isEmpty()) {
        session.settings.useFolder(options.settingsDir);
        SetBackupSettingsFolder(options.settingsDir);   // backups beside the settings
    } else if (options.script.isEmpty())
        session.settings.useFolder(DeskSettings::UserFolder());
    for (int i = 0; i < 2; ++i) {
        const QString device = options.port[i].isEmpty() ? session.settings.device(i) : options.port[i];
        if (!device.isEmpty())
            session.portDevice[i] = device;
    }
    if (!simTerminal.isEmpty())
        session.portDevice[0] = simTerminal;
}

}   // namespace

int main(int argc, char *argv[])
{
    // Answered before the windowing system starts, so they need no display.
    switch (FindEarlyAnswer(Arguments(argc, argv))) {
    case EarlyAnswer::Help: std::fputs(qPrintable(UsageText()), stdout); return 0;
    case EarlyAnswer::Version: std::fputs(qPrintable(VersionText()), stdout); return 0;
    case EarlyAnswer::None: break;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("kestrel");
    QApplication::setApplicationVersion(KESTREL_VERSION);
    // The menu entry and icon the package installs: docks and Wayland desktops
    // tie the windows to them.
    QGuiApplication::setDesktopFileName("io.github.kestrel_tool.Kestrel");
    QApplication::setWindowIcon(QIcon::fromTheme("io.github.kestrel_tool.Kestrel"));

    LaunchOptions options;
    QString error;
    if (!ParseCommandLine(app.arguments(), options, error)) {
        std::fprintf(stderr, "kestrel: %s\nTry 'kestrel --help'.\n", qPrintable(error));
        return 2;
    }
    std::unique_ptr<ScriptPrompter> scriptPrompter;
    QList<ScriptStatement> statements;
    if (!options.script.isEmpty()) {
        if (!ReadScript(options.script, statements))
            return 2;
        scriptPrompter = std::make_unique<ScriptPrompter>();
    }

    SimProcess simulator;
    QString simTerminal;
    if (options.sim) {
        simTerminal = simulator.start(options.simArgs, error);
        if (simTerminal.isEmpty()) {
            std::fprintf(stderr, "kestrel: %s\n", qPrintable(error));
            return 2;
        }
    }

    MessageBoxPrompter boxes;
    Prompter *prompter = scriptPrompter ? static_cast<Prompter *>(scriptPrompter.get()) : &boxes;
    Session session(new QSerialPortAdapter, prompter);
    SetUpPorts(session, options, simTerminal);
    RegisterToolWindows(session.windows);
    QuitOnTermination(session);

    // Start-up: flags clear, the main window shown, the tuning window created
    // hidden so that other windows can tune through it, time-out 4000 ms.
    MainWindow mainWindow(session, options.sim ? &simulator : nullptr);
    session.settings.restoreGeometry(&mainWindow);
    mainWindow.show();
    session.windows.create("DL_Tune", true);
    session.link.SetCmdTimeout(4000);

    std::unique_ptr<ScriptRunner> runner;
    if (scriptPrompter) {
        runner = std::make_unique<ScriptRunner>(session, *scriptPrompter, statements);
        QTimer::singleShot(0, [&runner] { runner->run(); });
    }
    const int status = app.exec();
    session.link.shutDown();
    session.windows.destroyAll();
    session.settings.saveGeometry(&mainWindow);
    if (const QString failed = session.settings.flush(); !failed.isEmpty())
        std::fprintf(stderr, "kestrel: settings not kept: %s\n", qPrintable(failed));
    simulator.stop();
    return status;
}
