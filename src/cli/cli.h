#pragma once
// kestrel-cli: the decoder's procedures as commands a shell script can chain.
// Each command is a row of a table; a command runs the same services the
// windows run, with the same commands, retries, STOP points and messages.
#include "link/channel.h"
#include "link/operation.h"
#include "link/options.h"
#include "link/prompts.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <csignal>
#include <optional>
#include <span>

class Link;

// Exit statuses.
enum CliStatus { kCliDone = 0, kCliFailed = 1, kCliRefused = 2, kCliStopped = 130 };

// The arguments after the command's words: positional ones in order, and
// options ("--name" or "--name VALUE") anywhere among them.
class CliArgs {
public:
    explicit CliArgs(QStringList words) : words_(std::move(words)) {}
    // Takes "--name"; true when it was there.
    bool flag(const QString &name);
    // Takes "--name VALUE"; fallback when absent. A missing value is an error.
    QString value(const QString &name, const QString &fallback = QString());
    // Takes the next positional argument, or the empty text (an error) when none is left.
    QString next(const QString &what);
    // Takes "--mode multi|dword|word|byte", the main window's memory read
    // mode; multi when absent.
    MemReadMode readMode();
    // Takes the next positional argument when one is left.
    std::optional<QString> nextOptional();
    // What remains is an error; the first error found, or the empty text.
    [[nodiscard]] QString finish();

private:
    QStringList words_;
    QString error_;
};

// What a command runs with.
class CliContext {
public:
    CliArgs &args;
    Options &options;
    Prompter &prompter;
    bool json = false;
    bool quiet = false;
    // The decoder's link; null for the commands on files alone.
    Link *link = nullptr;
    CommandChannel &channel();

    // Hooks that follow an operation: Ctrl-C as STOP, the status kept for
    // the message, progress on standard error when it is a terminal.
    OperationHooks hooks(const QString &unit);
    bool stopRequested() const;
    QString status() const { return status_; }
    void setStatus(const QString &text) { status_ = text; }
    QString decoderState() const { return state_; }

    // Text output: one line on standard output (not with --json).
    void print(const QString &line);
    // The result for --json.
    QJsonObject result;

    // Ends the command: a message on standard error (with the state the
    // decoder is left in, when known), and the exit status.
    int fail(const QString &message, int status = kCliFailed);
    int refuse(const QString &message) { return fail(message, kCliRefused); }
    // The usual end of an operation: done, refused (a question not
    // answered), stopped or failed with its status text.
    int finish(bool done, bool declined, bool stopped);

    CliContext(CliArgs &args, Options &options, Prompter &prompter) : args(args), options(options), prompter(prompter)
    {}

private:
    void showProgress(qint64 done, qint64 total, const QString &unit);
    void endProgress();
    QString status_;
    QString state_;
    qint64 progressStartMs_ = -1;
    int lastPercent_ = -1;
};

struct CliCommand {
    const char *words;     // "flash read"
    const char *usage;     // the arguments: "data|firmware|all FILE"
    const char *summary;   // one line of --help
    bool needsDecoder;     // opens the port (or starts the simulator)
    int (*run)(CliContext &context);
};

// Passes questions on to inner and remembers whether one was answered no.
class RecordingPrompter : public Prompter {
public:
    explicit RecordingPrompter(Prompter &inner) : inner_(inner) {}
    bool confirm(const QString &title, const QString &text) override
    {
        const bool yes = inner_.confirm(title, text);
        declined = declined || !yes;
        return yes;
    }
    void inform(const QString &title, const QString &text) override { inner_.inform(title, text); }
    bool declined = false;

private:
    Prompter &inner_;
};

// The command groups, each in a file of its own.
std::span<const CliCommand> TerminalCommands();
std::span<const CliCommand> MemoryCommands();
std::span<const CliCommand> FlashCommands();
std::span<const CliCommand> TuningCommands();
std::span<const CliCommand> FileCommands();
std::span<const CliCommand> TableCommands();

// A hexadecimal number of at most digits digits; nullopt when it is not one.
std::optional<qint64> ParseHex(const QString &text, int digits);
// Set by Ctrl-C.
extern volatile std::sig_atomic_t gCliStop;
