#include "memory/save_range.h"

#include "link/conversions.h"

#include <QFile>
#include <QFileDevice>

namespace {

// Reads one page, retrying at once; false when every attempt failed.
bool readPageWithRetries(CommandChannel &link, MemReadMode mode, Page &pageBuf, qint32 page)
{
    for (int attempt = 0; attempt < kPageReadAttempts; ++attempt)
        if (!MemRead(link, mode, pageBuf, page))
            return true;
    return false;
}

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

void appendStatus(const OperationHooks &hooks, const QString &suffix)
{
    hooks.setStatus(hooks.status() + suffix);
}

} // namespace

bool SaveRangeValid(qint32 startPage, qint32 endPage)
{
    return qint64(endPage) - qint64(startPage) >= 1;
}

SaveOutcome SavePages(CommandChannel &link, MemReadMode mode, qint32 startPage, qint32 endPage,
                      QIODevice &out, Page &pageBuf, const OperationHooks &hooks)
{
    for (qint64 page = startPage; page <= endPage; ++page) {
        if (hooks.stopRequested()) {
            appendStatus(hooks, kUserBreakSuffix);
            return SaveOutcome::UserBreak;
        }
        hooks.setStatus(QStringLiteral("Reading ") + Hex6(qint32(page)) + QStringLiteral("XX"));
        if (!readPageWithRetries(link, mode, pageBuf, qint32(page))) {
            appendStatus(hooks, kReadErrorSuffix);
            return SaveOutcome::ReadError;
        }
        if (!writePage(out, pageBuf)) {
            appendStatus(hooks, kWriteErrorSuffix);
            return SaveOutcome::WriteError;
        }
    }
    return SaveOutcome::Done;
}

SaveOutcome SaveRange(CommandChannel &link, MemReadMode mode, qint32 startPage, qint32 endPage,
                      const QString &fileName, Page &pageBuf, const OperationHooks &hooks,
                      const std::function<bool(const QString &)> &mayWrite)
{
    if (!SaveRangeValid(startPage, endPage)) {
        hooks.setStatus(kAddressErrorText);
        return SaveOutcome::AddressError;
    }
    if (mayWrite && !mayWrite(fileName))
        return SaveOutcome::Declined;

    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        hooks.setStatus(kCannotCreatePrefix + fileName);
        return SaveOutcome::CannotCreate;
    }
    hooks.setStatus(QStringLiteral("Saving to ") + fileName);
    const SaveOutcome outcome = SavePages(link, mode, startPage, endPage, file, pageBuf, hooks);
    file.close();
    if (outcome == SaveOutcome::Done) {
        if (file.error() != QFileDevice::NoError) {
            appendStatus(hooks, kWriteErrorSuffix);
            return SaveOutcome::WriteError;
        }
        hooks.setStatus(QStringLiteral("Done."));
    }
    return outcome;
}
