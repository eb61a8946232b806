#include "ui/message_box_prompter.h"

#include <QApplication>
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
