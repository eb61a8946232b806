// The data-flash image directory: listing rules, damaged directories, saving
// one file and putting the tables back.
#include "flash/data_directory.h"
#include "support/test_helpers.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct AnsweringPrompter : Prompter {
    bool answer = true;
    bool confirm(const QString &, const QString &) override { return answer; }
    void inform(const QString &, const QString &) override {}
};

struct Entry {
    QByteArray name;
    int offset;   // from module + 12
    int length;
};

QByteArray Erased() { return QByteArray(kImageSize, char(0xFF)); }

void PutLE(QByteArray &image, qint64 at, int value)
{
    image[at] = char(value & 0xFF);
    image[at + 1] = char((value >> 8) & 0xFF);
}

// A module at block b, slot m, with a non-zero word at +10.
void PutModule(QByteArray &image, int b, int m, int pointer, const QByteArray &name, const QList<Entry> &entries)
{
    const qint64 block = qint64(b) * 65536, module = block + pointer;
    PutLE(image, block + 2 * m, pointer);
    image.replace(module, 8, name.leftJustified(8, '\0'));
    PutLE(image, module + 10, 1);
    image[module + 12] = char(entries.size());
    for (int k = 0; k < entries.size(); ++k) {
        const qint64 e = module + 16 + 20 * k;
        image.replace(e, 12, entries[k].name.leftJustified(12, '\0'));
        PutLE(image, e + 12, entries[k].offset);
        PutLE(image, e + 16, entries[k].length);
    }
}

QStringList Texts(const DirectoryListing &listing)
{
    QStringList texts;
    for (const DirectoryRow &row : listing.rows)
        texts << row.text;
    return texts;
}

// Two channel modules with a TCS each (one of length 0 in a third), a lower
// case "tcs" that is not the table, skipped slots and an empty module.
QByteArray TablesImage()
{
    QByteArray image = Erased();
    PutModule(image, 0, 0, 0x20, "CHANNELS", {{"TPT", 0x40, 8}, {"TCS", 0x48, 6}, {"tcs", 0x48, 6}});
    PutLE(image, 2, 0x0000);                          // slot 1: no module
    PutModule(image, 0, 2, 0x200, "NOLEN", {{"TCS", 0x20, 4}});
    PutLE(image, 0x200 + 10, 0);                      // not listed at all
    PutModule(image, 1, 0, 0x20, "EPG", {});
    PutModule(image, 3, 5, 0x400, "BACKUP", {{"TCS", 0x100, 3}, {"TCS", 0x100, 0}});
    return image;
}

} // namespace

class TestDataDirectory : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString path(const QString &name) { return dir_.filePath(name); }

private slots:
    void listing()
    {
        DirectoryListing erased = ListDirectory(Erased());
        QCOMPARE(erased.rows.size(), size_t(8));
        QCOMPARE(erased.rows[7].text, QString("Block: 7      ============="));
        QCOMPARE(ListingStatus(erased), QString("Done."));

        const DirectoryListing listing = ListDirectory(TablesImage());
        const QStringList expected = {
            "Block: 0      =============", "Mod: CHANNELS === 3 files.", "TPT           $0006C  $0008",
            "TCS           $00074  $0006", "tcs           $00074  $0006", "Block: 1      =============",
            "Mod: EPG      === 0 files.", "Block: 2      =============", "Block: 3      =============",
            "Mod: BACKUP   === 2 files.", "TCS           $3050C  $0003", "TCS           $3050C  $0000",
            "Block: 4      =============", "Block: 5      =============", "Block: 6      =============",
            "Block: 7      ============="};
        QCOMPARE(Texts(listing), expected);
        QCOMPARE(listing.rows[2].text.size(), 27);
        QVERIFY(listing.rows[2].RowIsTPT && listing.rows[3].RowIsTCS && !listing.rows[4].RowIsTCS);
        QVERIFY(listing.rows[3].isFile() && !listing.rows[1].isFile() && !listing.rows[0].isFile());
        QCOMPARE(listing.damaged, 0);
    }

    // Pointers, entry tables and file data past the image's end, and more
    // rows than the table holds: nothing outside is read, the status counts.
    void damagedDirectory_data()
    {
        QTest::addColumn<QByteArray>("image");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("damaged");
        QTest::addColumn<QString>("status");
        QByteArray header = Erased();
        PutLE(header, 7 * 65536, 0xFFF8);
        QTest::newRow("module header past the end") << header << 8 << 1
                                                    << "Done. 1 damaged entries lead outside the image.";
        QByteArray entries = Erased();
        PutModule(entries, 7, 0, 0xFFC0, "LAST", {{"A", 0x20, 1}, {"B", 0x20, 1}});
        entries[7 * 65536 + 0xFFC0 + 12] = char(5);   // three more entries past the end
        QTest::newRow("entry table past the end") << entries << 11 << 3
                                                  << "Done. 3 damaged entries lead outside the image.";
        QByteArray data = Erased();
        PutModule(data, 7, 0, 0x20, "DATA", {{"TCS", 0xFFF0, 0x20}, {"OK", 0x20, 4}});
        QTest::newRow("file data past the end") << data << 11 << 1
                                                << "Done. 1 damaged entries lead outside the image.";
        QByteArray many = Erased();
        QList<Entry> full;
        for (int k = 0; k < 255; ++k)
            full.append({"F", 0, 0});
        for (int b = 0; b < 8; ++b)
            for (int m = 0; m < 16; ++m)
                PutModule(many, b, m, 0x20, "M", full);
        QTest::newRow("more than 10000 rows") << many << kDirectoryMaxRows << 0
                                              << "Done. Only the first 10000 rows are listed.";
    }
    void damagedDirectory()
    {
        QFETCH(QByteArray, image);
        QFETCH(int, rows);
        QFETCH(int, damaged);
        QFETCH(QString, status);
        const DirectoryListing listing = ListDirectory(image);
        QCOMPARE(int(listing.rows.size()), rows);
        QCOMPARE(listing.damaged, damaged);
        QCOMPARE(ListingStatus(listing), status);
        for (const DirectoryRow &row : listing.rows)
            QVERIFY(!row.isFile() || row.RowOffset + row.RowLength <= kImageSize);
    }

    void saveAndUpdate()
    {
        QVERIFY(QDir::setCurrent(dir_.path()));
        AnsweringPrompter prompter;
        QByteArray image = TablesImage();
        const DirectoryListing listing = ListDirectory(image);
        const auto &rows = listing.rows;
        QCOMPARE(SaveDirectoryFile(image, rows[2], prompter), QString("Saved: TPT"));
        QCOMPARE(ReadFile("TPT"), image.mid(0x6C, 8));
        QCOMPARE(SaveDirectoryFile(image, rows[11], prompter),
                 QString("Saved: TCS (an empty file: the entry has length 0)"));
        QCOMPARE(QFileInfo("TCS").size(), 0);
        prompter.answer = false;
        QCOMPARE(SaveDirectoryFile(image, rows[2], prompter), QString("Not saved."));

        // The image file name a folder, a declined overwrite, a missing table:
        // the image stays as it was.
        WriteFile("TCS", "abcdefgh");   // longer than one TCS entry, shorter than none here
        WriteFile("TPT", "1234");       // shorter than the TPT entry
        WriteFile("image.bin", image);
        const QByteArray before = image;
        QVERIFY(QDir().mkdir("folder"));
        QVERIFY(UpdateTables(image, rows, "TPT", "TCS", "folder", prompter).startsWith("Cannot write folder"));
        QCOMPARE(UpdateTables(image, rows, "TPT", "TCS", "image.bin", prompter), QString("Not saved."));
        QCOMPARE(UpdateTables(image, rows, "none", "TCS", "image.bin", prompter), QString("none not found!"));
        QCOMPARE(image, before);

        prompter.answer = true;
        QCOMPARE(UpdateTables(image, rows, "TPT", "TCS", "image.bin", prompter),
                 QString("Done. 1 entries of length 0 left unchanged."));
        QCOMPARE(image.mid(0x6C, 8), QByteArray("1234\0\0\0\0", 8));   // shorter file: zeros after it
        QCOMPARE(image.mid(0x74, 6), QByteArray("abcdef"));            // longer file: cut
        QCOMPARE(image.mid(0x3050C, 3), QByteArray("abc"));             // the second module's TCS too
        QCOMPARE(image.mid(0x3050F, 1), before.mid(0x3050F, 1));
        QCOMPARE(ReadFile("image.bin"), image);
        QCOMPARE(image.size(), kImageSize);

        QByteArray read;
        QString why;
        WriteFile("long.bin", image + "tail");
        QVERIFY(ReadDataImage("long.bin", read, why));
        QCOMPARE(read, image);
        WriteFile("short.bin", image.left(kImageSize - 1));
        QVERIFY(!ReadDataImage("short.bin", read, why));
        QCOMPARE(why, QString("File is not 512K bytes !!!"));
        QVERIFY(!ReadDataImage("absent.bin", read, why));
        QCOMPARE(why, QString("absent.bin not found!"));
    }
};

QTEST_GUILESS_MAIN(TestDataDirectory)
#include "test_data_directory.moc"
