#include "ui/controls.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSet>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>

QString IndexedName(const char *name, int i) { return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(i); }

QPushButton *NamedButton(QWidget *parent, const QString &name, const QString &caption, const QString &tooltip)
{
    auto *b = new QPushButton(caption, parent);
    b->setObjectName(name);
    if (!tooltip.isEmpty())
        b->setToolTip(tooltip);
    return b;
}

QLineEdit *NamedLineEdit(QWidget *parent, const QString &name, const QString &text, int maxLength)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(name);
    if (maxLength > 0)
        e->setMaxLength(maxLength);
    e->setText(text);
    return e;
}

QLabel *NamedLabel(QWidget *parent, const QString &name, const QString &text)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setTextFormat(Qt::PlainText);
    return l;
}

QPlainTextEdit *NamedTextArea(QWidget *parent, const QString &name, bool fixedPitch)
{
    // What the decoder said: selectable and copyable, never changed by a
    // stray key; Tab moves on.
    auto *t = new QPlainTextEdit(parent);
    t->setObjectName(name);
    t->setReadOnly(true);
    t->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    t->setTabChangesFocus(true);
    if (fixedPitch)
        t->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    return t;
}

QListWidget *NamedList(QWidget *parent, const QString &name, const QString &tooltip)
{
    auto *list = new QListWidget(parent);
    list->setObjectName(name);
    list->setToolTip(tooltip);
    list->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    return list;
}

void ShowLines(QAbstractScrollArea *view, int chars, int lines)
{
    const QFontMetrics metrics(view->font());
    const int frame = 2 * view->frameWidth();
    view->setMinimumSize(metrics.horizontalAdvance(QString(chars, '0')) + frame
                             + view->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, view),
                         metrics.lineSpacing() * lines + frame);
}

QWidget *ColumnLabels(QWidget *parent, const QListWidget *list, const QList<ColumnLabel> &labels)
{
    auto *header = new QWidget(parent);
    // The lines start after the frame and the item's own margin.
    const int margin = list->frameWidth() + list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list);
    const QFontMetrics metrics(list->font());
    // Measured over whole runs of characters, as the lines are laid out,
    // so that a fraction of a pixel per character does not add up.
    const auto span = [&metrics](qsizetype chars) { return metrics.horizontalAdvance(QString(chars, '0')); };
    QList<int> rowEnds;   // where each row of labels is taken up to
    int width = 0;
    for (const ColumnLabel &column : labels) {
        auto *label = new QLabel(column.text, header);
        label->setObjectName(column.name);
        label->setTextFormat(Qt::PlainText);
        label->setFont(list->font());
        const int x = margin + span(column.at);
        const int w = span(column.text.size() + 1);   // a fixed-pitch text and a blank
        qsizetype row = 0;
        while (row < rowEnds.size() && rowEnds[row] > x)
            ++row;
        if (row == rowEnds.size())
            rowEnds.append(0);
        rowEnds[row] = x + w;
        label->setGeometry(x, int(row) * metrics.height(), w, metrics.height());
        width = std::max(width, x + w);
    }
    header->setMinimumSize(width, int(rowEnds.size()) * metrics.height());
    return header;
}

QRadioButton *NamedOption(QWidget *parent, const QString &name, const QString &caption, bool selected)
{
    auto *r = new QRadioButton(caption, parent);
    r->setObjectName(name);
    r->setChecked(selected);
    return r;
}

QCheckBox *NamedCheck(QWidget *parent, const QString &name, const QString &caption, bool checked)
{
    auto *c = new QCheckBox(caption, parent);
    c->setObjectName(name);
    c->setChecked(checked);
    return c;
}

QGroupBox *NamedFrame(QWidget *parent, const QString &name, const QString &caption)
{
    auto *g = new QGroupBox(caption, parent);
    g->setObjectName(name);
    return g;
}

static QString ToDisplay(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace('\r', '\n');
    return text;
}

void SetBoxText(QPlainTextEdit *box, const QString &text) { box->setPlainText(ToDisplay(text)); }

void AppendBoxText(QPlainTextEdit *box, const QString &text) { SetBoxText(box, box->toPlainText() + ToDisplay(text)); }

QString BoxText(const QPlainTextEdit *box)
{
    QString text = box->toPlainText();
    text.replace('\n', QStringLiteral("\r\n"));
    return text;
}

namespace {

// Marks the first free letter of caption; taken collects the letters used.
QString WithMnemonic(const QString &caption, QSet<QChar> &taken)
{
    if (caption.contains('&'))
        return caption;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        const QChar c = caption[i].toUpper();
        if (c.isLetterOrNumber() && c.unicode() < 128 && !taken.contains(c)) {
            taken.insert(c);
            return caption.left(i) + '&' + caption.mid(i);
        }
    }
    return caption;
}

void AssignMenuMnemonics(const QList<QAction *> &actions)
{
    QSet<QChar> taken;
    for (QAction *a : actions) {
        if (a->isSeparator())
            continue;
        a->setText(WithMnemonic(a->text(), taken));
        if (QMenu *sub = a->menu())
            AssignMenuMnemonics(sub->actions());
    }
}

}   // namespace

void AssignMnemonics(QWidget *window)
{
    QSet<QChar> taken;
    if (auto *bar = window->findChild<QMenuBar *>()) {
        AssignMenuMnemonics(bar->actions());
        for (QAction *a : bar->actions())
            if (const qsizetype at = a->text().indexOf('&'); at >= 0 && at + 1 < a->text().size())
                taken.insert(a->text()[at + 1].toUpper());
    }
    for (QPushButton *b : window->findChildren<QPushButton *>())
        b->setText(WithMnemonic(b->text(), taken));
}

QString ShownCaption(const QString &caption)
{
    QString shown;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == '&' && i + 1 < caption.size())
            ++i;
        shown += caption[i];
    }
    return shown;
}
