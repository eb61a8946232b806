#include "flash/data_directory.h"

#include "link/conversions.h"

#include <QFileInfo>
#include <algorithm>
#include <span>

namespace {

constexpr int kBlocks = kImageSize / kImageBlockSize;
constexpr int kModuleHeader = 16;
constexpr int kEntrySize = 20;

std::span<const quint8> bytesOf(const QByteArray &image)
{
    return {reinterpret_cast<const quint8 *>(image.constData()), size_t(image.size())};
}

bool Printable(const QString &name)
{
    return !name.trimmed().isEmpty()
        && std::all_of(name.begin(), name.end(), [](QChar c) { return c.unicode() >= 0x20 && c.unicode() < 0x7F; });
}

class ListingBuilder {
public:
    explicit ListingBuilder(const QByteArray &image) : image_(image), bytes_(bytesOf(image)) {}

    DirectoryListing build()
    {
        for (int b = 0; b < kBlocks && !listing_.cut; ++b) {
            add({"Block: " + QString::number(b) + "      ============="});
            const qint64 block = b * qint64(kImageBlockSize);
            for (int m = 0; m < kModuleSlots && !listing_.cut; ++m)
                addModule(block, GetWord(bytes_, block + 2 * m));
        }
        return std::move(listing_);
    }

private:
    bool inside(qint64 start, qint64 length) const { return start >= 0 && start + length <= image_.size(); }

    void add(DirectoryRow row)
    {
        if (qsizetype(listing_.rows.size()) >= kDirectoryMaxRows) {
            listing_.cut = true;
            return;
        }
        listing_.rows.push_back(std::move(row));
    }

    void addModule(qint64 blockStart, qint32 pointer)
    {
        if (pointer == 0 || pointer == 0xFFFF)
            return;
        const qint64 module = blockStart + pointer;
        // The name, the word at +10 and the entry count at +12 must be inside.
        if (!inside(module, 13)) {
            ++listing_.damaged;
            return;
        }
        if (GetWord(bytes_, module + 10) == 0)
            return;
        const int entries = bytes_[size_t(module + 12)];
        add({"Mod: " + BytesToStr(bytes_, module, 8) + " === " + QString::number(entries) + " files."});
        listing_.entries += entries;
        for (int k = 0; k < entries && !listing_.cut; ++k) {
            const qint64 entry = module + kModuleHeader + qint64(kEntrySize) * k;
            if (!inside(entry, kEntrySize)) {
                listing_.damaged += entries - k;
                return;
            }
            addEntry(module, entry);
        }
    }

    void addEntry(qint64 module, qint64 entry)
    {
        DirectoryRow row;
        const QString name = BytesToStr(bytes_, entry, 12);
        row.RowOffset = qint32(GetWord(bytes_, entry + 12) + module + 12);
        row.RowLength = GetWord(bytes_, entry + 16);
        row.RowIsTCS = name == QStringLiteral("TCS         ");
        row.RowIsTPT = name == QStringLiteral("TPT         ");
        row.damaged = !inside(row.RowOffset, row.RowLength);
        row.text = name + "  $" + Hex6(row.RowOffset).right(5) + "  $" + Hex6(row.RowLength).right(4);
        if (row.damaged) {
            row.text += QStringLiteral("  ! outside the image");
            ++listing_.damaged;
        } else if (!Printable(name)) {
            // Junk read as a directory, not a file a decoder wrote.
            row.damaged = row.unprintable = true;
            row.text += QStringLiteral("  ! name not printable");
            ++listing_.unprintable;
        }
        add(std::move(row));
    }

    const QByteArray &image_;
    std::span<const quint8> bytes_;
    DirectoryListing listing_;
};

QString cannotWrite(const QString &name, const QString &reason)
{
    return WithReason("Cannot write " + name + " - Not saved.", reason);
}

QString notFound(const QString &name) { return WithReason(name + " not found!", UnreadableReason(name)); }

}   // namespace

DirectoryListing ListDirectory(const QByteArray &image)
{
    Q_ASSERT(image.size() == kImageSize);
    if (image.size() != kImageSize)
        return {};
    return ListingBuilder(image).build();
}

QString ListingStatus(const DirectoryListing &listing)
{
    QString status = QStringLiteral("Done.");
    if (listing.damaged > 0)
        status += " " + QString::number(listing.damaged) + " damaged entries lead outside the image.";
    if (listing.unprintable > 0)
        status += " " + QString::number(listing.unprintable) + " damaged entries have no printable name.";
    if (listing.cut)
        status += " Only the first " + QString::number(kDirectoryMaxRows) + " rows are listed.";
    if (listing.fileSize != kImageSize)
        status += QStringLiteral(" The file is %1 bytes, not %2: it does not look like a data-flash image.")
                      .arg(listing.fileSize)
                      .arg(kImageSize);
    else if (listing.entries > 0 && (listing.damaged + listing.unprintable) * 2 > listing.entries)
        status += QStringLiteral(" Most entries are damaged: the file does not look like a data-flash image.");
    return status;
}

bool ReadDataImage(const QString &name, QByteArray &image, QString &why, qint64 *fileSize)
{
    if (!FileExists(name)) {
        why = notFound(name);
        return false;
    }
    QByteArray data;
    if (!ReadFileBytes(name, data, why, kImageSize))
        return false;
    if (data.size() < kImageSize) {
        why = QStringLiteral("File is not 512K bytes !!!");
        return false;
    }
    image = data;
    if (fileSize)
        *fileSize = QFileInfo(name).size();
    return true;
}

QString RowFileName(const DirectoryRow &row) { return row.text.left(12).trimmed(); }

QString SaveDirectoryFile(const QByteArray &image, const DirectoryRow &row, Prompter &prompter)
{
    QString status;
    static_cast<void>(SaveDirectoryFileAs(image, row, RowFileName(row), prompter, status));
    return status;
}

bool SaveDirectoryFileAs(const QByteArray &image, const DirectoryRow &row, const QString &outName, Prompter &prompter,
                         QString &status)
{
    const QString name = RowFileName(row);
    if (!row.isFile() || name.isEmpty() || outName.isEmpty() || image.size() != kImageSize) {
        if (row.unprintable)
            status = QStringLiteral("The name is not printable - Not saved.");
        else
            status = row.damaged ? name + " lies outside the image - Not saved." : QStringLiteral("Not saved.");
        return false;
    }
    QString why;
    switch (CheckOverwrite(prompter, outName, &why)) {
    case OverwriteAnswer::Refused: status = QStringLiteral("Not saved."); return false;
    case OverwriteAnswer::CannotWrite: status = cannotWrite(outName, why); return false;
    case OverwriteAnswer::MayWrite: break;
    }
    if (!WriteFileBytes(outName, image.mid(row.RowOffset, row.RowLength), why)) {
        status = why;
        return false;
    }
    status = "Saved: " + outName
        + (row.RowLength == 0 ? QStringLiteral(" (an empty file: the entry has length 0)") : QString());
    return true;
}

QString UpdateTables(QByteArray &image, const std::vector<DirectoryRow> &rows, const QString &tptName,
                     const QString &tcsName, const QString &imageName, Prompter &prompter)
{
    QString status;
    static_cast<void>(WriteUpdatedTables(image, rows, tptName, tcsName, imageName, prompter, status));
    return status;
}

bool WriteUpdatedTables(QByteArray &image, const std::vector<DirectoryRow> &rows, const QString &tptName,
                        const QString &tcsName, const QString &imageName, Prompter &prompter, QString &status)
{
    for (const QString &name : {tptName, tcsName})
        if (!FileExists(name)) {
            status = notFound(name);
            return false;
        }
    // Both files are read before the image file is touched.
    QByteArray tpt, tcs;
    QString why;
    if (!ReadFileBytes(tptName, tpt, why) || !ReadFileBytes(tcsName, tcs, why)) {
        status = why;
        return false;
    }
    // A longer file (a memory dump taken for an image) keeps only its first
    // 512 KB: the person is told how much goes before anything is written.
    const qint64 lost = QFileInfo(imageName).size() - kImageSize;
    if (lost > 0
        && AskSure(prompter,
                   QStringLiteral("%1 is longer than 512 KB: the update keeps its first %2 bytes, and the "
                                  "other %3 bytes are lost.")
                       .arg(imageName)
                       .arg(kImageSize)
                       .arg(lost))) {
        status = QStringLiteral("Not saved.");
        return false;
    }
    switch (CheckOverwrite(prompter, imageName, &why)) {
    case OverwriteAnswer::Refused: status = QStringLiteral("Not saved."); return false;
    case OverwriteAnswer::CannotWrite: status = cannotWrite(imageName, why); return false;
    case OverwriteAnswer::MayWrite: break;
    }
    QByteArray updated = image;
    int empty = 0, outside = 0;
    for (const DirectoryRow &row : rows) {
        if (!row.RowIsTPT && !row.RowIsTCS)
            continue;
        if (row.damaged || updated.size() != kImageSize) {
            ++outside;
            continue;
        }
        if (row.RowLength == 0) {
            ++empty;
            continue;
        }
        QByteArray buffer = (row.RowIsTPT ? tpt : tcs).left(row.RowLength);
        buffer.append(row.RowLength - buffer.size(), '\0');
        updated.replace(row.RowOffset, row.RowLength, buffer);
    }
    if (!WriteFileBytes(imageName, updated, why)) {
        status = why;
        return false;
    }
    image = updated;
    status = QStringLiteral("Done.");
    if (empty > 0)
        status += " " + QString::number(empty) + " entries of length 0 left unchanged.";
    if (outside > 0)
        status += " " + QString::number(outside) + " entries outside the image left unchanged.";
    if (lost > 0)
        status += QStringLiteral(" The file was cut to %1 bytes.").arg(kImageSize);
    return true;
}
