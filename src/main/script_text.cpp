#include "main/script_runner.h"
#include "ui/controls.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <cstdio>

QString NormalisedLineEnds(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace('\r', '\n');
    return text;
}

bool TokenizeScriptLine(const QString &line, QStringList &words, QString &error)
{
    words.clear();
    int i = 0;
    const int n = line.size();
    while (i < n) {
        const QChar c = line[i];
        if (c == ' ' || c == '\t') {
            ++i;
            continue;
        }
        if (c == '#')
            break;
        QString word;
        if (c == '"') {
            ++i;
            bool closed = false;
            while (i < n) {
                const QChar d = line[i++];
                if (d == '"') {
                    closed = true;
                    break;
                }
                if (d != '\\') {
                    word += d;
                    continue;
                }
                if (i >= n)
                    break;
                const QChar e = line[i++];
                if (e == '"' || e == '\\')
                    word += e;
                else if (e == 'r')
                    word += '\r';
                else if (e == 'n')
                    word += '\n';
                else {
                    error = QStringLiteral("unknown escape \\%1").arg(e);
                    return false;
                }
            }
            if (!closed) {
                error = "unclosed quote";
                return false;
            }
        } else {
            while (i < n && line[i] != ' ' && line[i] != '\t')
                word += line[i++];
        }
        words.append(word);
    }
    return true;
}

bool ParseScript(const QString &text, QList<ScriptStatement> &out, QString &error)
{
    out.clear();
    const QStringList lines = text.split('\n');
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith('\r'))
            line.chop(1);
        ScriptStatement st;
        st.line = i + 1;
        st.source = line.trimmed();
        QString why;
        if (!TokenizeScriptLine(line, st.args, why)) {
            error = QStringLiteral("line %1: %2").arg(st.line).arg(why);
            return false;
        }
        if (st.args.isEmpty())
            continue;
        why = ScriptRunner::CheckShape(st.args);
        if (!why.isEmpty()) {
            error = QStringLiteral("line %1: %2").arg(st.line).arg(why);
            return false;
        }
        out.append(st);
    }
    return true;
}

bool ScriptPrompter::next(const QString &title, const QString &text)
{
    std::fprintf(stderr, "[box] %s: %s\n", qPrintable(title), qPrintable(text));
    if (answers_.isEmpty()) {
        if (unanswered.isEmpty())
            unanswered = title + ": " + text;
        return false;
    }
    return answers_.takeFirst();
}

std::optional<QString> ScriptPrompter::askText(const QString &title, const QString &label, const QString &initial)
{
    std::fprintf(stderr, "[text] %s: %s [%s]\n", qPrintable(title), qPrintable(label), qPrintable(initial));
    if (texts_.isEmpty()) {
        if (unanswered.isEmpty())
            unanswered = title + ": " + label;
        return std::nullopt;
    }
    return texts_.takeFirst();
}

bool ScriptPrompter::confirm(const QString &title, const QString &text) { return next(title, text); }

void ScriptPrompter::inform(const QString &title, const QString &text) { next(title, text); }

QString ControlText(const QObject *obj, int index)
{
    if (auto *list = qobject_cast<const QListWidget *>(obj)) {
        const int row = index >= 0 ? index : list->currentRow();
        const QListWidgetItem *item = list->item(row);
        return item ? item->text() : QString();
    }
    if (auto *combo = qobject_cast<const QComboBox *>(obj))
        return index >= 0 ? combo->itemText(index) : combo->currentText();
    if (auto *text = qobject_cast<const QPlainTextEdit *>(obj)) {
        if (index < 0)
            return NormalisedLineEnds(text->toPlainText());
        return NormalisedLineEnds(text->toPlainText()).split('\n').value(index);
    }
    if (auto *button = qobject_cast<const QAbstractButton *>(obj))
        return ShownCaption(button->text());
    if (auto *edit = qobject_cast<const QLineEdit *>(obj))
        return edit->text();
    if (auto *label = qobject_cast<const QLabel *>(obj))
        return NormalisedLineEnds(label->text());
    // A progress bar reads as its percentage ("42%"), whatever else it shows.
    if (auto *bar = qobject_cast<const QProgressBar *>(obj)) {
        const qint64 span = qint64(bar->maximum()) - bar->minimum();
        if (bar->value() < bar->minimum())
            return QString();   // not started
        return span > 0 ? QStringLiteral("%1%").arg((qint64(bar->value()) - bar->minimum()) * 100 / span) : QString();
    }
    if (auto *group = qobject_cast<const QGroupBox *>(obj))
        return group->title();
    if (auto *menu = qobject_cast<const QMenu *>(obj))
        return ShownCaption(menu->title());
    if (auto *action = qobject_cast<const QAction *>(obj))
        return ShownCaption(action->text());
    if (auto *widget = qobject_cast<const QWidget *>(obj))
        return widget->windowTitle();
    return QString();
}

int ControlCount(const QObject *obj)
{
    if (auto *list = qobject_cast<const QListWidget *>(obj))
        return list->count();
    if (auto *combo = qobject_cast<const QComboBox *>(obj))
        return combo->count();
    if (auto *text = qobject_cast<const QPlainTextEdit *>(obj))
        return text->toPlainText().isEmpty() ? 0 : text->document()->blockCount();
    return -1;
}
