#include "cli/cli.h"
#include "cli/cli_checks.h"

#include "link/backups.h"
#include "link/link.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <cstdio>
#include <unistd.h>

volatile std::sig_atomic_t gCliStop = 0;

bool CliArgs::flag(const QString &name) { return words_.removeOne(name); }

QString CliArgs::value(const QString &name, const QString &fallback)
{
    const qsizetype at = words_.indexOf(name);
    if (at < 0)
        return fallback;
    if (at + 1 >= words_.size()) {
        if (error_.isEmpty())
            error_ = name + " needs a value";
        words_.removeAt(at);
        return fallback;
    }
    const QString found = words_.at(at + 1);
    words_.remove(at, 2);
    return found;
}

MemReadMode CliArgs::readMode()
{
    static const QStringList modes = {"multi", "dword", "word", "byte"};   // in the menu's order
    const QString text = value(QStringLiteral("--mode"), modes.first());
    const qsizetype index = modes.indexOf(text);
    if (index < 0 && error_.isEmpty())
        error_ = "--mode takes multi, dword, word or byte, not " + text;
    return static_cast<MemReadMode>(index < 0 ? 0 : index);
}

std::optional<QString> CliArgs::nextOptional()
{
    for (qsizetype i = 0; i < words_.size(); ++i)
        if (!words_[i].startsWith(QLatin1String("--")) || words_[i] == QLatin1String("--"))
            return words_.takeAt(i);
    return std::nullopt;
}

QString CliArgs::next(const QString &what)
{
    if (const std::optional<QString> word = nextOptional())
        return *word;
    if (error_.isEmpty())
        error_ = "missing " + what;
    return QString();
}

QString CliArgs::finish()
{
    if (!error_.isEmpty())
        return error_;
    if (!words_.isEmpty())
        return (words_.first().startsWith(QLatin1String("--")) ? "unknown option " : "unexpected argument ")
            + words_.first();
    return QString();
}

std::optional<qint64> ParseHex(const QString &text, int digits)
{
    bool ok = false;
    const qint64 value = text.toLongLong(&ok, 16);
    if (!ok || text.isEmpty() || text.size() > digits || value < 0)
        return std::nullopt;
    return value;
}

CommandChannel &CliContext::channel() { return *link; }

bool CliContext::stopRequested() const { return gCliStop != 0; }

OperationHooks CliContext::hooks(const QString &unit)
{
    OperationHooks h;
    h.stopRequested = [this] { return stopRequested(); };
    h.setStatus = [this](const QString &text) { status_ = text; };
    h.status = [this] { return status_; };
    h.decoderState = [this](const QString &text) { state_ = text; };
    h.progress = [this, unit](qint64 done, qint64 total) { showProgress(done, total, unit); };
    return h;
}

// One line on standard error, written over as the operation goes on: only
// when it is a terminal, and only when the percentage changes.
void CliContext::showProgress(qint64 done, qint64 total, const QString &unit)
{
    if (quiet || total <= 0 || !::isatty(STDERR_FILENO))
        return;
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (progressStartMs_ < 0 || done == 0)
        progressStartMs_ = now;
    const int percent = int(done * 100 / total);
    if (percent == lastPercent_)
        return;
    lastPercent_ = percent;
    QString left;
    if (done > 0) {
        const qint64 seconds = (now - progressStartMs_) * (total - done) / done / 1000;
        left = QStringLiteral(", %1:%2 left").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
    }
    std::fprintf(stderr, "\r%3d%% %lld/%lld %s%s\033[K", percent, qlonglong(done), qlonglong(total), qPrintable(unit),
                 qPrintable(left));
    std::fflush(stderr);
}

// The progress line, if one is shown, is wiped before a message or the end.
void CliContext::endProgress()
{
    if (lastPercent_ >= 0 && ::isatty(STDERR_FILENO))
        std::fprintf(stderr, "\r\033[K");
    lastPercent_ = -1;
}

void CliContext::print(const QString &line)
{
    if (!json)
        std::printf("%s\n", qPrintable(line));
}

int CliContext::fail(const QString &message, int status)
{
    endProgress();
    std::fprintf(stderr, "kestrel-cli: %s\n", qPrintable(message));
    if (!state_.isEmpty())
        std::fprintf(stderr, "kestrel-cli: the decoder is left with %s\n", qPrintable(state_));
    result.insert(QStringLiteral("error"), message);
    return status;
}

int CliContext::finish(bool done, bool declined, bool stopped)
{
    endProgress();
    if (!state_.isEmpty())
        result.insert(QStringLiteral("decoder"), state_);
    result.insert(QStringLiteral("status"), status_);
    if (done) {
        if (!status_.isEmpty())
            print(status_);
        return kCliDone;
    }
    if (stopped)
        return fail(status_.isEmpty() ? QStringLiteral("stopped") : status_, kCliStopped);
    if (declined)
        return fail(status_.isEmpty() ? QStringLiteral("not confirmed") : status_, kCliRefused);
    return fail(status_);
}

WriteChecks TakeWriteChecks(CliArgs &args)
{
    WriteChecks checks;
    checks.backup = !args.flag(QStringLiteral("--no-backup"));
    checks.verify = !args.flag(QStringLiteral("--no-verify"));
    return checks;
}

QString FileSha256(const QString &name)
{
    QFile file(name);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return QString();
    return QString::fromLatin1(hash.result().toHex());
}

void ReportCheckedRead(CliContext &c, const QString &file, const ReadCheck &check)
{
    c.result.insert(QStringLiteral("pagesReadAgain"), check.pagesReread);
    if (check.pagesReread > 0)
        c.print(QStringLiteral("%1 page%2 read again: the first two readings differed.")
                    .arg(check.pagesReread)
                    .arg(check.pagesReread == 1 ? QString() : QStringLiteral("s")));
    const QString sha = FileSha256(file);
    c.result.insert(QStringLiteral("sha256"), sha);
    c.print(sha + QStringLiteral("  ") + file);
}

void ReportBackup(CliContext &c, const QString &path)
{
    if (path.isEmpty())
        return;
    c.result.insert(QStringLiteral("backup"), path);
    c.print(QStringLiteral("Backup: ") + path);
}

int ListBackupFolder(CliContext &c)
{
    if (const QString error = c.args.finish(); !error.isEmpty())
        return c.refuse(error);
    const QList<BackupEntry> entries = ListBackups();
    QJsonArray list;
    if (entries.isEmpty())
        c.print(QStringLiteral("No backups in ") + BackupFolder() + QLatin1Char('.'));
    for (const BackupEntry &e : entries) {
        const QString when = e.when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        c.print(QStringLiteral("%1  %2  %3 bytes  %4").arg(when, e.what.leftJustified(15)).arg(e.size).arg(e.path));
        list.append(QJsonObject{{QStringLiteral("path"), e.path},
                                {QStringLiteral("what"), e.what},
                                {QStringLiteral("when"), when},
                                {QStringLiteral("size"), e.size}});
    }
    c.result.insert(QStringLiteral("folder"), BackupFolder());
    c.result.insert(QStringLiteral("backups"), list);
    return kCliDone;
}

void ReportCrcFailures(CliContext &c, const SiCaptureResult &result)
{
    QJsonArray failed;
    for (qsizetype t = 0; t < result.crcFailed.size(); ++t)
        if (result.crcFailed[t])
            failed.append(qint64(t));
    c.result.insert(QStringLiteral("crcFailures"), result.crcFailures);
    c.result.insert(QStringLiteral("crcFailedTables"), failed);
    if (result.crcFailures == 0)
        return;
    std::fprintf(stderr, "kestrel-cli: %s\n", qPrintable(result.status));
    for (const QJsonValue t : failed)
        std::fprintf(stderr, "kestrel-cli:   table %d: %s\n", t.toInt(),
                     qPrintable(result.tableLines.value(t.toInt())));
}
