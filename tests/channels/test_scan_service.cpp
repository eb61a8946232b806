// The tuning, scan and speed services against a scripted channel: no window,
// no simulated decoder.
#include "channels/scan_service.h"
#include "si/si_capture.h"
#include "support/fake_channel.h"
#include "terminal/speed.h"
#include "tune/tune_service.h"

#include <QtTest>

namespace {

// Two services on one transport stream, as command 31 answers.
const QString kCapture = "31042B02C0001C1000000A5FF0001FC800C480A010450726F76034F6E650002FC900A4808010150040554776F"
                         "DFF7A4DA\r02B0500001C10000E064F00609040500E12302E0C8F02209200100E0C900118000000000000000"
                         "000000E0C90011800000000000000000000004E0C9F0050A03656E6706E0CAF0075605656E67090005C87ED5"
                         "\r02B0160002C10000E065F00081E0CBF004C10241429E7FC800\r40B00D00A5C10000F000F000F42EDB95\r\n";
const QString kResult = "0720F424022000031";

struct Recorder {
    QStringList statuses;
    int checks = 0;
    ScanHooks hooks(int stopAt)
    {
        ScanHooks h;
        h.stopRequested = [this, stopAt] { return stopAt >= 0 && checks++ >= stopAt; };
        h.setStatus = [this](const QString &s) { statuses << s; };
        h.status = [this] { return statuses.value(statuses.size() - 1); };
        return h;
    }
};

}   // namespace

class TestScanService : public QObject {
    Q_OBJECT
    Options options;

private slots:
    // Band 1 without LNB control: statuses of the sweep command and of each
    // "072", what each wait for the result line brings ("" times out).
    void transponderScan()
    {
        const struct {
            const char *name;
            QStringList statuses, more;
            int stopAt;
            bool lose;
            const char *last;
            int found;
        } rows[] = {
            {"status and result in one reply", {"072100000\r" + kResult, "072000000"}, {}, -1, false, "Done.", 1},
            {"result after the status", {"072100000", "072000000"}, {kResult + "\r"}, -1, false, "Done.", 1},
            {"a wait times out, the next brings it",
             {"072100000", "072000000"},
             {"", kResult + "\r"},
             -1,
             false,
             "Done.",
             1},
            {"STOP takes the pending result", {"072100000", "072000000"}, {kResult + "\r"}, 0, false, "User Break.", 0},
            {"the link lost in the sweep", {"072100000"}, {}, -1, true, "gone - port closed.", 0},
        };
        for (const auto &row : rows) {
            FakeChannel link;
            QStringList statuses = row.statuses;
            link.respond([&](const QString &c) {
                if (row.lose)
                    link.lost = "gone - port closed.";
                return c.startsWith("072") && !statuses.isEmpty() ? statuses.takeFirst() : QString();
            });
            link.more = row.more;
            ChannelTables tables;
            TuneService tuning(link, options);
            Recorder r;
            ScanService(link, options, tuning, tables)
                .scanTransponders({true, false, false, false}, false, r.hooks(row.stopAt));
            QCOMPARE(r.statuses.last(), QString(row.last));
            QCOMPARE(tables.TptCount, row.found);
            QVERIFY2(link.more.isEmpty(), row.name);   // every result line was taken
        }
    }

    // Two transponders: the tune replies, the captures, STOP.
    void channelScan()
    {
        const struct {
            const char *name;
            QStringList tunes;
            QList<LinesReply> captures;
            int stopAt;
            const char *last;
            int added;
            const char *first;
        } rows[] = {
            {"both captured",
             {"0700", "0700"},
             {{kCapture}, {kCapture}},
             -1,
             "Done.",
             4,
             "TP:01 Reading SI Data, wait..."},
            {"STOP between transponders",
             {"0700"},
             {{kCapture}},
             1,
             "User Break.",
             2,
             "TP:01 Reading SI Data, wait..."},
            {"no carrier on the first",
             {"0701", "0700"},
             {{kCapture}},
             -1,
             "Done.",
             2,
             "Tuning transponder 00 - No Carrier!"},
            {"carrier lost before the capture",
             {"0700", "0700"},
             {{"", true}, {kCapture}},
             -1,
             "Done.",
             2,
             "TP:01 Reading SI Data, wait...SI Data error!"},
        };
        for (const auto &row : rows) {
            FakeChannel link;
            QStringList tunes = row.tunes;
            link.respond(
                [&](const QString &c) { return c.startsWith("070") && !tunes.isEmpty() ? tunes.takeFirst() : "090"; });
            link.lines = row.captures;
            ChannelTables tables;
            for (int k = 0; k < 2; ++k)
                AppendTransponder(tables, *ParseSweepResult("072100000\r" + kResult + "\r", "072100000"), 1);
            TuneService tuning(link, options);
            Recorder r;
            ScanService(link, options, tuning, tables)
                .scanChannels({0, 1, {false, false, false, false}, false}, r.hooks(row.stopAt));
            QVERIFY2(r.statuses.contains(row.first), row.name);
            QCOMPARE(r.statuses.last(), QString(row.last));
            QCOMPARE(int(tables.TcsCount), row.added);
            QCOMPARE(link.appended.first(), QString(row.tunes[0] == "0700" ? " : Carrier found." : " : No Carrier!"));
        }
    }

    // Command 31's reply: whole, cut by the decoder's silence, "not tuned"
    // while it comes, nothing at all.
    void siCapture()
    {
        const struct {
            LinesReply reply;
            bool tuned;
            const char *status;
            int channels;
        } rows[] = {
            {{kCapture, false, true}, true, "Read OK.", 2},
            {{kCapture.left(200), true, false}, true, "Timeout!", 2},   // the SDT line came whole
            {{"3101", false, true}, false, "", 0},
            {{}, true, "No readback!", 0},
        };
        for (const auto &row : rows) {
            FakeChannel link;
            link.lines = {row.reply};
            SiStore store;
            const std::optional<SiCaptureResult> result = CaptureSi(link, store);
            QCOMPARE(bool(result), row.tuned);
            QCOMPARE(link.commands(), QStringList{"310"});
            if (result) {
                QCOMPARE(result->status + result->textAppend, QString(row.status));
                QCOMPARE(int(store.ChannelCount), row.channels);
            }
        }
    }

    // The boxes corrected and shown, the carrier judged, the PIDs of a
    // channel change in their order, the video PID left out once the asker
    // has gone.
    void tuning()
    {
        FakeChannel link;
        link.queue({"0700", "090", "091", "092"});
        TuneService tuning(link, options);
        QSignalSpy changed(&tuning, &TuneService::boxesChanged);
        TuneBoxes boxes;
        boxes.frequency = "13000000";
        tuning.setBoxes(boxes);
        QVERIFY(tuning.press(0).carrier);
        QCOMPARE(tuning.boxes().frequency, QString("12755000"));
        QCOMPARE(changed.size(), 2);
        QCOMPARE(tuning.lastPrefix(), QString("070"));
        link.clearRecord();
        tuning.setChannelPids();
        QCOMPARE(link.events.filter(QRegularExpression("^[>W]")).join(' '), QString(">0940000 >0910000 W500 >0900000"));
        link.clearRecord();
        tuning.setChannelPids([] { return false; });
        QCOMPARE(link.commands().size(), 2);
    }

    // The speed command at the old speed, the port again, the test of the line.
    void speedChange()
    {
        const struct {
            const char *reply, *reopenError;
            SpeedOutcome outcome;
            const char *said;
        } rows[] = {
            {"09E", "", SpeedOutcome::Connected, "OK, connected at 57600"},
            {"", "", SpeedOutcome::NoReply, "No reply from decoder..."},
            {"09E", "in use", SpeedOutcome::CannotOpen, "Changing COM & Decoder speed...\r\n"},
        };
        for (const auto &row : rows) {
            FakeChannel link;
            link.reply("09", row.reply);
            link.reopenError = row.reopenError;
            QString said;
            SpeedHooks hooks;
            hooks.say = [&](const QString &text) { said += text; };
            const SpeedResult result = ChangeSpeed(link, "/dev/ttyS0", 3, hooks);
            QCOMPARE(result.outcome, row.outcome);
            QVERIFY(said.contains(row.said));
            QCOMPARE(link.events.mid(0, 4),
                     QStringList({"T5000", "R0210200040000036", "W500", "O/dev/ttyS0 57600,E,7,1"}));
        }
    }
};

QTEST_GUILESS_MAIN(TestScanService)
#include "test_scan_service.moc"
