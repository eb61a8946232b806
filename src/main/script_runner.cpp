#include "main/script_runner.h"

#include "ui/session.h"
#include "ui/tool_window.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCryptographicHash>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QShortcut>
#include <QTimer>
#include <cstdio>
#include <optional>

namespace {

bool IsNumber(const QString &s)
{
    bool ok = false;
    const int v = s.toInt(&ok);
    return ok && v >= 0;
}

bool IsYesNo(const QString &s) { return s == "yes" || s == "no"; }

QString Quoted(const QString &text)
{
    QString t = text;
    t.replace('\\', "\\\\").replace('"', "\\\"").replace('\n', "\\n").replace('\r', "\\r");
    return '"' + t + '"';
}

// Argument checks beyond their number; each returns why the words are wrong.
QString NumberAt2(const QStringList &w) { return IsNumber(w[2]) ? QString() : "expected a number: " + w[2]; }
QString YesNoAt2(const QStringList &w) { return IsYesNo(w[2]) ? QString() : "expected yes or no: " + w[2]; }
QString CheckKey(const QStringList &w) { return KeyNamed(w[2]) ? QString() : "unknown key: " + w[2]; }
QString NumbersFrom2(const QStringList &w)
{
    for (qsizetype i = 2; i < w.size(); ++i)
        if (!IsNumber(w[i]))
            return "expected a number: " + w[i];
    return QString();
}
QString CheckGeometry(const QStringList &w)
{
    for (int i = 2; i < 6; ++i)
        if (!IsNumber(w[i]))
            return "expected a number: " + w[i];
    return QString();
}
QRect GeometryAt2(const QStringList &w) { return QRect(w[2].toInt(), w[3].toInt(), w[4].toInt(), w[5].toInt()); }
QString CheckAnswer(const QStringList &w)
{
    if (w.size() == 2)
        return w[1] == "ok" || w[1] == "cancel" ? QString() : QStringLiteral("answer takes ok or cancel");
    return w[1] == "text" ? QString() : QStringLiteral("answer takes ok, cancel or text \"TEXT\"");
}
QString CheckWait(const QStringList &w) { return IsNumber(w[1]) ? QString() : "expected a number: " + w[1]; }
QString CheckDeferred(const QStringList &w)
{
    if (IsNumber(w[1]) && (w[2] == "click" || w[2] == "close"))
        return QString();
    return w[0] + " takes N click W.C or N close W";
}
QString CheckFile(const QStringList &w)
{
    if ((w[2] == "size" && IsNumber(w[3])) || w[2] == "sha256")
        return QString();
    return QStringLiteral("expect-file takes NAME size N or NAME sha256 HEX");
}

}   // namespace

ScriptRunner::ScriptRunner(Session &session, ScriptPrompter &prompter, QList<ScriptStatement> statements)
    : session_(session), prompter_(prompter), statements_(std::move(statements))
{
    QObject::connect(&session_.link, &Link::commandWritten, &context_, [this] { onCommandWritten(); });
}

void ScriptRunner::run()
{
    Outcome result = Ok;
    for (const ScriptStatement &st : statements_) {
        if (session_.quitting())
            break;
        result = execute(st, st.args);
        // Windows closed by the statement go now, as they would once a
        // user's click returns to the event loop: nothing of the script's
        // own waits is on the stack between statements.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (result == Ok && deferred_ != Ok) {
            std::fprintf(stderr, "line %d: %s\n", st.line, qPrintable(deferredWhy_));
            result = deferred_;
        }
        if (result == Ok && !prompter_.unanswered.isEmpty())
            result = fail(st, "a message box with no answer queued: " + prompter_.unanswered);
        if (result != Ok)
            break;
    }
    std::fflush(stdout);
    session_.quit(result);
    // The main window may have ended the program already with status 0.
    QCoreApplication::exit(result);
}

ScriptRunner::Outcome ScriptRunner::fail(const ScriptStatement &st, const QString &found)
{
    if (quiet_)
        return Failed;
    std::fprintf(stderr, "line %d: %s\n  found: %s\n", st.line, qPrintable(st.source), qPrintable(found));
    return Failed;
}

ScriptRunner::Outcome ScriptRunner::malformed(const ScriptStatement &st, const QString &why)
{
    std::fprintf(stderr, "line %d: %s\n  %s\n", st.line, qPrintable(st.source), qPrintable(why));
    return Malformed;
}

QWidget *ScriptRunner::window(const QString &name) const
{
    // A closed window may linger hidden until its operation has unwound: the
    // window that is still open wins, then the one on screen.
    const auto rank = [](const QWidget *w) {
        const auto *tool = qobject_cast<const ToolWindow *>(w);
        return (tool && tool->isClosing() ? 0 : 2) + (w->isVisible() ? 1 : 0);
    };
    QWidget *found = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->objectName() == name && (!found || rank(w) > rank(found)))
            found = w;
    return found;
}

QObject *ScriptRunner::control(const QString &ref, int *index, QString &why, bool &windowMissing) const
{
    windowMissing = false;
    QString path = ref;
    if (index)
        *index = -1;
    if (path.endsWith(']')) {
        const int open = path.lastIndexOf('[');
        bool ok = false;
        const int n = open > 0 ? path.mid(open + 1, path.size() - open - 2).toInt(&ok) : -1;
        if (!ok || n < 0 || !index) {
            why = "bad line index in " + ref;
            return nullptr;
        }
        *index = n;
        path = path.left(open);
    }
    const int dot = path.indexOf('.');
    if (dot <= 0 || dot == path.size() - 1) {
        why = "expected WINDOW.CONTROL: " + ref;
        return nullptr;
    }
    QWidget *w = window(path.left(dot));
    if (!w) {
        windowMissing = true;
        why = "window " + path.left(dot) + " is not open";
        return nullptr;
    }
    const QString name = path.mid(dot + 1);
    for (QObject *o : w->findChildren<QObject *>()) {
        if (o->objectName() != name)
            continue;
        // Menus and their actions share names; actions are what users click.
        if (qobject_cast<QMenu *>(o)) {
            if (QObject *a = static_cast<QMenu *>(o)->menuAction(); a && a->objectName() == name)
                return a;
        }
        return o;
    }
    why = "no control " + name + " in " + path.left(dot);
    return nullptr;
}

ScriptRunner::Outcome ScriptRunner::withControl(const ScriptStatement &st, const QString &ref, QObject *&obj,
                                                int *index)
{
    QString why;
    bool windowMissing = false;
    obj = control(ref, index, why, windowMissing);
    if (obj)
        return Ok;
    return windowMissing ? fail(st, why) : malformed(st, why);
}

bool ScriptRunner::click(QObject *obj)
{
    if (auto *button = qobject_cast<QAbstractButton *>(obj)) {
        button->click();
        return true;
    }
    if (auto *action = qobject_cast<QAction *>(obj)) {
        action->trigger();
        return true;
    }
    return false;
}

void ScriptRunner::waitMs(int ms)
{
    if (session_.quitting())
        return;
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void ScriptRunner::act(const QString &action, const QString &target, int line)
{
    bool done = false;
    if (action == "close") {
        if (QWidget *w = window(target)) {
            w->close();
            done = true;
        }
    } else {
        QString why;
        bool windowMissing = false;
        done = click(control(target, nullptr, why, windowMissing));
    }
    if (!done && deferred_ == Ok) {
        deferred_ = Failed;
        deferredWhy_ = QStringLiteral("the %1 of line %2 found no %3").arg(action).arg(line).arg(target);
    }
}

// Runs inside the transaction that wrote the command, before its reply is
// awaited: the action lands exactly where a user's would while that command
// is on its way, however fast or slow the machine is.
void ScriptRunner::onCommandWritten()
{
    QList<Trigger> due;
    for (auto it = triggers_.begin(); it != triggers_.end();) {
        if (--it->remaining > 0) {
            ++it;
            continue;
        }
        due.append(*it);
        it = triggers_.erase(it);
    }
    for (const Trigger &t : due)
        act(t.action, t.target, t.line);
}

const ScriptRunner::Verb ScriptRunner::kVerbs[] = {
    {"click", 1, 1, nullptr, &ScriptRunner::doClick},
    {"set", 2, 2, nullptr, &ScriptRunner::doSet},
    {"choose", 2, 2, NumberAt2, &ScriptRunner::doChoose},
    {"dblclick", 2, 2, NumberAt2, &ScriptRunner::doChoose},
    {"select", 2, 64, NumbersFrom2, &ScriptRunner::doSelect},
    {"key", 2, 2, CheckKey, &ScriptRunner::doKey},
    {"answer", 1, 2, CheckAnswer, &ScriptRunner::doAnswer},
    {"after", 3, 3, CheckDeferred, &ScriptRunner::doAfter},
    {"on-command", 3, 3, CheckDeferred, &ScriptRunner::doOnCommand},
    {"until", 2, 4, nullptr, &ScriptRunner::doUntil},
    {"wait", 1, 1, CheckWait, &ScriptRunner::doWait},
    {"close", 1, 1, nullptr, &ScriptRunner::doClose},
    {"geometry", 5, 5, CheckGeometry, &ScriptRunner::doGeometry},
    {"print", 1, 1, nullptr, &ScriptRunner::doPrint},
    {"expect", 2, 2, nullptr, &ScriptRunner::expectText},
    {"expect-contains", 2, 2, nullptr, &ScriptRunner::expectContains},
    {"expect-count", 2, 2, NumberAt2, &ScriptRunner::expectCount},
    {"expect-checked", 2, 2, YesNoAt2, &ScriptRunner::expectChecked},
    {"expect-enabled", 2, 2, YesNoAt2, &ScriptRunner::expectEnabled},
    {"expect-visible", 2, 2, YesNoAt2, &ScriptRunner::expectVisible},
    {"expect-geometry", 5, 5, CheckGeometry, &ScriptRunner::expectGeometry},
    {"expect-file", 3, 3, CheckFile, &ScriptRunner::expectFile},
    {"expect-no-file", 1, 1, nullptr, &ScriptRunner::expectNoFile},
    {"expect-windows", 2, 2, NumberAt2, &ScriptRunner::expectWindows},
};

const ScriptRunner::Verb *ScriptRunner::FindVerb(const QString &name)
{
    for (const Verb &v : kVerbs) {
        if (name == QLatin1String(v.name))
            return &v;
    }
    return nullptr;
}

QString ScriptRunner::CheckShape(const QStringList &w)
{
    const Verb *verb = FindVerb(w[0]);
    if (!verb)
        return "unknown statement: " + w[0];
    const int n = w.size() - 1;
    if (n < verb->minArgs || n > verb->maxArgs)
        return QStringLiteral("wrong number of arguments for %1").arg(w[0]);
    if (verb->run == &ScriptRunner::doUntil) {
        if (!w[1].startsWith(QLatin1String("expect")))
            return QStringLiteral("until takes an expectation");
        return CheckShape(w.mid(1));
    }
    return verb->check ? verb->check(w) : QString();
}

ScriptRunner::Outcome ScriptRunner::execute(const ScriptStatement &st, const QStringList &a)
{
    const Verb *verb = FindVerb(a[0]);
    return verb ? (this->*verb->run)(st, a) : malformed(st, "unknown statement");
}

ScriptRunner::Outcome ScriptRunner::doAnswer(const ScriptStatement &, const QStringList &a)
{
    if (a[1] == "text")
        prompter_.queueText(a[2]);
    else
        prompter_.queue(a[1] == "ok");
    return Ok;
}

ScriptRunner::Outcome ScriptRunner::doWait(const ScriptStatement &, const QStringList &a)
{
    waitMs(a[1].toInt());
    return Ok;
}

ScriptRunner::Outcome ScriptRunner::doAfter(const ScriptStatement &st, const QStringList &a)
{
    QObject *obj = nullptr;
    if (a[2] == "click") {
        if (Outcome o = withControl(st, a[3], obj); o != Ok)
            return o;
    }
    const QString action = a[2], target = a[3];
    const int line = st.line;
    QTimer::singleShot(a[1].toInt(), &context_, [=, this] { act(action, target, line); });
    return Ok;
}

ScriptRunner::Outcome ScriptRunner::doOnCommand(const ScriptStatement &st, const QStringList &a)
{
    QObject *obj = nullptr;
    if (a[2] == "click") {
        if (Outcome o = withControl(st, a[3], obj); o != Ok)
            return o;
    }
    const int count = a[1].toInt();
    if (count == 0) {
        act(a[2], a[3], st.line);
        return Ok;
    }
    triggers_.append({count, st.line, a[2], a[3]});
    return Ok;
}

// Repeats the expectation as events arrive until it holds; the deadline only
// ends a script that would otherwise wait for ever.
ScriptRunner::Outcome ScriptRunner::doUntil(const ScriptStatement &st, const QStringList &a)
{
    const QStringList expectation = a.mid(1);
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.start(60000);
    QTimer recheck;
    recheck.start(20);
    quiet_ = true;
    Outcome o = execute(st, expectation);
    while (o == Failed && deadline.isActive() && !session_.quitting()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        o = execute(st, expectation);
    }
    quiet_ = false;
    return o == Failed ? execute(st, expectation) : o;
}

ScriptRunner::Outcome ScriptRunner::doClose(const ScriptStatement &st, const QStringList &a)
{
    QWidget *w = window(a[1]);
    if (!w)
        return fail(st, "window " + a[1] + " is not open");
    w->close();
    return Ok;
}

ScriptRunner::Outcome ScriptRunner::doClick(const ScriptStatement &st, const QStringList &a)
{
    QObject *obj = nullptr;
    if (Outcome o = withControl(st, a[1], obj); o != Ok)
        return o;
    return click(obj) ? Ok : malformed(st, a[1] + " cannot be clicked");
}

ScriptRunner::Outcome ScriptRunner::doSet(const ScriptStatement &st, const QStringList &a)
{
    QObject *obj = nullptr;
    if (Outcome o = withControl(st, a[1], obj); o != Ok)
        return o;
    if (auto *edit = qobject_cast<QLineEdit *>(obj)) {
        edit->setText(a[2]);
        emit edit->textEdited(a[2]);
    } else if (auto *combo = qobject_cast<QComboBox *>(obj); combo && combo->isEditable()) {
        combo->setEditText(a[2]);
    } else if (auto *text = qobject_cast<QPlainTextEdit *>(obj)) {
        text->setPlainText(a[2]);
    } else {
        return malformed(st, a[1] + " holds no text to set");
    }
    return Ok;
}

ScriptRunner::Outcome ScriptRunner::doGeometry(const ScriptStatement &st, const QStringList &a)
{
    QWidget *w = window(a[1]);
    if (!w)
        return fail(st, "window " + a[1] + " is not open");
    w->setGeometry(GeometryAt2(a));
    return Ok;
}

ScriptRunner::Outcome ScriptRunner::expectGeometry(const ScriptStatement &st, const QStringList &a)
{
    QWidget *w = window(a[1]);
    if (!w)
        return fail(st, "window " + a[1] + " is not open");
    const QRect r = w->geometry();
    return r == GeometryAt2(a)
        ? Ok
        : fail(st, QStringLiteral("%1 %2 %3 %4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()));
}

ScriptRunner::Outcome ScriptRunner::doPrint(const ScriptStatement &st, const QStringList &a)
{
    QObject *obj = nullptr;
    if (Outcome o = withControl(st, a[1], obj); o != Ok)
        return o;
    std::printf("%s\n", qPrintable(ControlText(obj)));
    std::fflush(stdout);
    return Ok;
}

ScriptRunner::Outcome ScriptRunner::expectText(const ScriptStatement &st, const QStringList &a)
{
    QObject *obj = nullptr;
    int index = -1;
    if (Outcome o = withControl(st, a[1], obj, &index); o != Ok)
        return o;
    const QString found = ControlText(obj, index);
    return found == NormalisedLineEnds(a[2]) ? Ok : fail(st, Quoted(found));
}

ScriptRunner::Outcome ScriptRunner::expectContains(const ScriptStatement &st, const QStringList &a)
{
    QObject *obj = nullptr;
    if (Outcome o = withControl(st, a[1], obj); o != Ok)
        return o;
    const QString found = ControlText(obj);
    return found.contains(NormalisedLineEnds(a[2])) ? Ok : fail(st, Quoted(found));
}

ScriptRunner::Outcome ScriptRunner::expectCount(const ScriptStatement &st, const QStringList &a)
{
    QObject *obj = nullptr;
    if (Outcome o = withControl(st, a[1], obj); o != Ok)
        return o;
    const int count = ControlCount(obj);
    if (count < 0)
        return malformed(st, a[1] + " has no lines to count");
    return count == a[2].toInt() ? Ok : fail(st, QString::number(count));
}

ScriptRunner::Outcome ScriptRunner::expectChecked(const ScriptStatement &st, const QStringList &a)
{
    QObject *obj = nullptr;
    if (Outcome o = withControl(st, a[1], obj); o != Ok)
        return o;
    bool checked = false;
    if (auto *button = qobject_cast<QAbstractButton *>(obj))
        checked = button->isChecked();
    else if (auto *action = qobject_cast<QAction *>(obj))
        checked = action->isChecked();
    else
        return malformed(st, a[1] + " has no check mark");
    return checked == (a[2] == "yes") ? Ok : fail(st, checked ? "yes" : "no");
}

ScriptRunner::Outcome ScriptRunner::expectEnabled(const ScriptStatement &st, const QStringList &a)
{
    QObject *obj = nullptr;
    if (Outcome o = withControl(st, a[1], obj); o != Ok)
        return o;
    bool enabled = false;
    if (auto *w = qobject_cast<QWidget *>(obj))
        enabled = w->isEnabled();
    else if (auto *action = qobject_cast<QAction *>(obj))
        enabled = action->isEnabled();
    return enabled == (a[2] == "yes") ? Ok : fail(st, enabled ? "yes" : "no");
}

ScriptRunner::Outcome ScriptRunner::expectVisible(const ScriptStatement &st, const QStringList &a)
{
    QWidget *w = window(a[1]);
    const bool visible = w && w->isVisible();
    return visible == (a[2] == "yes") ? Ok : fail(st, visible ? "yes" : "no");
}

ScriptRunner::Outcome ScriptRunner::expectFile(const ScriptStatement &st, const QStringList &a)
{
    QFile file(a[1]);
    if (!file.exists())
        return fail(st, "no such file");
    if (a[2] == "size")
        return file.size() == a[3].toLongLong() ? Ok : fail(st, QString::number(file.size()) + " bytes");
    if (!file.open(QIODevice::ReadOnly))
        return fail(st, "cannot read: " + file.errorString());
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&file);
    const QString hex = QString::fromLatin1(hash.result().toHex());
    return hex.compare(a[3], Qt::CaseInsensitive) == 0 ? Ok : fail(st, hex);
}

ScriptRunner::Outcome ScriptRunner::expectNoFile(const ScriptStatement &st, const QStringList &a)
{
    return QFile::exists(a[1]) ? fail(st, "the file exists") : Ok;
}

// Every window of that name still in memory, shown, hidden or closed and
// not yet deleted.
ScriptRunner::Outcome ScriptRunner::expectWindows(const ScriptStatement &st, const QStringList &a)
{
    int count = 0;
    for (const QWidget *w : QApplication::topLevelWidgets())
        count += w->objectName() == a[1] ? 1 : 0;
    return count == a[2].toInt() ? Ok : fail(st, QString::number(count));
}
