#pragma once
// Runs a script of user actions and expectations against the real windows:
// the end-to-end tests use it, and so do technicians who repeat one
// procedure on many decoders. Exit status: 0 every expectation held, 1 the
// first one that did not, 2 a malformed script or an unknown control.
#include "link/prompts.h"

#include <QList>
#include <optional>
#include <QObject>
#include <QString>
#include <QStringList>

class QWidget;
class Session;

struct ScriptStatement {
    int line = 0;
    QString source;
    QStringList args;   // the verb first, then its arguments, quotes removed
};

// Splits one script line into words: blanks separate, "..." may hold blanks
// and the escapes \" \\ \r \n, # starts a comment. False on an unclosed quote
// or an unknown escape.
bool TokenizeScriptLine(const QString &line, QStringList &words, QString &error);
// A key as a person types it ("Enter", "Del", "F2", "Ctrl+Up"), or nullopt.
std::optional<QKeyCombination> KeyNamed(const QString &name);
// Parses and checks a whole script; false with an error text when malformed.
bool ParseScript(const QString &text, QList<ScriptStatement> &out, QString &error);

// Answers the message boxes from a queue filled by "answer" statements.
class ScriptPrompter : public Prompter {
public:
    bool confirm(const QString &title, const QString &text) override;
    void inform(const QString &title, const QString &text) override;
    std::optional<QString> askText(const QString &title, const QString &label, const QString &initial) override;
    void queue(bool ok) { answers_.append(ok); }
    void queueText(const QString &text) { texts_.append(text); }
    // Set when a box appeared with no answer queued.
    QString unanswered;

private:
    bool next(const QString &title, const QString &text);
    QList<bool> answers_;
    QStringList texts_;
};

class ScriptRunner {
public:
    ScriptRunner(Session &session, ScriptPrompter &prompter, QList<ScriptStatement> statements);
    // Runs every statement, then ends the program with the exit status.
    void run();
    // Why a tokenized statement is malformed, or the empty text.
    static QString CheckShape(const QStringList &words);

private:
    enum Outcome { Ok = 0, Failed = 1, Malformed = 2 };
    using Handler = Outcome (ScriptRunner::*)(const ScriptStatement &st, const QStringList &a);
    struct Verb {
        const char *name;
        int minArgs, maxArgs;   // arguments after the verb
        QString (*check)(const QStringList &a);
        Handler run;
    };
    static const Verb kVerbs[];
    static const Verb *FindVerb(const QString &name);

    // An action that waits for the link to have written more commands.
    struct Trigger {
        int remaining;
        int line;
        QString action, target;
    };

    Outcome execute(const ScriptStatement &st, const QStringList &a);
    Outcome fail(const ScriptStatement &st, const QString &found);
    Outcome malformed(const ScriptStatement &st, const QString &why);
    QWidget *window(const QString &name) const;
    // Resolves "W.C" (and "W.C[N]" into index); null with why when not found.
    QObject *control(const QString &ref, int *index, QString &why, bool &windowMissing) const;
    Outcome withControl(const ScriptStatement &st, const QString &ref, QObject *&obj, int *index = nullptr);
    bool click(QObject *obj);
    // Runs a deferred click or close; a failure is reported by the next statement.
    void act(const QString &action, const QString &target, int line);
    void onCommandWritten();
    void waitMs(int ms);

    Outcome doAnswer(const ScriptStatement &st, const QStringList &a);
    Outcome doWait(const ScriptStatement &st, const QStringList &a);
    Outcome doAfter(const ScriptStatement &st, const QStringList &a);
    Outcome doOnCommand(const ScriptStatement &st, const QStringList &a);
    Outcome doUntil(const ScriptStatement &st, const QStringList &a);
    Outcome doClose(const ScriptStatement &st, const QStringList &a);
    Outcome doGeometry(const ScriptStatement &st, const QStringList &a);
    Outcome doClick(const ScriptStatement &st, const QStringList &a);
    Outcome doSet(const ScriptStatement &st, const QStringList &a);
    Outcome doChoose(const ScriptStatement &st, const QStringList &a);
    Outcome doSelect(const ScriptStatement &st, const QStringList &a);
    Outcome doKey(const ScriptStatement &st, const QStringList &a);
    Outcome doPrint(const ScriptStatement &st, const QStringList &a);
    Outcome expectText(const ScriptStatement &st, const QStringList &a);
    Outcome expectContains(const ScriptStatement &st, const QStringList &a);
    Outcome expectCount(const ScriptStatement &st, const QStringList &a);
    Outcome expectChecked(const ScriptStatement &st, const QStringList &a);
    Outcome expectEnabled(const ScriptStatement &st, const QStringList &a);
    Outcome expectVisible(const ScriptStatement &st, const QStringList &a);
    Outcome expectGeometry(const ScriptStatement &st, const QStringList &a);
    Outcome expectFile(const ScriptStatement &st, const QStringList &a);
    Outcome expectNoFile(const ScriptStatement &st, const QStringList &a);
    Outcome expectWindows(const ScriptStatement &st, const QStringList &a);

    Session &session_;
    ScriptPrompter &prompter_;
    QList<ScriptStatement> statements_;
    QList<Trigger> triggers_;
    QObject context_;         // receiver of the link's notifications
    bool quiet_ = false;      // "until" retries an expectation without reporting it
    Outcome deferred_ = Ok;   // failures of deferred actions
    QString deferredWhy_;
};

// What a control shows: its text, its title or caption, or line index of a
// list or text box; CR LF and CR read as LF.
QString ControlText(const QObject *obj, int index = -1);
// Lines of a list, entries of a drop-down list, lines of a text box; -1 for
// a control without lines.
int ControlCount(const QObject *obj);
// text with CR LF and CR written as LF.
QString NormalisedLineEnds(QString text);
