#include "main/command_line.h"

#include <QCommandLineParser>

namespace {

struct OptionEntry {
    const char *name;
    const char *value;   // null for a flag
    const char *text;
};

const OptionEntry kOptions[] = {
    {"sim", nullptr, "Start a simulated decoder (kestrel-sim) and connect port 1 to it."},
    {"sim-args", "ARGS", "Options for the simulated decoder, quoted as in a shell."},
    {"port1", "DEV", "Device of port 1 (default /dev/ttyS0); remembered for the next run once it opens."},
    {"port2", "DEV", "Device of port 2 (default /dev/ttyS1); remembered for the next run once it opens."},
    {"script", "FILE", "Run a script of actions and expectations against the windows, then exit."},
    {"settings", "DIR", "Keep settings and command history in DIR instead of $XDG_CONFIG_HOME/kestrel."},
    {"help", nullptr, "Print this help and exit."},
    {"version", nullptr, "Print the version and exit."},
};

const OptionEntry *FindOption(const QString &argument)
{
    for (const OptionEntry &o : kOptions)
        if (argument == QLatin1String("--") + QLatin1String(o.name))
            return &o;
    return nullptr;
}

}   // namespace

EarlyAnswer FindEarlyAnswer(const QStringList &arguments)
{
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &a = arguments[i];
        if (a == QLatin1String("--"))
            break;
        if (a == QLatin1String("--help") || a == QLatin1String("-h"))
            return EarlyAnswer::Help;
        if (a == QLatin1String("--version"))
            return EarlyAnswer::Version;
        if (const OptionEntry *o = FindOption(a); o && o->value)
            ++i;   // its value, whatever it looks like
    }
    return EarlyAnswer::None;
}

QString UsageText()
{
    QString text = QStringLiteral("Usage: kestrel [OPTION]...\n"
                                  "Service tool for the decoder's command monitor on a serial port.\n\n");
    for (const OptionEntry &o : kOptions) {
        QString left = QLatin1String("  --") + QLatin1String(o.name);
        if (o.value)
            left += QLatin1Char(' ') + QLatin1String(o.value);
        text += left.leftJustified(20) + QLatin1Char(' ') + QLatin1String(o.text) + QLatin1Char('\n');
    }
    text += QStringLiteral("\nWith --script, no settings are read or written unless --settings is given.\n"
                           "Exit status: 0 done; 1 a script expectation failed; 2 refused options or a\n"
                           "malformed script.\n");
    return text;
}

QString VersionText() { return QStringLiteral("kestrel " KESTREL_VERSION "\n"); }

bool ParseCommandLine(const QStringList &arguments, LaunchOptions &out, QString &error)
{
    QCommandLineParser parser;
    for (const OptionEntry &o : kOptions) {
        QCommandLineOption option(QLatin1String(o.name), QLatin1String(o.text));
        if (o.value)
            option.setValueName(QLatin1String(o.value));
        parser.addOption(option);
    }
    if (!parser.parse(arguments)) {
        error = parser.errorText();
        return false;
    }
    if (!parser.positionalArguments().isEmpty()) {
        error = "unexpected argument '" + parser.positionalArguments().constFirst() + "'";
        return false;
    }
    out.sim = parser.isSet("sim");
    out.script = parser.value("script");
    out.settingsDir = parser.value("settings");
    for (int i = 0; i < 2; ++i)
        out.port[i] = parser.value(QStringLiteral("port%1").arg(i + 1));
    // The simulator takes port 1; a device given beside it would go unused.
    if (out.sim && (parser.isSet("port1") || parser.isSet("port2"))) {
        error = QStringLiteral("--sim connects port 1 to the simulated decoder; it cannot be given with "
                               "--port1 or --port2");
        return false;
    }
    if (parser.isSet("sim-args") && !out.sim) {
        error = QStringLiteral("--sim-args needs --sim");
        return false;
    }
    if (!SplitShellWords(parser.value("sim-args"), out.simArgs, error)) {
        error = "--sim-args: " + error;
        return false;
    }
    return true;
}
