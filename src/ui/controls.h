#pragma once
// Small helpers that create the named controls of the windows. Multi-line
// boxes show CR LF line breaks as line breaks; BoxText gives them back as CR LF.
#include <QString>

class QAbstractScrollArea;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QWidget;

// The object name of element i of a control array: "Cmd(3)".
QString IndexedName(const char *name, int i);

QPushButton *NamedButton(QWidget *parent, const QString &name, const QString &caption,
                         const QString &tooltip = QString());
QLineEdit *NamedLineEdit(QWidget *parent, const QString &name, const QString &text, int maxLength = 0);
QLabel *NamedLabel(QWidget *parent, const QString &name, const QString &text);
// A read-only box of several lines (replies, dumps, reports).
QPlainTextEdit *NamedTextArea(QWidget *parent, const QString &name, bool fixedPitch);
// A list whose fixed-pitch lines keep their columns.
QListWidget *NamedList(QWidget *parent, const QString &name, const QString &tooltip = QString());
// The least size at which view shows lines whole lines of chars
// fixed-pitch characters, with its frame and a vertical scroll bar.
void ShowLines(QAbstractScrollArea *view, int chars, int lines);
// A label over a column of a list's lines: it starts over character at.
struct ColumnLabel {
    QString name;   // its object name, or empty
    QString text;
    int at;
};
// The labels in the list's font, each over the character its column starts
// at, so that they line up with the lines at whatever font the system gives;
// a label that would run into the next one puts that one on a row below.
QWidget *ColumnLabels(QWidget *parent, const QListWidget *list, const QList<ColumnLabel> &labels);
QRadioButton *NamedOption(QWidget *parent, const QString &name, const QString &caption, bool selected);
QCheckBox *NamedCheck(QWidget *parent, const QString &name, const QString &caption, bool checked);
QGroupBox *NamedFrame(QWidget *parent, const QString &name, const QString &caption);

// Gives the push buttons of window, and the menus of its menu bar and their
// entries, an Alt key each: the first letter of the caption not yet taken
// among its neighbours. Captions that have one keep it.
void AssignMnemonics(QWidget *window);
// A caption as shown, without its mnemonic marks.
QString ShownCaption(const QString &caption);

void SetBoxText(QPlainTextEdit *box, const QString &text);
void AppendBoxText(QPlainTextEdit *box, const QString &text);
QString BoxText(const QPlainTextEdit *box);
