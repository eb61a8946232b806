// The editor's edits on the tables: each edit's result, its refusal, and its
// undo and redo back to byte-identical files.
#include "channels/channel_edit.h"
#include "channels/edit_history.h"
#include "link/conversions.h"
#include "support/test_helpers.h"

#include <QtTest>
#include <functional>

namespace {

struct Yes : Prompter {
    bool confirm(const QString &, const QString &) override { return true; }
    void inform(const QString &, const QString &) override {}
};

void PutTransponder(ChannelTables &t, int i, qint64 kHz, int tid, bool horizontal)
{
    t.TptCount = qint16(i + 1);
    QVERIFY(SetTransponder(t, i, {kHz, 0, 2, horizontal}).isEmpty());
    PutBE16(t.TptTable, i * kTptRecordSize + kTptTid, tid);
    PutBE16(t.TptTable, i * kTptRecordSize + kTptNid, 100);
}

void PutChannel(ChannelTables &t, const QString &name, int tp, int sid, int use = 1)
{
    const int i = t.TcsCount++;
    BlankTcsRecord(std::span<quint8>(t.TcsTable).subspan(i * kTcsRecordSize, kTcsRecordSize));
    if (use == 0)
        return;
    PutName(t, i, name);
    t.TcsTable[i * kTcsRecordSize + kTcsUse] = quint8(use);
    t.TcsTable[i * kTcsRecordSize + kTcsTp] = quint8(tp);
    PutBE16(t.TcsTable, i * kTcsRecordSize + kTcsSid, sid);
}

// Transponders 1..4 (TID 1..4) and seven channels, record 4 a duplicate of
// record 0, Foxtrot without SID, then two padding records.
ChannelTables Base()
{
    ChannelTables t;
    PutTransponder(t, 0, 10800000, 1, false);
    PutTransponder(t, 1, 11000000, 2, false);
    PutTransponder(t, 2, 12000000, 3, true);
    PutTransponder(t, 3, 12500000, 4, true);
    const std::tuple<const char *, int, int> channels[] = {{"Echo", 1, 50},  {"alpha", 2, 10}, {"Delta", 1, 20},
                                                           {"Bravo", 3, 10}, {"Echo", 1, 50},  {"Charlie", 2, 30},
                                                           {"Foxtrot", 3, 0}};
    for (const auto &[name, tp, sid] : channels)
        PutChannel(t, name, tp, sid);
    PutChannel(t, QString(), 0, 0, 0);
    PutChannel(t, QString(), 0, 0, 0);
    return t;
}

// A reference list on other transponder numbers: Bravo by ids, Echo twice
// by ids, Foxtrot by name, one channel it alone holds.
ChannelTables Reference()
{
    ChannelTables r;
    PutTransponder(r, 0, 12000000, 3, true);
    PutTransponder(r, 1, 10800000, 1, false);
    PutChannel(r, "X", 1, 10);
    PutChannel(r, "Y", 2, 50);
    PutChannel(r, "Foxtrot", 1, 0);
    PutChannel(r, "Z", 2, 99);
    PutChannel(r, "Y2", 2, 50);
    return r;
}

// Each channel as name, TP and (unless 1) Use; each transponder as TID, MHz and LNB.
QString Signature(const ChannelTables &t)
{
    QStringList words;
    for (int i = 0; i < t.TcsCount; ++i) {
        const int use = t.TcsTable[i * kTcsRecordSize + kTcsUse];
        words << ChannelName(t, i) + Hex2(t.TcsTable[i * kTcsRecordSize + kTcsTp])
                + (use == 1 ? QString() : "u" + Hex2(use));
    }
    words << "|";
    for (int i = 0; i < t.TptCount; ++i)
        words << QStringLiteral("%1:%2%3")
                     .arg(GetBE16(t.TptTable, i * kTptRecordSize + kTptTid))
                     .arg(ReceivedKHz(t, i) / 1000)
                     .arg(LnbText(t.TptTable[i * kTptRecordSize + kTptLnb]));
    return words.join(' ');
}

QByteArray Files(const ChannelTables &t)
{
    Yes yes;
    [[maybe_unused]] const TableResult saved = SaveBinary(t, yes, "edit.tcs", "edit.tpt");
    return ReadFile("edit.tcs") + ReadFile("edit.tpt");
}

using Edit = std::function<QString(ChannelTables &)>;

QString ByReference(ChannelTables &t, const QString &tcs, const QString &tpt)
{
    ChannelTables reference;
    if (!LoadReference(reference, tcs, tpt).relist)
        return "not loaded";
    return QString::number(OrderLike(t, AllChannels(t), reference));
}

const QString kTransponders = "| 1:10800V/D 2:11000V/D 3:12000H/U 4:12500H/U";

}   // namespace

class TestChannelEdit : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

private slots:
    void initTestCase()
    {
        QVERIFY(QDir::setCurrent(dir_.path()));
        Yes yes;
        const ChannelTables reference = Reference();
        QVERIFY(SaveBinary(reference, yes, "ref", "reft").status.contains("reft Saved."));
        QVERIFY(SaveText(reference, TcsLines(reference), TptLines(reference), yes, "ref", "reft")
                    .status.contains("reft.txt Saved."));
    }

    void edits_data()
    {
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<QString>("said");   // the refusal, or what the edit reports
        QTest::addColumn<QString>("after");
        const auto row = [](const char *name, Edit edit, const QString &said, const QString &channels,
                            const QString &transponders = kTransponders) {
            QTest::newRow(name) << edit << said << channels + ' ' + transponders;
        };
        row(
            "remove",
            [](ChannelTables &t) {
                return RemoveChannels(t, {3, 1}), QString();
            },
            "", "Echo01 Delta01 Echo01 Charlie02 Foxtrot03 FFu00 FFu00");
        row(
            "move before a row",
            [](ChannelTables &t) {
                return QString::number(MoveChannels(t, {5, 4}, 1)[0]);
            },
            "1", "Echo01 Echo01 Charlie02 alpha02 Delta01 Bravo03 Foxtrot03 FFu00 FFu00");
        row(
            "up among the shown",
            [](ChannelTables &t) {
                return StepChannels(t, {0, 2, 4, 5}, {4, 5}, -1), QString();
            },
            "", "Echo01 alpha02 Echo01 Bravo03 Charlie02 Delta01 Foxtrot03 FFu00 FFu00");
        row(
            "down, the last blocked",
            [](ChannelTables &t) {
                return StepChannels(t, {0, 1, 2}, {0, 2}, 1), QString();
            },
            "", "alpha02 Echo01 Delta01 Bravo03 Echo01 Charlie02 Foxtrot03 FFu00 FFu00");
        row(
            "rename", [](ChannelTables &t) { return RenameChannel(t, 2, "Sixteen chars ok"); }, "",
            "Echo01 alpha02 Sixteen chars ok01 Bravo03 Echo01 Charlie02 Foxtrot03 FFu00 FFu00");
        row(
            "rename too long", [](ChannelTables &t) { return RenameChannel(t, 2, "Seventeen chars!!"); },
            "Name longer than 16 characters!", "Echo01 alpha02 Delta01 Bravo03 Echo01 Charlie02 Foxtrot03 FFu00 FFu00");
        row(
            "rename unprintable", [](ChannelTables &t) { return RenameChannel(t, 2, "Tab\there"); },
            "Only printable ASCII characters in a name!",
            "Echo01 alpha02 Delta01 Bravo03 Echo01 Charlie02 Foxtrot03 FFu00 FFu00");
        row(
            "add in a padding's room",
            [](ChannelTables &t) {
                return AddChannel(t, 2, {"Golf", 3, 70});
            },
            "", "Echo01 alpha02 Golf03u04 Delta01 Bravo03 Echo01 Charlie02 Foxtrot03 FFu00");
        row(
            "add on no transponder",
            [](ChannelTables &t) {
                return AddChannel(t, 2, {"Golf", 5, 70});
            },
            "No transponder 05!", "Echo01 alpha02 Delta01 Bravo03 Echo01 Charlie02 Foxtrot03 FFu00 FFu00");
        row(
            "transponder moved", [](ChannelTables &t) { return MoveTransponder(t, 0, 2), QString(); }, "",
            "Echo03 alpha01 Delta03 Bravo02 Echo03 Charlie01 Foxtrot02 FFu00 FFu00",
            "| 2:11000V/D 3:12000H/U 1:10800V/D 4:12500H/U");
        row(
            "transponder removed with its channels", [](ChannelTables &t) { return RemoveTransponder(t, 0, true), ""; },
            "", "alpha01 Bravo02 Charlie01 Foxtrot02 FFu00 FFu00", "| 2:11000V/D 3:12000H/U 4:12500H/U");
        row(
            "transponder removed, channels kept", [](ChannelTables &t) { return RemoveTransponder(t, 1, false), ""; },
            "", "Echo01 alphaFF Delta01 Bravo02 Echo01 CharlieFF Foxtrot02 FFu00 FFu00",
            "| 1:10800V/D 3:12000H/U 4:12500H/U");
        row(
            "transponder changed",
            [](ChannelTables &t) {
                return SetTransponder(t, 1, {12100000, 2, 5, true});
            },
            "", "Echo01 alpha02 Delta01 Bravo03 Echo01 Charlie02 Foxtrot03 FFu00 FFu00",
            "| 1:10800V/D 2:12100H/U 3:12000H/U 4:12500H/U");
        row(
            "transponder frequency refused",
            [](ChannelTables &t) {
                return SetTransponder(t, 1, {9000000, 0, 0});
            },
            "Frequency out of 10700000..12755000 kHz!",
            "Echo01 alpha02 Delta01 Bravo03 Echo01 Charlie02 Foxtrot03 FFu00 FFu00");
        row(
            "by name", [](ChannelTables &t) { return SortChannels(t, AllChannels(t), ChannelOrder::Name), ""; }, "",
            "alpha02 Bravo03 Charlie02 Delta01 Echo01 Echo01 Foxtrot03 FFu00 FFu00");
        row(
            "by tp", [](ChannelTables &t) { return SortChannels(t, AllChannels(t), ChannelOrder::Transponder), ""; },
            "", "Delta01 Echo01 Echo01 alpha02 Charlie02 Foxtrot03 Bravo03 FFu00 FFu00");
        row(
            "by sid among the shown",
            [](ChannelTables &t) {
                return SortChannels(t, {1, 5, 6}, ChannelOrder::Sid), "";
            },
            "", "Echo01 Foxtrot03 Delta01 Bravo03 Echo01 alpha02 Charlie02 FFu00 FFu00");
        row(
            "duplicates", [](ChannelTables &t) { return RemoveChannels(t, DuplicateChannels(t, AllChannels(t))), ""; },
            "", "Echo01 alpha02 Delta01 Bravo03 Charlie02 Foxtrot03 FFu00 FFu00");
        row(
            "like a binary reference", [](ChannelTables &t) { return ByReference(t, "ref", "reft"); }, "4",
            "Bravo03 Echo01 Foxtrot03 Echo01 alpha02 Delta01 Charlie02 FFu00 FFu00");
        row(
            "like a text reference", [](ChannelTables &t) { return ByReference(t, "ref.txt", "reft.txt"); }, "4",
            "Bravo03 Echo01 Foxtrot03 Echo01 alpha02 Delta01 Charlie02 FFu00 FFu00");
        row(
            "reference in two forms", [](ChannelTables &t) { return ByReference(t, "ref.txt", "reft"); }, "not loaded",
            "Echo01 alpha02 Delta01 Bravo03 Echo01 Charlie02 Foxtrot03 FFu00 FFu00");
    }
    void edits()
    {
        QFETCH(Edit, edit);
        ChannelTables t = Base();
        const QByteArray before = Files(t);
        EditHistory history;
        history.markSaved(t);
        const ChannelTables copy = t;
        QTEST(edit(t), "said");
        QTEST(Signature(t), "after");
        const bool changed = history.record(copy, t);
        QCOMPARE(history.modified(t), changed);
        const QByteArray after = Files(t);
        QCOMPARE(before == after, !changed);
        QCOMPARE(history.undo(t), changed);
        QCOMPARE(Files(t), before);
        QVERIFY(!history.modified(t));
        QCOMPARE(history.redo(t), changed);
        QCOMPARE(Files(t), after);
    }
};

QTEST_GUILESS_MAIN(TestChannelEdit)
#include "test_channel_edit.moc"
