#pragma once
// Runs a script of user actions and expectations against the real windows:
// the end-to-end tests use it, and so do technicians who repeat one
// procedure on many decoders. Exit status: 0 every expectation held, 1 the
// first one that did not, 2 a malformed script or an unknown control.
#include "link/prompts.h"

#include <QList>
#include <QString>
#include <QStringList>

class QObject;
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
// Parses and checks a whole script; false with an error text when malformed.
bool ParseScript(const QString &text, QList<ScriptStatement> &out, QString &error);

// Answers the message boxes from a queue filled by "answer" statements.
class ScriptPrompter : public Prompter {
public:
    bool confirm(const QString &title, const QString &text) override;
    void inform(const QString &title, const QString &text) override;
    void queue(bool ok) { answers_.append(ok); }
    // Set when a box appeared with no answer queued.
    QString unanswered;

private:
    bool next(const QString &title, const QString &text);
    QList<bool> answers_;
};

class ScriptRunner {
public:
    ScriptRunner(Session &session, ScriptPrompter &prompter, QList<ScriptStatement> statements);
    // Runs every statement, then ends the program with the exit status.
    void run();

private:
    enum Outcome { Ok = 0, Failed = 1, Malformed = 2 };
    Outcome execute(const ScriptStatement &st);
    Outcome fail(const ScriptStatement &st, const QString &found);
    Outcome malformed(const ScriptStatement &st, const QString &why);
    QWidget *window(const QString &name) const;
    // Resolves "W.C" (and "W.C[N]" into index); null with why when not found.
    QObject *control(const QString &ref, int *index, QString &why, bool &windowMissing) const;
    Outcome withControl(const ScriptStatement &st, const QString &ref, QObject *&obj, int *index = nullptr);
    bool click(QObject *obj);
    void waitMs(int ms);

    Session &session_;
    ScriptPrompter &prompter_;
    QList<ScriptStatement> statements_;
    Outcome deferred_ = Ok;   // failures of scheduled clicks
    QString deferredWhy_;
};

QString ControlText(const QObject *obj, int index = -1);
