// kestrel: service tool for the decoder's command monitor.
//   kestrel [--sim] [--port1 DEV] [--port2 DEV] [--sim-args "ARGS"] [--script FILE]
#include "link/prompts.h"
#include "main/main_window.h"
#include "main/script_runner.h"
#include "main/sim_process.h"
#include "main/tool_windows.h"
#include "platform/serial_port.h"
#include "ui/message_box_prompter.h"
#include "ui/session.h"

#include <QApplication>
#include <QCommandLineParser>
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

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName("kestrel");

    QCommandLineParser parser;
    parser.setApplicationDescription("Service tool for the decoder's command monitor.");
    parser.addHelpOption();
    const QCommandLineOption sim("sim", "Start the simulated decoder and connect port 1 to it.");
    const QCommandLineOption simArgs("sim-args", "Options for the simulated decoder.", "ARGS");
    const QCommandLineOption port1("port1", "Device of port 1.", "DEV");
    const QCommandLineOption port2("port2", "Device of port 2.", "DEV");
    const QCommandLineOption script("script", "Run a script of actions and expectations.", "FILE");
    parser.addOptions({sim, simArgs, port1, port2, script});
    parser.process(app);

    std::unique_ptr<ScriptPrompter> scriptPrompter;
    QList<ScriptStatement> statements;
    if (parser.isSet(script)) {
        QFile file(parser.value(script));
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s: %s\n", qPrintable(file.fileName()), qPrintable(file.errorString()));
            return 2;
        }
        QString error;
        if (!ParseScript(QString::fromUtf8(file.readAll()), statements, error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 2;
        }
        scriptPrompter = std::make_unique<ScriptPrompter>();
    }

    SimProcess simulator;
    QString simTerminal;
    if (parser.isSet(sim)) {
        QString error;
        simTerminal = simulator.start(parser.value(simArgs), error);
        if (simTerminal.isEmpty()) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 2;
        }
    }

    MessageBoxPrompter boxes;
    Prompter *prompter = scriptPrompter ? static_cast<Prompter *>(scriptPrompter.get()) : &boxes;
    Session session(new QSerialPortAdapter, prompter);
    if (!simTerminal.isEmpty())
        session.portDevice[0] = simTerminal;
    if (parser.isSet(port1))
        session.portDevice[0] = parser.value(port1);
    if (parser.isSet(port2))
        session.portDevice[1] = parser.value(port2);
    RegisterToolWindows(session.windows);
    QuitOnTermination(session);

    // Start-up: flags clear, the main window shown, the tuning window created
    // hidden so that other windows can tune through it, time-out 4000 ms.
    MainWindow mainWindow(session);
    mainWindow.show();
    session.windows.create("DL_Tune", true);
    session.link.CmdTimeout = 4000;

    std::unique_ptr<ScriptRunner> runner;
    if (scriptPrompter) {
        runner = std::make_unique<ScriptRunner>(session, *scriptPrompter, statements);
        QTimer::singleShot(0, [&runner] { runner->run(); });
    }
    const int status = app.exec();
    session.link.shutDown();
    session.windows.destroyAll();
    simulator.stop();
    return status;
}
