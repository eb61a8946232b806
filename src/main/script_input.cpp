// The statements that act as a person's hands on lists and keys: choose,
// dblclick, select and key.
#include "main/script_runner.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QShortcut>
#include <QWidget>

// A key as a person types it: "Enter", "Del", "F2", "Ctrl+Up", "Ctrl+Shift+Z".
std::optional<QKeyCombination> KeyNamed(const QString &name)
{
    const QKeySequence seq = QKeySequence::fromString(name == "Enter" ? QStringLiteral("Return") : name);
    if (seq.count() != 1 || seq[0].key() == Qt::Key_unknown)
        return std::nullopt;
    return seq[0];
}

ScriptRunner::Outcome ScriptRunner::doChoose(const ScriptStatement &st, const QStringList &a)
{
    QObject *obj = nullptr;
    if (Outcome o = withControl(st, a[1], obj); o != Ok)
        return o;
    const bool choose = a[0] == "choose";
    const int n = a[2].toInt();
    if (auto *combo = qobject_cast<QComboBox *>(obj); combo && choose) {
        if (n >= combo->count())
            return fail(st, QStringLiteral("%1 has %2 entries").arg(a[1]).arg(combo->count()));
        combo->setCurrentIndex(n);
        emit combo->activated(n);
        return Ok;
    }
    auto *list = qobject_cast<QListWidget *>(obj);
    if (!list)
        return malformed(st, a[1] + " is not a list");
    QListWidgetItem *item = list->item(n);
    if (!item)
        return fail(st, QStringLiteral("%1 has %2 lines").arg(a[1]).arg(list->count()));
    list->setCurrentRow(n);
    if (choose)
        emit list->itemClicked(item);
    else
        emit list->itemDoubleClicked(item);
    return Ok;
}

ScriptRunner::Outcome ScriptRunner::doSelect(const ScriptStatement &st, const QStringList &a)
{
    QObject *obj = nullptr;
    if (Outcome o = withControl(st, a[1], obj); o != Ok)
        return o;
    auto *list = qobject_cast<QListWidget *>(obj);
    if (!list)
        return malformed(st, a[1] + " is not a list");
    list->clearSelection();
    for (qsizetype i = 2; i < a.size(); ++i) {
        QListWidgetItem *item = list->item(a[i].toInt());
        if (!item)
            return fail(st, QStringLiteral("%1 has %2 lines").arg(a[1]).arg(list->count()));
        if (i == 2)
            list->setCurrentItem(item, QItemSelectionModel::Select);
        else
            item->setSelected(true);
    }
    return Ok;
}

ScriptRunner::Outcome ScriptRunner::doKey(const ScriptStatement &st, const QStringList &a)
{
    QObject *obj = nullptr;
    if (Outcome o = withControl(st, a[1], obj); o != Ok)
        return o;
    auto *w = qobject_cast<QWidget *>(obj);
    if (!w)
        return malformed(st, a[1] + " takes no keys");
    const QKeyCombination key = *KeyNamed(a[2]);
    QString text;
    if (key.key() == Qt::Key_Return)
        text = QStringLiteral("\r");
    else if (key.keyboardModifiers() == Qt::NoModifier && key.key() >= Qt::Key_Space && key.key() <= Qt::Key_AsciiTilde)
        text = QChar(key.key()).toLower();
    QKeyEvent press(QEvent::KeyPress, key.key(), key.keyboardModifiers(), text);
    // A shortcut of the window (Ctrl+Z, Del on a list) acts before the key reaches the control.
    const QKeySequence seq(key);
    for (QAction *action : w->window()->findChildren<QAction *>()) {
        if (action->isEnabled() && action->shortcuts().contains(seq)) {
            action->trigger();
            return Ok;
        }
    }
    for (QShortcut *sc : w->window()->findChildren<QShortcut *>()) {
        if (sc->isEnabled() && sc->key() == seq) {
            emit sc->activated();
            return Ok;
        }
    }
    QCoreApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key.key(), key.keyboardModifiers(), text);
    QCoreApplication::sendEvent(w, &release);
    return Ok;
}
