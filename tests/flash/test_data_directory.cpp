// The data-flash directory: listing rules, damaged directories, saving a file, putting the tables back.
#include "flash/data_directory.h"
#include "support/test_helpers.h"

#include <QtTest>

namespace {

struct AnsweringPrompter : Prompter {
    bool answer = true;
    bool confirm(const QString &, const QString &) override { return answer; }
    void inform(const QString &, const QString &) override {}
};

using Entry = std::tuple<QByteArray, int, int>;   // name, offset from module + 12, length

QByteArray Erased() { return QByteArray(kImageSize, char(0xFF)); }
QByteArray LE(int value) { return QByteArray(1, char(value)) + char(value >> 8); }
void PutLE(QByteArray &image, qint64 at, int value) { image.replace(at, 2, LE(value)); }

// A module at block b, slot m: its name, a non-zero word at +10, the entry count and the entries.
void PutModule(QByteArray &image, int b, int m, int pointer, const QByteArray &name, const QList<Entry> &entries)
{
    QByteArray module = name.leftJustified(8, '\0') + "\xFF\xFF" + LE(1) + char(entries.size()) + "\xFF\xFF\xFF";
    for (const auto &[file, offset, length] : entries)
        module += file.leftJustified(12, '\0') + LE(offset) + "\xFF\xFF" + LE(length) + "\xFF\xFF";
    PutLE(image, b * 65536 + 2 * m, pointer);
    image.replace(b * 65536 + pointer, module.size(), module);
}

// Two channel modules (a TCS of length 0 in the second), a lower case "tcs" that is
// not the table, a 0000 slot, a module with a zero word at +10, one without files.
QByteArray TablesImage()
{
    QByteArray image = Erased();
    PutModule(image, 0, 0, 0x20, "CHANNELS", {{"TPT", 0x40, 8}, {"TCS", 0x48, 6}, {"tcs", 0x48, 6}});
    PutLE(image, 2, 0x0000);
    PutModule(image, 0, 2, 0x200, "NOLEN", {{"TCS", 0x20, 4}});
    PutLE(image, 0x200 + 10, 0);
    PutModule(image, 1, 0, 0x20, "EPG", {});
    PutModule(image, 3, 5, 0x400, "BACKUP", {{"TCS", 0x100, 3}, {"TCS", 0x100, 0}});
    return image;
}

}   // namespace

class TestDataDirectory : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    void initTestCase() { QVERIFY(QDir::setCurrent(dir_.path()) && QDir().mkdir("folder")); }

    // Pointers, entry tables and file data past the image's end, and more rows
    // than the table holds: nothing outside is read or saved, the status counts.
    void listing_data()
    {
        QTest::addColumn<QByteArray>("image");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QStringList>("last");   // the listing's last rows
        QByteArray header = Erased(), entries = Erased(), data = Erased(), many = Erased();
        PutLE(header, 7 * 65536, 0xFFF8);
        PutModule(entries, 7, 0, 0xFFC0, "LAST", {{"A", 0x20, 1}, {"B", 0x20, 1}});
        entries[7 * 65536 + 0xFFC0 + 12] = char(5);   // three more entries past the end
        PutModule(data, 7, 0, 0x20, "DATA", {{"TCS", 0xFFF0, 0x20}, {"OK", 0x20, 4}});
        QByteArray junk = Erased();
        PutModule(junk, 7, 0, 0x20, "JUNK", {{"\x01\x02", 0x20, 4}, {"OK", 0x20, 4}, {"\xE9t\x7F", 0x20, 4}});
        for (int slot = 0; slot < 128; ++slot)
            PutModule(many, slot / 16, slot % 16, 0x20, "M", QList<Entry>(255, {"F", 0, 0}));
        const QString outside = "Done. %1 damaged entries lead outside the image.";
        QTest::newRow("tables") << TablesImage() << 16 << "Done."
                                << QStringList{"Block: 0      =============", "Mod: CHANNELS === 3 files.",
                                               "TPT           $0006C  $0008", "TCS           $00074  $0006",
                                               "tcs           $00074  $0006", "Block: 1      =============",
                                               "Mod: EPG      === 0 files.",  "Block: 2      =============",
                                               "Block: 3      =============", "Mod: BACKUP   === 2 files.",
                                               "TCS           $3050C  $0003", "TCS           $3050C  $0000",
                                               "Block: 4      =============", "Block: 5      =============",
                                               "Block: 6      =============", "Block: 7      ============="};
        QTest::newRow("module header") << header << 8 << outside.arg(1) << QStringList{"Block: 7      ============="};
        const QString notAnImage = " Most entries are damaged: the file does not look like a data-flash image.";
        QTest::newRow("entry table") << entries << 11 << outside.arg(3) + notAnImage
                                     << QStringList{"Mod: LAST     === 5 files.", "A             $7FFEC  $0001",
                                                    "B             $7FFEC  $0001"};
        QTest::newRow("file data") << data << 11 << outside.arg(1)
                                   << QStringList{"TCS           $8001C  $0020  ! outside the image",
                                                  "OK            $7004C  $0004"};
        QTest::newRow("junk names") << junk << 12 << "Done. 2 damaged entries have no printable name." + notAnImage
                                    << QStringList{"OK            $7004C  $0004",
                                                   QString::fromLatin1("\xE9t\x7F").leftJustified(12)
                                                       + "  $7004C  $0004  ! name not printable"};
        QTest::newRow("10000 rows") << many << 10000 << "Done. Only the first 10000 rows are listed."
                                    << QStringList{"F             $2002C  $0000"};
    }
    void listing()
    {
        QFETCH(QByteArray, image);
        QFETCH(QStringList, last);
        AnsweringPrompter yes;
        const DirectoryListing listing = ListDirectory(image);
        QTEST(int(listing.rows.size()), "rows");
        QTEST(ListingStatus(listing), "status");
        QStringList texts;
        for (const DirectoryRow &row : listing.rows) {
            texts << row.text;
            QVERIFY(row.RowIsTCS == row.text.startsWith("TCS ") && row.RowIsTPT == row.text.startsWith("TPT "));
            QCOMPARE(row.text.endsWith("  ! outside the image") || row.text.endsWith("  ! name not printable"),
                     row.damaged);
            QVERIFY(!row.isFile() || row.RowOffset + row.RowLength <= kImageSize);
            if (row.damaged)
                QCOMPARE(SaveDirectoryFile(image, row, yes),
                         row.unprintable ? QString("The name is not printable - Not saved.")
                                         : QString("TCS lies outside the image - Not saved."));
        }
        QCOMPARE(texts.mid(texts.size() - last.size()), last);
    }

    void saveAndUpdate()
    {
        AnsweringPrompter ask;
        QByteArray image = TablesImage();
        const std::vector<DirectoryRow> rows = ListDirectory(image).rows;
        QCOMPARE(SaveDirectoryFile(image, rows[2], ask), QString("Saved: TPT"));
        QCOMPARE(ReadFile("TPT"), image.mid(0x6C, 8));
        QCOMPARE(SaveDirectoryFile(image, rows[11], ask),
                 QString("Saved: TCS (an empty file: the entry has length 0)"));
        QCOMPARE(QFileInfo("TCS").size(), 0);
        ask.answer = false;
        QCOMPARE(SaveDirectoryFile(image, rows[2], ask), QString("Not saved."));
        // The image file a folder, a declined overwrite, a missing table: the image stays.
        WriteFile("TCS", "abcdefgh");   // longer than the TCS entries
        WriteFile("TPT", "1234");       // shorter than the TPT entry
        WriteFile("image.bin", image);
        const QByteArray before = image;
        QVERIFY(UpdateTables(image, rows, "TPT", "TCS", "folder", ask).startsWith("Cannot write folder"));
        QCOMPARE(UpdateTables(image, rows, "TPT", "TCS", "image.bin", ask), QString("Not saved."));
        QCOMPARE(UpdateTables(image, rows, "none", "TCS", "image.bin", ask), QString("none not found!"));
        QCOMPARE(image, before);
        ask.answer = true;
        QCOMPARE(UpdateTables(image, rows, "TPT", "TCS", "image.bin", ask),
                 QString("Done. 1 entries of length 0 left unchanged."));
        QByteArray expected = before;
        expected.replace(0x6C, 14, QByteArray("1234\0\0\0\0abcdef", 14));   // shorter file zero-filled, longer cut
        expected.replace(0x3050C, 3, "abc");
        QCOMPARE(image, expected);
        QCOMPARE(ReadFile("image.bin"), image);
        QByteArray read;
        QString why;
        WriteFile("long.bin", image + "tail");
        WriteFile("short.bin", image.left(kImageSize - 1));
        QVERIFY(ReadDataImage("long.bin", read, why) && read == image);
        QVERIFY(!ReadDataImage("short.bin", read, why) && why == "File is not 512K bytes !!!");
        QVERIFY(!ReadDataImage("absent.bin", read, why) && why == "absent.bin not found!");
    }
};

QTEST_GUILESS_MAIN(TestDataDirectory)
#include "test_data_directory.moc"
