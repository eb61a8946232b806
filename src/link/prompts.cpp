#include "link/prompts.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

bool AskSure(Prompter &prompter, const QString &prompt)
{
    return !prompter.confirm(QStringLiteral("Are you sure ?"), prompt);
}

// Every caller reads the file next, so a name that cannot be read as a file
// (missing, a directory, no read permission, a missing folder) counts as
// missing. Nothing is created on the way.
bool FileExists(const QString &name)
{
    if (!QFileInfo(name).isFile())
        return false;
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    if (file.size() != 0)
        return true;
    // An empty file is a leftover of an aborted save: it counts as missing and goes.
    file.close();
    QFile::remove(name);
    return false;
}

// The answer is true only when the caller can in fact write the file: a
// directory, a missing folder or a file without write permission give false
// without a question, since asking would only lead to a failed save. An
// existing empty file, or a newly created one, is left for the caller.
OverwriteAnswer CheckOverwrite(Prompter &prompter, const QString &name)
{
    if (name.isEmpty() || QFileInfo(name).isDir())
        return OverwriteAnswer::CannotWrite;
    qint64 size = 0;
    {
        QFile file(name);
        if (!file.open(QIODevice::ReadWrite))  // creates a missing file
            return OverwriteAnswer::CannotWrite;
        size = file.size();
    }
    if (size == 0)
        return OverwriteAnswer::MayWrite;
    if (AskSure(prompter, QStringLiteral("Overwrite ") + name + QStringLiteral(" ?")))
        return OverwriteAnswer::Refused;
    if (QFile::remove(name))
        return OverwriteAnswer::MayWrite;
    // A folder without write permission keeps the file; emptying it serves as well.
    QFile file(name);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) ? OverwriteAnswer::MayWrite
                                                                 : OverwriteAnswer::CannotWrite;
}

bool AskOverwrite(Prompter &prompter, const QString &name)
{
    return CheckOverwrite(prompter, name) == OverwriteAnswer::MayWrite;
}

bool ReadFileBytes(const QString &name, QByteArray &data, QString &why, qint64 maxBytes)
{
    QFile file(name);
    if (file.open(QIODevice::ReadOnly)) {
        data = maxBytes < 0 ? file.readAll() : file.read(maxBytes);
        if (file.error() == QFileDevice::NoError)
            return true;
    }
    data.clear();
    why = QStringLiteral("Cannot read ") + name + QStringLiteral(" - ") + file.errorString();
    return false;
}

bool WriteFileBytes(const QString &name, const QByteArray &data, QString &why)
{
    QSaveFile file(name);
    file.setDirectWriteFallback(true);
    if (file.open(QIODevice::WriteOnly) && file.write(data) == data.size() && file.commit())
        return true;
    why = QStringLiteral("Cannot write ") + name + QStringLiteral(" - ") + file.errorString();
    return false;
}
