// image list, extract, update: the data-flash window DL_Eff on a 512 KB
// image file, without a decoder. Registered in FlashCommands().
#include "cli/cli.h"

#include "flash/data_directory.h"

#include <QJsonArray>

int ImageList(CliContext &c);
int ImageExtract(CliContext &c);
int ImageUpdate(CliContext &c);

namespace {

// "Extract Directory from Flash file": the image and its rows; false when
// the file cannot be used (the window's message in why).
[[nodiscard]] bool Extract(const QString &name, QByteArray &image, DirectoryListing &listing, QString &why)
{
    qint64 fileSize = 0;
    if (!ReadDataImage(name, image, why, &fileSize))
        return false;
    listing = ListDirectory(image);
    listing.fileSize = fileSize;
    return true;
}

QJsonObject RowJson(const DirectoryRow &row)
{
    QJsonObject o{{QStringLiteral("text"), row.text}};
    if (row.RowOffset != 0 || row.damaged) {
        o.insert(QStringLiteral("name"), RowFileName(row));
        o.insert(QStringLiteral("offset"), row.RowOffset);
        o.insert(QStringLiteral("length"), row.RowLength);
        o.insert(QStringLiteral("damaged"), row.damaged);
    }
    return o;
}

// The entry the window's list would have selected for NAME: the first
// file row of that name, else the first damaged one (which cannot be saved).
const DirectoryRow *FindEntry(const std::vector<DirectoryRow> &rows, const QString &name)
{
    const DirectoryRow *damaged = nullptr;
    for (const DirectoryRow &row : rows) {
        if (RowFileName(row) != name)
            continue;
        if (row.isFile())
            return &row;
        if (row.damaged && !damaged)
            damaged = &row;
    }
    return damaged;
}

}   // namespace

int ImageList(CliContext &c)
{
    const QString file = c.args.next(QStringLiteral("FILE"));
    if (const QString error = c.args.finish(); !error.isEmpty())
        return c.refuse(error);
    QByteArray image;
    DirectoryListing listing;
    if (QString why; !Extract(file, image, listing, why))
        return c.refuse(why);
    QJsonArray rows;
    for (const DirectoryRow &row : listing.rows) {
        c.print(row.text);
        rows.append(RowJson(row));
    }
    c.result.insert(QStringLiteral("rows"), rows);
    c.setStatus(ListingStatus(listing));
    return c.finish(true, false, false);
}

// "Save selected file" with the entry NAME selected; to OUT instead of a
// file named as the entry when OUT is given.
int ImageExtract(CliContext &c)
{
    const QString file = c.args.next(QStringLiteral("FILE"));
    const QString name = c.args.next(QStringLiteral("NAME"));
    const std::optional<QString> out = c.args.nextOptional();
    if (const QString error = c.args.finish(); !error.isEmpty())
        return c.refuse(error);
    QByteArray image;
    DirectoryListing listing;
    if (QString why; !Extract(file, image, listing, why))
        return c.refuse(why);
    const DirectoryRow *row = FindEntry(listing.rows, name);
    if (!row)
        return c.refuse("no file " + name + " in the directory of " + file);
    c.result.insert(QStringLiteral("entry"), RowJson(*row));
    QString status;
    const bool saved = SaveDirectoryFileAs(image, *row, out.value_or(name), c.prompter, status);
    c.setStatus(status);
    if (saved)
        return c.finish(true, false, false);
    c.result.insert(QStringLiteral("status"), status);
    // A damaged entry is the image's failure; the rest (an overwrite not
    // confirmed, a name that cannot be written) are refusals.
    return row->damaged ? c.fail(status) : c.refuse(status);
}

// "Update TPT and TCS" after "Extract Directory": every TPT and TCS entry
// of the image file replaced by the two files, the image file rewritten.
int ImageUpdate(CliContext &c)
{
    const QString file = c.args.next(QStringLiteral("FILE"));
    const QString tcs = c.args.next(QStringLiteral("TCS"));
    const QString tpt = c.args.next(QStringLiteral("TPT"));
    if (const QString error = c.args.finish(); !error.isEmpty())
        return c.refuse(error);
    QByteArray image;
    DirectoryListing listing;
    if (QString why; !Extract(file, image, listing, why))
        return c.refuse(why);
    QString status;
    const bool written = WriteUpdatedTables(image, listing.rows, tpt, tcs, file, c.prompter, status);
    c.setStatus(status);
    if (written)
        return c.finish(true, false, false);
    c.result.insert(QStringLiteral("status"), status);
    return c.refuse(status);
}
