#include "memory/save_range.h"

#include "link/conversions.h"
#include "link/prompts.h"

#include <QFile>
#include <QFileDevice>

namespace {

// Writes the page completely; a file is flushed so that a full disk shows
// here and not after the last page.
bool writePage(QIODevice &out, const Page &pageBuf)
{
    const auto size = qint64(pageBuf.size());
    if (out.write(reinterpret_cast<const char *>(pageBuf.data()), size) != size)
        return false;
    if (auto *file = qobject_cast<QFileDevice *>(&out))
        return file->flush();
    return true;
}

// Hooks that remember the status text they set, so that a suffix lands on
// the last status even when the window's hooks cannot read the line back.
OperationHooks trackingStatus(const OperationHooks &hooks, QString &current)
{
    current = hooks.status();
    OperationHooks tracked = hooks;
    tracked.setStatus = [&hooks, &current](const QString &text) {
        current = text;
        hooks.setStatus(text);
    };
    tracked.status = [&current] { return current; };
    return tracked;
}

// The file's name, when it has one, and the system's reason.
QString WriteFailure(const QIODevice &out, const QString &name)
{
    return name.isEmpty() ? out.errorString() : name + QStringLiteral(" - ") + out.errorString();
}

void appendStatus(const OperationHooks &hooks, const QString &suffix) { hooks.setStatus(hooks.status() + suffix); }

}   // namespace

bool MaySaveTo(Prompter &prompter, const QString &fileName)
{
    return CheckOverwrite(prompter, fileName) != OverwriteAnswer::Refused;
}

bool SaveRangeValid(qint32 startPage, qint32 endPage) { return qint64(endPage) - qint64(startPage) >= 1; }

SaveOutcome SavePages(CommandChannel &link, MemReadMode mode, qint32 startPage, qint32 endPage, QIODevice &out,
                      Page &pageBuf, const OperationHooks &hooks, const QString &outName, ReadCheck *check)
{
    QString current;
    const OperationHooks tracked = trackingStatus(hooks, current);
    for (qint64 page = startPage; page <= endPage; ++page) {
        hooks.progress(page - startPage, qint64(endPage) - startPage + 1);
        if (hooks.stopRequested()) {
            appendStatus(tracked, kUserBreakSuffix);
            return SaveOutcome::UserBreak;
        }
        tracked.setStatus(QStringLiteral("Reading ") + Hex6(qint32(page)) + QStringLiteral("XX"));
        if (MemReadPage(link, mode, pageBuf, qint32(page), check)) {
            // A lost link is told as such: no read error of the decoder's.
            const QString lost = link.linkLost();
            if (lost.isEmpty() && check && check->unsettled)
                appendStatus(tracked,
                             kReadErrorSuffix + QStringLiteral(" (no two of %1 readings agree)").arg(kCheckedReadings));
            else if (lost.isEmpty())
                appendStatus(tracked, kReadErrorSuffix);
            else
                tracked.setStatus(lost);
            return SaveOutcome::ReadError;
        }
        if (!writePage(out, pageBuf)) {
            appendStatus(tracked, WithReason(kWriteErrorSuffix, WriteFailure(out, outName)));
            return SaveOutcome::WriteError;
        }
    }
    return SaveOutcome::Done;
}

SaveOutcome SaveRange(CommandChannel &link, MemReadMode mode, qint32 startPage, qint32 endPage, const QString &fileName,
                      Page &pageBuf, const OperationHooks &hooks, const std::function<bool(const QString &)> &mayWrite,
                      ReadCheck *check)
{
    QString current;
    const OperationHooks tracked = trackingStatus(hooks, current);
    if (!SaveRangeValid(startPage, endPage)) {
        tracked.setStatus(kAddressErrorText);
        return SaveOutcome::AddressError;
    }
    if (mayWrite && !mayWrite(fileName))
        return SaveOutcome::Declined;

    QFile file;
    if (QString why; !OpenForWrite(file, fileName, QIODevice::WriteOnly | QIODevice::Truncate, why)) {
        tracked.setStatus(kCannotCreatePrefix + fileName + QStringLiteral(" - ") + why);
        return SaveOutcome::CannotCreate;
    }
    tracked.setStatus(QStringLiteral("Saving to ") + fileName);
    const SaveOutcome outcome = SavePages(link, mode, startPage, endPage, file, pageBuf, tracked, fileName, check);
    file.close();
    if (outcome == SaveOutcome::Done) {
        if (file.error() != QFileDevice::NoError) {
            appendStatus(tracked, WithReason(kWriteErrorSuffix, WriteFailure(file, fileName)));
            return SaveOutcome::WriteError;
        }
        tracked.setStatus(QStringLiteral("Done."));
    }
    return outcome;
}
