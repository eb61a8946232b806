#include "link/prompts.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString SystemReason(int error) { return QString::fromLocal8Bit(std::strerror(error)); }

} // namespace

// QFile reports a folder in its own words; the system's are kept everywhere.
QString FileReason(const QString &name, const QFileDevice &file)
{
    return QFileInfo(name).isDir() ? SystemReason(EISDIR) : file.errorString();
}

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
OverwriteAnswer CheckOverwrite(Prompter &prompter, const QString &name, QString *reason)
{
    QString ignored;
    QString &why = reason ? *reason : ignored;
    if (name.isEmpty()) {
        why = SystemReason(ENOENT);
        return OverwriteAnswer::CannotWrite;
    }
    qint64 size = 0;
    {
        QFile file(name);
        if (QFileInfo(name).isDir() || !file.open(QIODevice::ReadWrite)) {  // creates a missing file
            why = FileReason(name, file);
            return OverwriteAnswer::CannotWrite;
        }
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
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return OverwriteAnswer::MayWrite;
    why = file.errorString();
    return OverwriteAnswer::CannotWrite;
}

QString UnreadableReason(const QString &name)
{
    const QByteArray path = QFile::encodeName(name);
    struct stat info {};
    if (name.isEmpty() || (::stat(path.constData(), &info) != 0 && errno == ENOENT))
        return QString();
    if (S_ISDIR(info.st_mode))
        return SystemReason(EISDIR);
    // Non-blocking, so that a named pipe answers at once.
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return SystemReason(errno);
    ::close(fd);
    return QString();
}

QString WithReason(const QString &text, const QString &reason)
{
    return reason.isEmpty() ? text : text + QStringLiteral(" (") + reason + QLatin1Char(')');
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
    why = QStringLiteral("Cannot read ") + name + QStringLiteral(" - ") + FileReason(name, file);
    return false;
}

bool WriteFileBytes(const QString &name, const QByteArray &data, QString &why)
{
    QSaveFile file(name);
    file.setDirectWriteFallback(true);
    if (file.open(QIODevice::WriteOnly) && file.write(data) == data.size() && file.commit())
        return true;
    why = QStringLiteral("Cannot write ") + name + QStringLiteral(" - ") + FileReason(name, file);
    return false;
}
