#include "flash/image.h"

#include <QtTest>
#include <vector>

namespace {

using Image = std::vector<quint8>;

Image Erased()
{
    return Image(kImageSize, 0xFF);
}

void PutWord(Image &image, qint64 at, int value)
{
    image[at] = quint8(value);
    image[at + 1] = quint8(value >> 8);
}

void ClearPointers(Image &image, qint32 p)
{
    for (int k = 0; k < kModuleSlots; ++k)
        PutWord(image, p + 2 * k, 0);
}

} // namespace

class TestImage : public QObject {
    Q_OBJECT

private slots:
    void highestModuleGivesTheEnd_data()
    {
        QTest::addColumn<qint32>("p");
        QTest::newRow("block 0") << 0;
        QTest::newRow("block 3") << 0x30000;
        QTest::newRow("block 7") << 0x70000;
    }
    void highestModuleGivesTheEnd()
    {
        QFETCH(qint32, p);
        Image image = Erased();
        ClearPointers(image, p);
        PutWord(image, p + 0, 0x0040);
        PutWord(image, p + 6, 0x0100);   // the highest pointer wins, wherever its slot
        PutWord(image, p + 8, 0xFFFF);   // empty slot, not a pointer
        PutWord(image, p + 0x0040 + 10, 0x7000);
        PutWord(image, p + 0x0100 + 10, 0x0023);
        // q = p + 0x10A, t = p + 0x12D, t mod 4 = 1
        QCOMPARE(UsedEnd(image, p), p + 0x12E);
    }

    void roundingTakesTmod4()
    {
        Image image = Erased();
        ClearPointers(image, 0);
        PutWord(image, 0, 0x0100);
        for (int len : {0x20, 0x21, 0x22, 0x23, 0x24}) {
            PutWord(image, 0x10A, len);
            const qint32 t = 0x10A + len;
            QCOMPARE(UsedEnd(image, 0), t + t % 4);
        }
    }

    void blockWithoutModules()
    {
        Image image = Erased();
        QCOMPARE(UsedEnd(image, 0x20000), 0x20000);   // all pointers FFFF
        ClearPointers(image, 0x20000);
        QCOMPARE(UsedEnd(image, 0x20000), 0x20000);   // all pointers 0000
        for (int k = 0; k < kModuleSlots; ++k)
            PutWord(image, 0x20000 + 2 * k, k % 2 ? 0xFFFF : 0);
        QCOMPARE(UsedEnd(image, 0x20000), 0x20000);
    }

    // A length field beyond the last byte, or a module running past its
    // block, cannot tell the used end: the whole block counts as used.
    void fieldsPastTheImageCountAsFullyUsed()
    {
        Image image = Erased();
        const qint32 p = 0x70000;
        ClearPointers(image, p);
        PutWord(image, p, 0xFFF8);   // q = p + 0x10002: past the image
        QCOMPARE(UsedEnd(image, p), p + kImageBlockSize);
        PutWord(image, p, 0xFFF4);   // q = p + 0xFFFE: last two bytes, length leads out
        PutWord(image, p + 0xFFFE, 0x0100);
        QCOMPARE(UsedEnd(image, p), p + kImageBlockSize);
        PutWord(image, p + 0xFFFE, 0x0000);   // t = p + 0xFFFE, t mod 4 = 2
        QCOMPARE(UsedEnd(image, p), p + kImageBlockSize);

        const qint32 inner = 0x10000;
        ClearPointers(image, inner);
        PutWord(image, inner, 0xF000);
        PutWord(image, inner + 0xF00A, 0x4000);   // runs into the next block
        QCOMPARE(UsedEnd(image, inner), inner + kImageBlockSize);
    }

    void shortImagesAreNeverReadOutside()
    {
        const Image tiny(20, 0x01);
        QCOMPARE(UsedEnd(tiny, 0), kImageBlockSize);
        Image small(64, 0);
        PutWord(small, 0, 0x0030);
        QCOMPARE(UsedEnd(small, 0), 0x3C);   // q = 0x3A still inside, length 0
        PutWord(small, 0, 0x0040);
        QCOMPARE(UsedEnd(small, 0), kImageBlockSize);
        QCOMPARE(UsedEnd(Erased(), -4), -4 + kImageBlockSize);
        QCOMPARE(UsedEnd(Erased(), kImageSize), kImageSize + kImageBlockSize);
    }

    void skipKeepsTheLastWordOfTheBlock()
    {
        QCOMPARE(SkipEmptySpace(0x12C, 0x12E), 0x12C);
        QCOMPARE(SkipEmptySpace(0x130, 0x12E), 0xFFFC);
        QCOMPARE(SkipEmptySpace(0x30004, 0x30000), 0x3FFFC);
        QCOMPARE(SkipEmptySpace(0x3FFFC, 0x30000), 0x3FFFC);
        QCOMPARE(SkipEmptySpace(0x30000, 0x30000), 0x30000);
    }
};

QTEST_GUILESS_MAIN(TestImage)
#include "test_image.moc"
