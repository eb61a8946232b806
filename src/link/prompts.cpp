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

const QString kNotRegular = QStringLiteral("Not a regular file");

QString RefusalOf(const struct stat &info)
{
    if (S_ISDIR(info.st_mode))
        return SystemReason(EISDIR);
    return S_ISREG(info.st_mode) ? QString() : kNotRegular;
}

}   // namespace

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
    if (why = WriteRefusal(name); !why.isEmpty())
        return OverwriteAnswer::CannotWrite;
    qint64 size = 0;
    {
        QFile file(name);
        if (QFileInfo(name).isDir() || !file.open(QIODevice::ReadWrite)) {   // creates a missing file
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

QString WriteRefusal(const QString &name)
{
    if (name.isEmpty())
        return SystemReason(ENOENT);
    struct stat info {};
    if (::stat(QFile::encodeName(name).constData(), &info) != 0)
        return errno == ENOENT ? QString() : SystemReason(errno);
    return RefusalOf(info);
}

bool OpenForWrite(QFile &file, const QString &name, QIODevice::OpenMode mode, QString &why)
{
    if (why = WriteRefusal(name); !why.isEmpty())
        return false;
    // Non-blocking, and looked at again once open: a pipe or a device put
    // under the name since the check is refused all the same, never waited on.
    const int flags =
        O_WRONLY | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC | (mode.testFlag(QIODevice::Append) ? O_APPEND : 0);
    const int fd = ::open(QFile::encodeName(name).constData(), flags, 0666);
    if (fd < 0) {
        why = SystemReason(errno);
        return false;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        why = SystemReason(errno);
    else if (why = RefusalOf(info); why.isEmpty() && mode.testFlag(QIODevice::Truncate) && ::ftruncate(fd, 0) != 0)
        why = SystemReason(errno);
    if (why.isEmpty() && !file.open(fd, mode & ~QIODevice::Truncate, QFileDevice::AutoCloseHandle))
        why = file.errorString();
    if (why.isEmpty())
        return true;
    ::close(fd);
    return false;
}

bool WriteFileBytes(const QString &name, const QByteArray &data, QString &why)
{
    if (const QString refusal = WriteRefusal(name); !refusal.isEmpty()) {
        why = QStringLiteral("Cannot write ") + name + QStringLiteral(" - ") + refusal;
        return false;
    }
    QSaveFile file(name);
    file.setDirectWriteFallback(true);
    if (file.open(QIODevice::WriteOnly) && file.write(data) == data.size() && file.commit())
        return true;
    why = QStringLiteral("Cannot write ") + name + QStringLiteral(" - ") + FileReason(name, file);
    return false;
}
