#pragma once
// The command line of kestrel: its options, what it refuses, and the
// shell-like splitting of the simulator's options.
#include <QString>
#include <QStringList>

#include "terminal/shell_words.h"

struct LaunchOptions {
    bool sim = false;
    QStringList simArgs;   // already split into words
    QString port[2];       // devices given for port 1 and 2, empty when not
    QString script;
    QString settingsDir;   // empty: the user's folder, or none with a script
};

enum class EarlyAnswer { None, Help, Version };
// --help or --version anywhere among the options (not as an option's value):
// answered before the windowing system is reached, so they work without a
// display.
EarlyAnswer FindEarlyAnswer(const QStringList &arguments);
QString UsageText();
QString VersionText();

// Parses the arguments (the program name first, the toolkit's own options
// already taken out). False with error when they are refused.
bool ParseCommandLine(const QStringList &arguments, LaunchOptions &out, QString &error);
