// The picture rebuilt from synthetic frame buffers, the field separation, the
// size boxes, the capture over a model of decoder memory, the freeze toggle,
// the volume command and the bitmap file.
#include "link/conversions.h"
#include "screenshot/capture.h"
#include "screenshot/frame_buffers.h"
#include "screenshot/volume.h"
#include "support/fake_channel.h"

#include <QImage>
#include <QtTest>

namespace {

constexpr quint8 kGrey = 100;
const Rgb kTinted = {150, 100, 50};   // grey 100 under blue factor 64 and red factor 192

// Buffers of a picture of w x h macroblocks, with room to spare: luminance
// kGrey, chrominance neutral.
struct Buffers {
    std::vector<quint8> luma, chroma;
    Buffers(int w, int h) : luma(size_t(w * h + 4) * 512, kGrey), chroma(size_t(w * h + 8) * 128, 128) {}
    // Luminance column slot n (group n / 2, column n % 2) made bright.
    void markColumn(int n)
    {
        for (int b = 0; b < 32; ++b)
            std::fill_n(luma.begin() + (n / 2) * 1024 + b * 32 + (n % 2) * 16, 16, quint8(200));
    }
    // Every sample of macroblock m (page m / 2, half m % 2) tinted.
    void tintMacroblock(int m)
    {
        for (int i = 0; i < 8; ++i)
            for (int k = 0; k < 16; ++k)
                chroma[size_t(m / 2 * 256 + i * 32 + (m % 2) * 16 + k)] = k % 8 < 4 ? 64 : 192;
    }
};

int CountPixels(const Picture &p, Rgb colour)
{
    int n = 0;
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x)
            n += p.pixel(x, y) == colour ? 1 : 0;
    return n;
}

// luma: a luminance column slot marked, else a chrominance macroblock; col
// and row where it must show (col -1: nowhere, it lies past the picture).
struct Placement {
    bool luma;
    int w, h, index, col, row;
};

struct CaptureRow {
    QList<int> failing;
    int stopAt;
    QString status;
    int commands;
    QString probes;
    int lostFrom = -1;   // the link is gone from this page on
};

}   // namespace

Q_DECLARE_METATYPE(Placement)
Q_DECLARE_METATYPE(CaptureRow)

class TestScreenshot : public QObject {
    Q_OBJECT

private slots:
    // Every pixel of a luminance group at its place, the chrominance neutral.
    void luminanceOnly()
    {
        Buffers buffers(2, 2);
        for (int i = 0; i < kLumaGroupBytes; ++i)
            buffers.luma[size_t(i)] = quint8(i);
        const Picture p = RebuildPicture(buffers.luma, buffers.chroma, 2, 2);
        QCOMPARE(p.width(), 32);
        const int points[][3] = {{17, 5, 177}, {15, 31, 239}, {31, 0, 31}, {16, 16, 16}, {3, 9, 35}};
        for (const auto &[x, y, v] : points)
            QCOMPARE(p.pixel(x, y), (Rgb{quint8(v), quint8(v), quint8(v)}));
    }

    void placement_data()
    {
        QTest::addColumn<Placement>("row");
        const std::pair<const char *, Placement> rows[] = {
            {"luma second column", {true, 2, 2, 1, 1, 0}},
            {"luma column 44 at W=45", {true, 45, 4, 44, 44, 0}},
            {"luma column wrap at W=45", {true, 45, 4, 45, 0, 2}},
            {"luma wrap at W=3", {true, 3, 4, 3, 0, 2}},
            {"luma wrap past the bottom", {true, 45, 2, 45, -1, 0}},
            {"chroma phase 0", {false, 4, 2, 0, 0, 0}},
            {"chroma phase 1", {false, 4, 2, 1, 1, 0}},
            {"chroma phase 2", {false, 4, 2, 2, 2, 0}},
            {"chroma phase 3", {false, 4, 2, 3, 3, 0}},
            {"chroma phase 4", {false, 4, 2, 4, 0, 1}},
            {"chroma phase 5", {false, 4, 2, 5, 1, 1}},
            {"chroma phase 6", {false, 4, 2, 6, 2, 1}},
            {"chroma phase 7", {false, 4, 2, 7, 3, 1}},
            {"chroma phase 3 across the band", {false, 3, 4, 3, 0, 2}},
            {"chroma phase-3 wrap at W=3", {false, 3, 4, 4, 0, 1}},
            {"chroma after the wrap at W=3", {false, 3, 4, 7, 0, 3}},
            {"chroma next run at W=3", {false, 3, 4, 8, 1, 2}},
            {"chroma phase 1 across the band at W=45", {false, 45, 4, 89, 0, 2}},
            {"chroma phase-3 wrap at W=45", {false, 45, 4, 92, 44, 1}},
            {"chroma run finished past the bottom", {false, 45, 2, 92, 44, 1}},
            {"chroma past the bottom", {false, 45, 2, 93, -1, 0}},
        };
        for (const auto &[name, row] : rows)
            QTest::newRow(name) << row;
    }
    // One marked column slot or macroblock shows in exactly one place.
    void placement()
    {
        QFETCH(Placement, row);
        Buffers buffers(row.w, row.h);
        row.luma ? buffers.markColumn(row.index) : buffers.tintMacroblock(row.index);
        const Picture p = RebuildPicture(buffers.luma, buffers.chroma, row.w, row.h);
        const Rgb mark = row.luma ? Rgb{200, 200, 200} : kTinted;
        const int lines = row.luma ? 32 : 16;
        QCOMPARE(CountPixels(p, mark), row.col < 0 ? 0 : 16 * lines);
        if (row.col >= 0) {
            QCOMPARE(p.pixel(row.col * 16, row.row * 16), mark);
            QCOMPARE(p.pixel(row.col * 16 + 15, row.row * 16 + lines - 1), mark);
        }
    }

    // One sample's factors tint its 2 x 2 pixels alone.
    void sampleLayout()
    {
        Buffers buffers(4, 2);
        buffers.chroma[3 * 32 + 16 + 8 + 1] = 64;   // sample row 3, sample 5 of half 1
        buffers.chroma[3 * 32 + 16 + 8 + 1 + 4] = 192;
        const Picture p = RebuildPicture(buffers.luma, buffers.chroma, 4, 2);
        QCOMPARE(CountPixels(p, kTinted), 4);
        QCOMPARE(p.pixel(16 + 10, 6), kTinted);
        QCOMPARE(p.pixel(16 + 11, 7), kTinted);
    }

    void tint()
    {
        const int rows[][6] = {{200, 255, 255, 255, 90, 255},
                               {10, 0, 0, 0, 30, 0},
                               {250, 128, 128, 250, 250, 250},
                               {100, 200, 200, 156, 0, 156},
                               {100, 64, 192, 150, 100, 50}};
        for (const auto &[y, u, v, r, g, b] : rows)
            QCOMPARE(TintedColour(y, u, v), (Rgb{quint8(r), quint8(g), quint8(b)}));
    }

    // Delace moves even rows up and odd rows down; twice is a further permutation.
    void delace()
    {
        const struct {
            int height, times;
            QList<int> rows;   // the source row now at each row
        } rows[] = {{8, 1, {0, 2, 4, 6, 1, 3, 5, 7}}, {8, 2, {0, 4, 1, 5, 2, 6, 3, 7}}, {0, 2, {}}};
        for (const auto &row : rows) {
            Picture p(2, row.height);
            for (int y = 0; y < row.height; ++y)
                p.setPixel(1, y, {quint8(y), 0, 0});
            for (int k = 0; k < row.times; ++k)
                Delace(p);
            QList<int> found;
            for (int y = 0; y < p.height(); ++y)
                found << p.pixel(1, y).r;
            QCOMPARE(found, row.rows);
        }
    }

    void sizeBoxes()
    {
        const struct {
            const char *typed;
            int w;
            const char *wText;
            int h;
            const char *hText;
        } rows[] = {
            {"100", 6, "96", 6, "96"},       {"31", 2, "32", 2, "32"},         {"800", 45, "720", 36, "576"},
            {"300", 18, "288", 18, "288"},   {"310", 19, "304", 20, "320"},    {"1000", 45, "720", 36, "576"},
            {"", 2, "32", 2, "32"},          {" 360px", 22, "352", 22, "352"}, {"-50", 2, "32", 2, "32"},
            {"583.6", 36, "576", 36, "576"}, {"56", 3, "48", 4, "64"},         {"600", 37, "592", 36, "576"},
        };
        for (const auto &row : rows) {
            const BlockCount w = CorrectWidth(row.typed), h = CorrectHeight(row.typed);
            QCOMPARE(w.blocks, row.w);
            QCOMPARE(w.text, row.wText);
            QCOMPARE(h.blocks, row.h);
            QCOMPARE(h.text, row.hText);
        }
        const char *boxes[][2] = {{"c714", "00C714"}, {"ffc714", "FFC714"}, {"1234567", "1234567"}, {"", "000000"}};
        for (const auto &[typed, shown] : boxes)
            QCOMPARE(NormaliseBufferBox(typed), shown);
    }

    void capture_data()
    {
        QTest::addColumn<CaptureRow>("row");
        const std::pair<const char *, CaptureRow> rows[] = {
            {"every page read", {{}, -1, "Done.", 24, "TTTT"}},
            {"a luminance page fails", {{0x400001}, -1, "Done. - 1 page failed!", 23, "TKTT"}},
            {"two chrominance pages fail", {{0x400010, 0x400013}, -1, "Done. - 2 pages failed!", 22, "GGTG"}},
            {"STOP after the first group", {{}, 1, "Break.", 8, "GGKK"}},
            {"STOP in the chrominance", {{}, 5, "Break.", 20, "TTTG"}},
            // One failure more than a whole group: the count starts again at each page read.
            {"7 pages in a row fail",
             {{0x400001, 0x400002, 0x400003, 0x400004, 0x400005, 0x400006, 0x400007},
              -1,
              "Done. - 7 pages failed!",
              17,
              "TKKK"}},
            {"a decoder gone silent",
             {{0x400002, 0x400003, 0x400004, 0x400005, 0x400006, 0x400007, 0x400010, 0x400011},
              -1,
              "Stopped - 8 pages in a row failed: the decoder does not answer!",
              12,
              "GGKK"}},
            {"the link lost in the second group", {{}, -1, "gone - port closed.", 9, "GGKK", 0x400004}},
        };
        for (const auto &[name, row] : rows)
            QTest::newRow(name) << row;
    }
    // 4 x 2 macroblocks: luminance pages 400000-400007 all grey, chrominance
    // pages 400010-400013 all tinted. Probes at (0, 0) and (0, 8) in the first
    // macroblock, (32, 0) in the third, (48, 16) in the last: T tinted, G grey, K black.
    void capture()
    {
        QFETCH(CaptureRow, row);
        FakeChannel link;
        link.respond([&](const QString &c) {
            const qint32 page = HexToAddr(c.mid(6, 6));
            if (row.lostFrom >= 0 && page >= row.lostFrom)
                link.lost = "gone - port closed.";
            if (!c.startsWith("020180") || row.failing.contains(page) || !link.lost.isEmpty())
                return QString();
            const bool chroma = page >= 0x400010;
            return "021" + QString(chroma ? "40404040C0C0C0C0" : "64646464").repeated(chroma ? 16 : 32);
        });
        Picture p(64, 32);
        int checks = 0;
        QStringList lines;
        CaptureHooks hooks;
        hooks.stopRequested = [&] { return row.stopAt >= 0 && checks++ >= row.stopAt; };
        hooks.setPageLine = [&](const QString &line) { lines << line; };
        const CaptureResult result = CapturePicture(link, MemReadMode::MultiByte, {0x400000, 0x400010, 4, 2}, p, hooks);
        QCOMPARE(CaptureStatus(result), row.status);
        QCOMPARE(link.sent.size(), row.commands);
        QCOMPARE(lines.first(), "400000XX");
        const Rgb colours[] = {kTinted, {kGrey, kGrey, kGrey}, {}};
        const int probes[][2] = {{0, 0}, {0, 8}, {32, 0}, {48, 16}};
        for (int k = 0; k < 4; ++k)
            QCOMPARE(p.pixel(probes[k][0], probes[k][1]), colours[QString("TGK").indexOf(row.probes[k])]);
    }

    void freeze()
    {
        const struct {
            MemReadMode mode;
            const char *reply, *commands, *caption;
        } rows[] = {
            {MemReadMode::MultiByte, "02101", "02010120032008 02002003200800", "Defrost"},
            {MemReadMode::MultiByte, "02100", "02010120032008 02002003200801", "Freeze"},
            {MemReadMode::SingleByte, "02103", "020120032008 02002003200800", ""},
            {MemReadMode::MultiByte, "", "02010120032008", ""},
            {MemReadMode::MultiByte, "02E", "02010120032008", ""},
        };
        for (const auto &row : rows) {
            FakeChannel link;
            link.queue({row.reply, "020"});
            QCOMPARE(ToggleFreeze(link, row.mode), row.caption);
            QCOMPARE(link.commands().join(' '), row.commands);
        }
    }

    void volume()
    {
        const struct {
            int step;
            bool plus6;
            const char *matrix, *command;
        } rows[] = {{0, false, "5", "270940005"},
                    {7, true, "5", "2709400F5"},
                    {3, true, "5", "270940075"},
                    {3, false, "", "27094006"},
                    {1, true, "12", "2709400312"}};
        for (const auto &row : rows)
            QCOMPARE(VolumeCommand(row.step, row.plus6, row.matrix), row.command);
    }

    // A 24-bit file with padded rows, bottom row first, that a standard reader takes.
    void bitmapFile()
    {
        Picture p(3, 2);
        const Rgb colours[] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {1, 2, 3}, {250, 128, 7}, {9, 99, 199}};
        for (int i = 0; i < 6; ++i)
            p.setPixel(i % 3, i / 3, colours[i]);
        const QByteArray file = BmpFile(p);
        QCOMPARE(file.size(), 54 + 2 * 12);
        QCOMPARE(file.mid(0, 2), "BM");
        QCOMPARE(quint8(file[28]), quint8(24));
        QCOMPARE(file.mid(54, 3), QByteArray("\x03\x02\x01", 3));   // (0, 1), blue first
        QCOMPARE(file.mid(63, 3), QByteArray(3, '\0'));             // padding of the bottom row
        const QImage image = QImage::fromData(file, "BMP");
        QCOMPARE(image.size(), QSize(3, 2));
        for (int i = 0; i < 6; ++i)
            QCOMPARE(image.pixel(i % 3, i / 3), qRgb(colours[i].r, colours[i].g, colours[i].b));
    }
};

QTEST_GUILESS_MAIN(TestScreenshot)
#include "test_screenshot.moc"
