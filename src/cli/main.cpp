// kestrel-cli: the decoder's procedures without a window.
//   kestrel-cli [OPTIONS] COMMAND [ARGUMENTS]
#include "cli/cli.h"
#include "link/link.h"
#include "platform/serial_port.h"
#include "terminal/shell_words.h"
#include "terminal/sim_process.h"
#include "terminal/speed.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QSettings>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <cstdio>
#include <unistd.h>
#include <vector>

namespace {

int stopPipe[2] = {-1, -1};

// The first Ctrl-C is STOP: the operation ends at its next STOP point. A
// second one ends the program at once.
void OnInterrupt(int)
{
    gCliStop = 1;
    std::signal(SIGINT, SIG_DFL);
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(stopPipe[1], &c, 1);
}

// Questions on the terminal; --yes answers them all, and without a terminal
// to ask on a question is refused.
class CliPrompter : public Prompter {
public:
    bool yes = false;
    bool confirm(const QString &, const QString &text) override
    {
        if (yes)
            return true;
        if (!::isatty(STDIN_FILENO)) {
            std::fprintf(stderr, "kestrel-cli: %s - not asked without a terminal (give --yes)\n", qPrintable(text));
            return false;
        }
        std::fprintf(stderr, "%s [y/N] ", qPrintable(text));
        std::fflush(stderr);
        char line[64] = {};
        if (!std::fgets(line, sizeof line, stdin))
            return false;
        return line[0] == 'y' || line[0] == 'Y';
    }
    void inform(const QString &, const QString &text) override
    {
        std::fprintf(stderr, "kestrel-cli: %s\n", qPrintable(text));
    }
};

struct GlobalOptions {
    QString port;
    bool sim = false;
    QStringList simArgs;
    QString baud = QStringLiteral("9600");
    QString setSpeed;
    QString log;
    bool yes = false, json = false, quiet = false, help = false, version = false;
};

std::vector<CliCommand> AllCommands()
{
    std::vector<CliCommand> all;
    for (const auto group :
         {TerminalCommands(), MemoryCommands(), FlashCommands(), TuningCommands(), FileCommands(), TableCommands()})
        all.insert(all.end(), group.begin(), group.end());
    return all;
}

QString UsageText(const std::vector<CliCommand> &commands)
{
    QString text = QStringLiteral(
        "Usage: kestrel-cli [OPTIONS] COMMAND [ARGUMENTS]\n"
        "The decoder's procedures without a window, for shell scripts.\n\n"
        "Options:\n"
        "  --port DEV          the serial device (default: port 1 as kestrel remembers it, else /dev/ttyS0)\n"
        "  --sim [--sim-args \"ARGS\"]  a simulated decoder started for this run\n"
        "  --baud BAUD         the speed the port is opened at (default 9600)\n"
        "  --set-speed BAUD    change the speed of PC and decoder together first\n"
        "  --log FILE          log every transaction to FILE, as Kestrel.log\n"
        "  --yes               answer yes to every question\n"
        "  --json              the result as one JSON document on standard output\n"
        "  --quiet             no progress line\n"
        "  --help, --version   this text; the version (COMMAND --help: the command's own)\n\n"
        "Commands:\n");
    for (const CliCommand &c : commands)
        text += QStringLiteral("  %1 %2\n      %3\n")
                    .arg(QLatin1String(c.words), QLatin1String(c.usage), QLatin1String(c.summary));
    text += QStringLiteral(
        "\nExit status: 0 done; 1 the operation failed; 2 refused (bad options, a question not answered,\n"
        "a file that cannot be used); 130 stopped by Ctrl-C, which acts as the windows' STOP.\n");
    return text;
}

// Takes the options before the command; the rest is the command and its arguments.
bool ParseGlobal(QStringList &args, GlobalOptions &o, QString &error)
{
    const auto value = [&](QString &to) {
        if (args.size() < 2) {
            error = args.first() + " needs a value";
            return false;
        }
        to = args.at(1);
        args.remove(0, 2);
        return true;
    };
    while (!args.isEmpty() && args.first().startsWith(QLatin1String("--"))) {
        const QString a = args.first();
        QString simArgs;
        bool ok = true;
        if (a == "--port")
            ok = value(o.port);
        else if (a == "--baud")
            ok = value(o.baud);
        else if (a == "--set-speed")
            ok = value(o.setSpeed);
        else if (a == "--log")
            ok = value(o.log);
        else if (a == "--sim-args") {
            ok = value(simArgs) && SplitShellWords(simArgs, o.simArgs, error);
            if (!ok && !error.startsWith(QLatin1String("--")))
                error = "--sim-args: " + error;
        } else {
            bool *flag = a == "--sim" ? &o.sim
                : a == "--yes"        ? &o.yes
                : a == "--json"       ? &o.json
                : a == "--quiet"      ? &o.quiet
                : a == "--help"       ? &o.help
                : a == "--version"    ? &o.version
                                      : nullptr;
            if (!flag) {
                error = "unknown option " + a;
                return false;
            }
            *flag = true;
            args.removeFirst();
        }
        if (!ok)
            return false;
    }
    if (o.sim && !o.port.isEmpty()) {
        error = "--sim cannot be given with --port";
        return false;
    }
    if (!o.simArgs.isEmpty() && !o.sim) {
        error = "--sim-args needs --sim";
        return false;
    }
    for (const QString &speed : {o.baud, o.setSpeed})
        if (!speed.isEmpty() && !kSpeeds.contains(speed)) {
            error = "unknown speed " + speed + " (" + kSpeeds.join(", ") + ")";
            return false;
        }
    return true;
}

// The longest row whose words begin args.
const CliCommand *FindCommand(const std::vector<CliCommand> &commands, const QStringList &args, int &used)
{
    const CliCommand *found = nullptr;
    used = 0;
    for (const CliCommand &c : commands) {
        const QStringList words = QString::fromLatin1(c.words).split(' ');
        if (words.size() > used && args.mid(0, words.size()) == words) {
            found = &c;
            used = int(words.size());
        }
    }
    return found;
}

QString RememberedPort()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/kestrel";
    const QString device = QSettings(folder + "/kestrel.conf", QSettings::IniFormat).value("ports/port1").toString();
    return device.isEmpty() ? QStringLiteral("/dev/ttyS0") : device;
}

int Refuse(const QString &error)
{
    std::fprintf(stderr, "kestrel-cli: %s\n", qPrintable(error));
    return kCliRefused;
}

}   // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    GlobalOptions global;
    QString error;
    const std::vector<CliCommand> commands = AllCommands();
    if (!ParseGlobal(args, global, error))
        return Refuse(error);
    if (global.version) {
        std::printf("kestrel-cli %s\n", KESTREL_VERSION);
        return kCliDone;
    }
    if (global.help || args.isEmpty()) {
        std::printf("%s", qPrintable(UsageText(commands)));
        return args.isEmpty() && !global.help ? kCliRefused : kCliDone;
    }
    int used = 0;
    const CliCommand *command = FindCommand(commands, args, used);
    if (!command)
        return Refuse("unknown command " + args.first() + " (kestrel-cli --help lists them)");
    CliArgs commandArgs(args.mid(used));
    if (commandArgs.flag("--help")) {
        std::printf("Usage: kestrel-cli [OPTIONS] %s %s\n%s\n", command->words, command->usage, command->summary);
        return kCliDone;
    }

    Options options;
    CliPrompter prompter;
    prompter.yes = global.yes;
    CliContext context(commandArgs, options, prompter);
    context.json = global.json;
    context.quiet = global.quiet;

    if (::pipe(stopPipe) == 0) {
        auto *notifier = new QSocketNotifier(stopPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, [] {
            char c;
            [[maybe_unused]] const ssize_t n = ::read(stopPipe[0], &c, 1);
        });
        std::signal(SIGINT, OnInterrupt);
    }

    SimProcess simulator;
    std::unique_ptr<Link> link;
    int status = kCliDone;
    if (command->needsDecoder) {
        QString device = global.port.isEmpty() ? RememberedPort() : global.port;
        if (global.sim) {
            device = simulator.start(global.simArgs, error);
            if (device.isEmpty())
                return Refuse("cannot start the simulated decoder: " + error);
        }
        link = std::make_unique<Link>(options, new QSerialPortAdapter);
        if (!global.log.isEmpty()) {
            link->logFileName = global.log;
            options.Glf = true;
        }
        if (const QString why = link->openPort(device, SpeedSettings(global.baud)); !why.isEmpty())
            return Refuse("cannot open " + device + ": " + why);
        if (!global.setSpeed.isEmpty()) {
            SpeedHooks hooks;
            hooks.say = [](const QString &text) { std::fprintf(stderr, "%s", qPrintable(text)); };
            const SpeedResult changed = ChangeSpeed(*link, device, int(kSpeeds.indexOf(global.setSpeed)), hooks);
            std::fprintf(stderr, "\n");
            if (changed.outcome == SpeedOutcome::CannotOpen)
                return Refuse("cannot open " + device + ": " + changed.why);
            if (changed.outcome == SpeedOutcome::NoReply)
                status = kCliFailed;
        }
        context.link = link.get();
    }
    if (status == kCliDone)
        status = command->run(context);
    if (global.json) {
        context.result.insert(QStringLiteral("command"), QLatin1String(command->words));
        context.result.insert(QStringLiteral("exit"), status);
        std::printf("%s\n", QJsonDocument(context.result).toJson(QJsonDocument::Indented).constData());
    }
    if (link)
        link->shutDown();
    simulator.stop();
    return status;
}
