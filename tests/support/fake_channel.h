#pragma once
// Test doubles for the link and the confirmation boxes.
//
// FakeChannel answers commands from a script and records everything the code
// under test did to it. A command is answered by the first of these that
// applies:
//   1. replyOnce(command, text)   - one-shot replies for that exact command, in order;
//   2. reply(command, text)       - a standing reply for that exact command;
//   3. queue(text)                - replies for any other command, in order;
//   4. respond(callback)          - callback(command) for any other command;
//   5. unscriptedReply            - empty by default, which the callers see as a time-out.
//
// FakePrompter answers confirmations from a list (OK by default) and records
// every question and message.
#include "link/channel.h"
#include "link/prompts.h"

#include <QHash>
#include <QList>
#include <QQueue>
#include <QString>
#include <QStringList>
#include <functional>

class FakeChannel : public CommandChannel {
public:
    struct Sent {
        QString command;
        bool show = false;
        int timeout = 0;   // time-out in effect when the command was sent
    };

    // --- script ---
    void reply(const QString &command, const QString &text) { standing_.insert(command, text); }
    void replyOnce(const QString &command, const QString &text) { once_[command].enqueue(text); }
    void queue(const QString &text) { queued_.enqueue(text); }
    void queue(const QStringList &texts)
    {
        for (const QString &t : texts)
            queued_.enqueue(t);
    }
    void respond(std::function<QString(const QString &)> callback) { responder_ = std::move(callback); }
    QString unscriptedReply;
    QString lost;   // what linkLost() says: set to lose the link
    // Replies of several lines: what each awaitMore brings after the reply
    // (an empty text: that wait times out), the replies of transactLines in
    // turn, and the port beneath.
    QStringList more;
    QList<LinesReply> lines;
    bool open = true;
    QString reopenError;
    QStringList appended;   // every text appended to the display

    // --- record ---
    QList<Sent> sent;
    QList<int> timeoutsSet;   // every SetCmdTimeout value, in order
    QList<int> waits;         // every Wait value, in order
    // Everything in call order: ">" + command, "T" + timeout, "W" + wait.
    QStringList events;
    int cmdTimeout = 4000;   // the time-out currently in effect

    QStringList commands() const
    {
        QStringList list;
        for (const Sent &s : sent)
            list << s.command;
        return list;
    }
    int pendingQueued() const { return int(queued_.size()); }
    void clearRecord()
    {
        sent.clear();
        timeoutsSet.clear();
        waits.clear();
        events.clear();
    }

    // --- CommandChannel ---
    QString SendCmd(const QString &command, bool show) override
    {
        const QString reply = answer(command, show);
        received_ = reply.isEmpty() ? QString() : reply + QLatin1Char('\r');
        return reply;
    }
    const QString &received() const override { return received_; }
    bool awaitMore(int ms, const std::function<bool(const QString &)> &done) override
    {
        events << QLatin1Char('A') + QString::number(ms);
        if (!more.isEmpty())
            received_ += more.takeFirst();
        return done(received_);
    }
    LinesReply transactLines(const QString &command, int, const std::function<bool(const QString &)> &,
                             const std::function<void(qsizetype)> &) override
    {
        sent.append({command, false, cmdTimeout});
        events << QLatin1Char('>') + command;
        return lines.isEmpty() ? LinesReply{} : lines.takeFirst();
    }
    bool portIsOpen() const override { return open; }
    void appendToDisplay(const QString &text) override { appended << text; }
    bool writeRaw(const QString &text) override
    {
        events << QLatin1Char('R') + text;
        return open;
    }
    QString reopen(const QString &device, const QString &settings) override
    {
        events << "O" + device + ' ' + settings;
        return reopenError;
    }

private:
    QString answer(const QString &command, bool show)
    {
        sent.append({command, show, cmdTimeout});
        events << QLatin1Char('>') + command;
        auto once = once_.find(command);
        if (once != once_.end() && !once->isEmpty())
            return once->dequeue();
        auto standing = standing_.constFind(command);
        if (standing != standing_.constEnd())
            return *standing;
        if (!queued_.isEmpty())
            return queued_.dequeue();
        if (responder_)
            return responder_(command);
        return unscriptedReply;
    }

public:
    void SetCmdTimeout(int ms) override
    {
        cmdTimeout = ms;
        timeoutsSet << ms;
        events << QLatin1Char('T') + QString::number(ms);
    }
    void Wait(int ms) override
    {
        waits << ms;
        events << QLatin1Char('W') + QString::number(ms);
    }
    QString linkLost() const override { return lost; }

private:
    QString received_;
    QHash<QString, QQueue<QString>> once_;
    QHash<QString, QString> standing_;
    QQueue<QString> queued_;
    std::function<QString(const QString &)> responder_;
};

class FakePrompter : public Prompter {
public:
    struct Shown {
        QString title;
        QString text;
    };

    // Answers for the next confirmations, in order; OK once they run out.
    QList<bool> answers;
    bool defaultAnswer = true;

    QList<Shown> questions;   // every confirm call
    QList<Shown> messages;    // every inform call

    bool confirm(const QString &title, const QString &text) override
    {
        questions.append({title, text});
        return answers.isEmpty() ? defaultAnswer : answers.takeFirst();
    }
    void inform(const QString &title, const QString &text) override { messages.append({title, text}); }
};
