#include "memory/save_range.h"

#include "support/fake_channel.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

quint8 memoryByte(qint32 page, int offset)
{
    return quint8(page * 7 + offset);
}

// Answers "020180" + page + half with the modelled memory.
QString multiByteReply(const QString &command)
{
    if (command.size() != 14 || !command.startsWith(QStringLiteral("020180")))
        return QString();
    const qint32 page = command.mid(6, 6).toInt(nullptr, 16);
    const int first = command.mid(12, 2).toInt(nullptr, 16);
    QString reply = QStringLiteral("020");
    for (int k = 0; k < 128; ++k)
        reply += QStringLiteral("%1").arg(memoryByte(page, first + k), 2, 16, QLatin1Char('0')).toUpper();
    return reply;
}

QByteArray expectedImage(qint32 startPage, int pages)
{
    QByteArray image;
    for (int p = 0; p < pages; ++p)
        for (int offset = 0; offset < 256; ++offset)
            image.append(char(memoryByte(startPage + p, offset)));
    return image;
}

QString firstHalf(qint32 page)
{
    return QStringLiteral("020180%1").arg(page, 6, 16, QLatin1Char('0')).toUpper() + QStringLiteral("00");
}

QString secondHalf(qint32 page)
{
    return QStringLiteral("020180%1").arg(page, 6, 16, QLatin1Char('0')).toUpper() + QStringLiteral("80");
}

struct StatusLine {
    QString text;
    QStringList history;
    int stopAfterPages = -1;  // stop requested once this many pages were started
    int pagesStarted = 0;
    OperationHooks hooks()
    {
        OperationHooks h;
        h.setStatus = [this](const QString &t) {
            text = t;
            history << t;
        };
        h.status = [this] { return text; };
        h.stopRequested = [this] { return stopAfterPages >= 0 && pagesStarted++ >= stopAfterPages; };
        return h;
    }
};

QByteArray fileContent(const QString &name)
{
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return file.readAll();
}

// Accepts writes up to a limit, then fails them.
class LimitedDevice : public QIODevice {
public:
    explicit LimitedDevice(qint64 limit) : limit_(limit) { open(QIODevice::WriteOnly); }
    QByteArray written;

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override
    {
        if (written.size() + size > limit_)
            return -1;
        written.append(data, size);
        return size;
    }

private:
    qint64 limit_;
};

} // namespace

class TestSaveRange : public QObject {
    Q_OBJECT
private slots:
    void init();
    void savesRangeInAddressOrder();
    void retriedPageIsSavedOnce();
    void ninthFailureEndsSave();
    void failedSecondHalfIsNotWritten();
    void stopEndsBeforeNextPage();
    void stopBeforeFirstPage();
    void suffixNeedsNoStatusReadBack();
    void rangeMustSpanTwoPages_data();
    void rangeMustSpanTwoPages();
    void declinedFileIsLeftAlone();
    void uncreatableFileIsReported();
    void existingFileIsReplaced();
    void failedWriteIsNotDone();
    void fullDiskIsNotDone();
    void singleAccessModeReadsEveryDWord();

private:
    QTemporaryDir dir_;
    FakeChannel link_;
    StatusLine status_;
    Page buffer_{};
    QString path(const QString &name) const { return dir_.filePath(name); }
};

void TestSaveRange::init()
{
    link_ = FakeChannel();
    link_.respond(multiByteReply);
    status_ = StatusLine();
    buffer_.fill(0);
}

void TestSaveRange::savesRangeInAddressOrder()
{
    const QString name = path("memdump.bin");
    const SaveOutcome outcome =
        SaveRange(link_, MemReadMode::MultiByte, 0x402800, 0x402801, name, buffer_, status_.hooks());
    QCOMPARE(outcome, SaveOutcome::Done);
    QCOMPARE(fileContent(name), expectedImage(0x402800, 2));
    QCOMPARE(link_.commands(), QStringList({"02018040280000", "02018040280080",
                                            "02018040280100", "02018040280180"}));
    QCOMPARE(status_.history, QStringList({"Saving to " + name, "Reading 402800XX", "Reading 402801XX", "Done."}));
}

void TestSaveRange::retriedPageIsSavedOnce()
{
    for (int k = 0; k < 3; ++k)
        link_.replyOnce(firstHalf(0x100001), QString());
    link_.replyOnce(secondHalf(0x100001), QStringLiteral("02E"));
    const QString name = path("retry.bin");
    QCOMPARE(SaveRange(link_, MemReadMode::MultiByte, 0x100000, 0x100002, name, buffer_, status_.hooks()),
             SaveOutcome::Done);
    QCOMPARE(fileContent(name), expectedImage(0x100000, 3));
    // 3 failed first halves, one failed second half, then the whole page.
    QCOMPARE(link_.commands().count(firstHalf(0x100001)), 5);
    QCOMPARE(link_.commands().count(secondHalf(0x100001)), 2);
    QCOMPARE(status_.text, QStringLiteral("Done."));
}

void TestSaveRange::ninthFailureEndsSave()
{
    link_.reply(firstHalf(0x402802), QString());
    const QString name = path("broken.bin");
    QCOMPARE(SaveRange(link_, MemReadMode::MultiByte, 0x402800, 0x402805, name, buffer_, status_.hooks()),
             SaveOutcome::ReadError);
    QCOMPARE(fileContent(name), expectedImage(0x402800, 2));
    QCOMPARE(link_.commands().count(firstHalf(0x402802)), 9);
    QVERIFY(!link_.commands().contains(firstHalf(0x402803)));
    QCOMPARE(status_.text, QStringLiteral("Reading 402802XX - Read Error !!!"));
    QVERIFY(!status_.history.contains(QStringLiteral("Done.")));
}

void TestSaveRange::failedSecondHalfIsNotWritten()
{
    link_.reply(secondHalf(0x000001), QStringLiteral("020"));
    const QString name = path("half.bin");
    QCOMPARE(SaveRange(link_, MemReadMode::MultiByte, 0, 1, name, buffer_, status_.hooks()),
             SaveOutcome::ReadError);
    QCOMPARE(fileContent(name), expectedImage(0, 1));
    QCOMPARE(link_.commands().count(firstHalf(1)), 9);
    QCOMPARE(link_.commands().count(secondHalf(1)), 9);
}

void TestSaveRange::stopEndsBeforeNextPage()
{
    status_.stopAfterPages = 2;
    const QString name = path("stopped.bin");
    QCOMPARE(SaveRange(link_, MemReadMode::MultiByte, 0x402800, 0x403FFF, name, buffer_, status_.hooks()),
             SaveOutcome::UserBreak);
    QCOMPARE(fileContent(name), expectedImage(0x402800, 2));
    QCOMPARE(link_.sent.size(), 4);
    QCOMPARE(status_.text, QStringLiteral("Reading 402801XX - User Break."));
}

void TestSaveRange::stopBeforeFirstPage()
{
    status_.stopAfterPages = 0;
    const QString name = path("empty.bin");
    QCOMPARE(SaveRange(link_, MemReadMode::MultiByte, 1, 2, name, buffer_, status_.hooks()),
             SaveOutcome::UserBreak);
    QCOMPARE(status_.text, "Saving to " + name + " - User Break.");
    QCOMPARE(fileContent(name), QByteArray());
    QVERIFY(link_.sent.isEmpty());
}

void TestSaveRange::suffixNeedsNoStatusReadBack()
{
    link_.reply(firstHalf(0x000002), QString());
    QStringList shown;
    OperationHooks hooks;  // status() keeps its default: the empty text
    hooks.setStatus = [&shown](const QString &t) { shown << t; };
    QCOMPARE(SaveRange(link_, MemReadMode::MultiByte, 1, 2, path("x.bin"), buffer_, hooks),
             SaveOutcome::ReadError);
    QCOMPARE(shown.last(), QStringLiteral("Reading 000002XX - Read Error !!!"));
}

void TestSaveRange::rangeMustSpanTwoPages_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("end");
    QTest::newRow("End equal to Start") << 0x402800 << 0x402800;
    QTest::newRow("End below Start") << 0x402800 << 0x4027FF;
    QTest::newRow("End 0, Start top") << 0xFFFFFF << 0;
}

void TestSaveRange::rangeMustSpanTwoPages()
{
    QFETCH(int, start);
    QFETCH(int, end);
    const QString name = path("refused.bin");
    bool asked = false;
    const auto mayWrite = [&asked](const QString &) { return asked = true; };
    QCOMPARE(SaveRange(link_, MemReadMode::MultiByte, start, end, name, buffer_, status_.hooks(), mayWrite),
             SaveOutcome::AddressError);
    QCOMPARE(status_.history, QStringList({"Address error !"}));
    QVERIFY(!asked);
    QVERIFY(link_.sent.isEmpty());
    QVERIFY(!QFile::exists(name));
    QVERIFY(SaveRangeValid(0x402800, 0x402801));
}

void TestSaveRange::declinedFileIsLeftAlone()
{
    const QString name = path("keep.bin");
    QString askedFor;
    const auto mayWrite = [&askedFor](const QString &file) {
        askedFor = file;
        return false;
    };
    QCOMPARE(SaveRange(link_, MemReadMode::MultiByte, 1, 2, name, buffer_, status_.hooks(), mayWrite),
             SaveOutcome::Declined);
    QCOMPARE(askedFor, name);
    QVERIFY(link_.sent.isEmpty());
    QVERIFY(status_.history.isEmpty());
    QVERIFY(!QFile::exists(name));
}

void TestSaveRange::uncreatableFileIsReported()
{
    const QString name = path("no/such/folder/memdump.bin");
    QCOMPARE(SaveRange(link_, MemReadMode::MultiByte, 1, 2, name, buffer_, status_.hooks()),
             SaveOutcome::CannotCreate);
    QCOMPARE(status_.history, QStringList({"Cannot create " + name}));
    QVERIFY(link_.sent.isEmpty());
}

void TestSaveRange::existingFileIsReplaced()
{
    const QString name = path("old.bin");
    {
        QFile old(name);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(2000, 'x'));
    }
    QCOMPARE(SaveRange(link_, MemReadMode::MultiByte, 5, 6, name, buffer_, status_.hooks()), SaveOutcome::Done);
    QCOMPARE(fileContent(name), expectedImage(5, 2));
}

void TestSaveRange::failedWriteIsNotDone()
{
    LimitedDevice device(300);
    QCOMPARE(SavePages(link_, MemReadMode::MultiByte, 0x10, 0x13, device, buffer_, status_.hooks()),
             SaveOutcome::WriteError);
    QCOMPARE(device.written, expectedImage(0x10, 1));
    QCOMPARE(status_.text, QStringLiteral("Reading 000011XX - Write Error !!!"));
    QCOMPARE(link_.sent.size(), 4);
}

void TestSaveRange::fullDiskIsNotDone()
{
    if (!QFile::exists(QStringLiteral("/dev/full")))
        QSKIP("no /dev/full on this system");
    QCOMPARE(SaveRange(link_, MemReadMode::MultiByte, 0x10, 0x13, QStringLiteral("/dev/full"), buffer_,
                       status_.hooks()),
             SaveOutcome::WriteError);
    QCOMPARE(status_.text, QStringLiteral("Reading 000010XX - Write Error !!!"));
    QVERIFY(!status_.history.contains(QStringLiteral("Done.")));
    QCOMPARE(link_.sent.size(), 2);
}

void TestSaveRange::singleAccessModeReadsEveryDWord()
{
    link_.respond([](const QString &command) {
        // "0221" + 8-digit address; the value's low byte is the address's low byte.
        const int offset = command.right(2).toInt(nullptr, 16);
        return QStringLiteral("021") + QStringLiteral("%1%2%3%4")
                                           .arg(offset + 3, 2, 16, QLatin1Char('0'))
                                           .arg(offset + 2, 2, 16, QLatin1Char('0'))
                                           .arg(offset + 1, 2, 16, QLatin1Char('0'))
                                           .arg(offset, 2, 16, QLatin1Char('0'))
                                           .toUpper();
    });
    const QString name = path("dwords.bin");
    QCOMPARE(SaveRange(link_, MemReadMode::SingleDWord, 0x20, 0x21, name, buffer_, status_.hooks()),
             SaveOutcome::Done);
    QCOMPARE(link_.sent.size(), 128);
    QCOMPARE(link_.sent.first().command, QStringLiteral("022100002000"));
    QCOMPARE(link_.sent.last().command, QStringLiteral("0221000021FC"));
    QByteArray expected;
    for (int p = 0; p < 2; ++p)
        for (int k = 0; k < 256; ++k)
            expected.append(char(k));
    QCOMPARE(fileContent(name), expected);
}

QTEST_GUILESS_MAIN(TestSaveRange)
#include "test_save_range.moc"
