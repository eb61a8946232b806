#include "ui/message_box_prompter.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

bool MessageBoxPrompter::confirm(const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok | QMessageBox::Cancel,
                    QApplication::activeWindow());
    return box.exec() == QMessageBox::Ok;
}

void MessageBoxPrompter::inform(const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

std::optional<QString> MessageBoxPrompter::askText(const QString &title, const QString &label, const QString &initial)
{
    bool ok = false;
    const QString text =
        QInputDialog::getText(QApplication::activeWindow(), title, label, QLineEdit::Normal, initial, &ok);
    return ok ? std::optional<QString>(text) : std::nullopt;
}
