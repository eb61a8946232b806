#include "channels/channel_edit.h"

#include "link/conversions.h"

#include <QHash>
#include <QSet>
#include <algorithm>
#include <numeric>

namespace {

using TcsRecord = std::array<quint8, kTcsRecordSize>;

TcsRecord recordAt(const ChannelTables &t, int record)
{
    TcsRecord r;
    std::copy_n(t.TcsTable.begin() + record * kTcsRecordSize, kTcsRecordSize, r.begin());
    return r;
}

void putRecord(ChannelTables &t, int record, const TcsRecord &r)
{
    std::copy(r.begin(), r.end(), t.TcsTable.begin() + record * kTcsRecordSize);
}

quint8 &tcsByte(ChannelTables &t, int record, int field) { return t.TcsTable[size_t(record * kTcsRecordSize + field)]; }
int tcsByte(const ChannelTables &t, int record, int field)
{
    return t.TcsTable[size_t(record * kTcsRecordSize + field)];
}
int tcsWord(const ChannelTables &t, int record, int field)
{
    return GetBE16(t.TcsTable, record * kTcsRecordSize + field);
}
int tptWord(const ChannelTables &t, int index, int field)
{
    return GetBE16(t.TptTable, index * kTptRecordSize + field);
}

// The table's records in a new order, records past the new count zeroed as after a load.
void setChannels(ChannelTables &t, const QList<int> &order)
{
    std::vector<TcsRecord> records;
    records.reserve(size_t(order.size()));
    for (int r : order)
        records.push_back(recordAt(t, r));
    const int oldCount = t.TcsCount;
    t.TcsCount = qint32(records.size());
    for (int i = 0; i < t.TcsCount; ++i)
        putRecord(t, i, records[size_t(i)]);
    if (oldCount > t.TcsCount)
        std::fill(t.TcsTable.begin() + t.TcsCount * kTcsRecordSize, t.TcsTable.begin() + oldCount * kTcsRecordSize, 0);
}

QList<int> sorted(QList<int> records)
{
    std::sort(records.begin(), records.end());
    records.erase(std::unique(records.begin(), records.end()), records.end());
    return records;
}

// The records with the padding ones after the others, each part in its order.
QList<int> paddingLast(const ChannelTables &t, const QList<int> &records)
{
    QList<int> order = records;
    std::stable_partition(order.begin(), order.end(), [&](int r) { return !IsPadding(t, r); });
    return order;
}

// What a channel matches a reference channel by: the ids of its transponder
// and its SID, or its name.
QString idKey(const ChannelTables &t, int record)
{
    const int tp = tcsByte(t, record, kTcsTp);
    const bool known = tp >= 1 && tp <= t.TptCount;
    return QStringLiteral("%1 %2 %3")
        .arg(known ? tptWord(t, tp - 1, kTptTid) : -1)
        .arg(known ? tptWord(t, tp - 1, kTptNid) : -1)
        .arg(tcsWord(t, record, kTcsSid));
}

}   // namespace

bool IsPadding(const ChannelTables &tables, int record) { return tcsByte(tables, record, kTcsUse) == 0; }

int EndOfChannels(const ChannelTables &tables)
{
    int end = tables.TcsCount;
    while (end > 0 && IsPadding(tables, end - 1))
        --end;
    return end;
}

QList<int> AllChannels(const ChannelTables &tables)
{
    QList<int> all(tables.TcsCount);
    std::iota(all.begin(), all.end(), 0);
    return all;
}

QString ChannelName(const ChannelTables &tables, int record)
{
    QString name;
    for (int k = 0; k < kNameSize && tcsByte(tables, record, k) != 0; ++k)
        name += QChar(tcsByte(tables, record, k));
    while (name.endsWith(' '))
        name.chop(1);
    return name;
}

void PlaceChannels(ChannelTables &tables, const QList<int> &places, const QList<int> &order)
{
    std::vector<TcsRecord> moved;
    for (int r : order)
        moved.push_back(recordAt(tables, r));
    for (qsizetype i = 0; i < places.size(); ++i)
        putRecord(tables, places[i], moved[size_t(i)]);
}

void RemoveChannels(ChannelTables &tables, const QList<int> &records)
{
    const QList<int> gone = sorted(records);
    QList<int> kept;
    for (int r = 0; r < tables.TcsCount; ++r)
        if (!std::binary_search(gone.begin(), gone.end(), r))
            kept << r;
    setChannels(tables, kept);
}

QList<int> MoveChannels(ChannelTables &tables, const QList<int> &records, int before)
{
    const QList<int> moving = sorted(records);
    QList<int> order;
    QList<int> placed;
    const auto putMoving = [&] {
        for (int r : moving) {
            placed << int(order.size());
            order << r;
        }
    };
    for (int r = 0; r < tables.TcsCount; ++r) {
        if (r == before)
            putMoving();
        if (!moving.contains(r))
            order << r;
    }
    if (before >= tables.TcsCount)
        putMoving();
    setChannels(tables, order);
    return placed;
}

QList<int> StepChannels(ChannelTables &tables, const QList<int> &shown, const QList<int> &selected, int step)
{
    QList<int> view = shown;   // the shown records in their new order
    const auto isSelected = [&](int r) { return selected.contains(r); };
    const int n = int(view.size());
    if (step < 0) {
        for (int p = 1; p < n; ++p)
            if (isSelected(view[p]) && !isSelected(view[p - 1]))
                std::swap(view[p], view[p - 1]);
    } else {
        for (int p = n - 2; p >= 0; --p)
            if (isSelected(view[p]) && !isSelected(view[p + 1]))
                std::swap(view[p], view[p + 1]);
    }
    // The shown records trade places; the hidden ones keep theirs.
    PlaceChannels(tables, shown, view);
    QList<int> moved;
    for (int p = 0; p < n; ++p)
        if (isSelected(view[p]))
            moved << shown[p];
    return moved;
}

QString NameRefusal(const QString &name)
{
    QString trimmed = name;
    while (trimmed.endsWith(' '))
        trimmed.chop(1);
    if (trimmed.isEmpty())
        return QStringLiteral("A channel needs a name!");
    if (trimmed.size() > kNameSize)
        return QStringLiteral("Name longer than 16 characters!");
    for (QChar c : trimmed)
        if (c.unicode() < 0x20 || c.unicode() > 0x7E)
            return QStringLiteral("Only printable ASCII characters in a name!");
    return QString();
}

QString RenameChannel(ChannelTables &tables, int record, const QString &name)
{
    if (record < 0 || record >= tables.TcsCount)
        return QStringLiteral("No channel selected!");
    const QString refusal = NameRefusal(name);
    if (refusal.isEmpty())
        PutName(tables, record, name);
    return refusal;
}

QString AddChannel(ChannelTables &tables, int at, const NewChannel &channel)
{
    if (const QString refusal = NameRefusal(channel.name); !refusal.isEmpty())
        return refusal;
    if (channel.tp < 1 || channel.tp > tables.TptCount)
        return QStringLiteral("No transponder %1!").arg(Hex2(channel.tp));
    const bool reuse = tables.TcsCount > 0 && IsPadding(tables, tables.TcsCount - 1) && at < tables.TcsCount;
    if (!reuse && tables.TcsCount >= kTcsMaxRecords)
        return QStringLiteral("Too many channels!");
    if (reuse)
        --tables.TcsCount;
    at = std::clamp(at, 0, int(tables.TcsCount));
    QList<int> order = AllChannels(tables);
    order.insert(at, tables.TcsCount);   // the new record is written past the end first
    const int r = tables.TcsCount;
    std::fill_n(tables.TcsTable.begin() + r * kTcsRecordSize, kTcsRecordSize, 0);
    PutName(tables, r, channel.name);
    tcsByte(tables, r, kTcsUse) = kScannedUse;
    tcsByte(tables, r, kTcsTp) = quint8(channel.tp);
    const std::pair<int, int> fields[] = {{kTcsSid, channel.sid},   {kTcsVpid, channel.vpid}, {kTcsApid, channel.apid},
                                          {kTcsVecm, channel.vecm}, {kTcsAecm, channel.aecm}, {kTcsPcr, channel.pcr}};
    for (const auto &[field, value] : fields)
        PutBE16(tables.TcsTable, r * kTcsRecordSize + field, value);
    ++tables.TcsCount;
    setChannels(tables, order);
    return QString();
}

std::optional<ChannelOrder> ChannelOrderNamed(const QString &name)
{
    if (name == QLatin1String("name"))
        return ChannelOrder::Name;
    if (name == QLatin1String("tp"))
        return ChannelOrder::Transponder;
    if (name == QLatin1String("sid"))
        return ChannelOrder::Sid;
    return std::nullopt;
}

void SortChannels(ChannelTables &tables, const QList<int> &records, ChannelOrder by)
{
    const QList<int> places = sorted(records);
    QList<int> order = paddingLast(tables, places);
    const auto channels =
        order.begin() + std::count_if(order.begin(), order.end(), [&](int r) { return !IsPadding(tables, r); });
    const auto less = [&](int a, int b) {
        switch (by) {
        case ChannelOrder::Name: return ChannelName(tables, a).compare(ChannelName(tables, b), Qt::CaseInsensitive) < 0;
        case ChannelOrder::Transponder:
            return std::pair(tcsByte(tables, a, kTcsTp), tcsWord(tables, a, kTcsSid))
                < std::pair(tcsByte(tables, b, kTcsTp), tcsWord(tables, b, kTcsSid));
        case ChannelOrder::Sid: break;
        }
        return tcsWord(tables, a, kTcsSid) < tcsWord(tables, b, kTcsSid);
    };
    std::stable_sort(order.begin(), channels, less);
    PlaceChannels(tables, places, order);
}

QList<int> DuplicateChannels(const ChannelTables &tables, const QList<int> &records)
{
    QList<int> duplicates;
    QSet<QPair<int, int>> seen;
    for (int r : sorted(records)) {
        if (IsPadding(tables, r))
            continue;
        const QPair<int, int> key(tcsByte(tables, r, kTcsTp), tcsWord(tables, r, kTcsSid));
        if (seen.contains(key))
            duplicates << r;
        seen.insert(key);
    }
    return duplicates;
}

int OrderLike(ChannelTables &tables, const QList<int> &records, const ChannelTables &reference)
{
    // The candidates of each key in table order; a reference channel takes the first one left.
    QHash<QString, QList<int>> byId, byName;
    const QList<int> places = sorted(records);
    for (int r : places) {
        if (IsPadding(tables, r))
            continue;
        byId[idKey(tables, r)] << r;
        byName[ChannelName(tables, r)] << r;
    }
    QList<int> order;
    QSet<int> taken;
    for (int ref = 0; ref < reference.TcsCount; ++ref) {
        if (IsPadding(reference, ref))
            continue;
        const bool bySid = tcsWord(reference, ref, kTcsSid) != 0;
        const QList<int> candidates =
            bySid ? byId.value(idKey(reference, ref)) : byName.value(ChannelName(reference, ref));
        const auto free = std::find_if(candidates.begin(), candidates.end(), [&](int r) { return !taken.contains(r); });
        if (free != candidates.end()) {
            taken.insert(*free);
            order << *free;
        }
    }
    const int matched = int(order.size());
    for (int r : places)
        if (!taken.contains(r))
            order << r;
    PlaceChannels(tables, places, order);
    return matched;
}

TableResult LoadReference(ChannelTables &reference, const QString &tcsName, const QString &tptName)
{
    const auto isText = [](const QString &name) { return name.endsWith(QLatin1String(".txt"), Qt::CaseInsensitive); };
    if (isText(tcsName) != isText(tptName))
        return {QStringLiteral("Give both reference tables as binary files, or both as .txt files!")};
    if (isText(tcsName))
        return LoadText(reference, tcsName.chopped(4), tptName.chopped(4));
    return LoadBinary(reference, tcsName, tptName);
}

QString OrderLikeSummary(const QString &reference, int matched, int channels)
{
    return QStringLiteral("Ordered like %1: %2 of %3 channels matched.").arg(reference).arg(matched).arg(channels);
}

void ReorderTransponders(ChannelTables &tables, const QList<int> &order)
{
    std::array<quint8, kTptMaxRecords *kTptRecordSize> old = tables.TptTable;
    QHash<int, int> newNumber;   // old TP -> new TP
    for (qsizetype i = 0; i < order.size(); ++i) {
        std::copy_n(old.begin() + order[i] * kTptRecordSize, kTptRecordSize,
                    tables.TptTable.begin() + i * kTptRecordSize);
        newNumber.insert(order[i] + 1, int(i) + 1);
    }
    for (int r = 0; r < tables.TcsCount; ++r) {
        quint8 &tp = tcsByte(tables, r, kTcsTp);
        tp = quint8(newNumber.value(tp, tp));
    }
}

void MoveTransponder(ChannelTables &tables, int from, int to)
{
    if (from < 0 || from >= tables.TptCount || to < 0 || to >= tables.TptCount)
        return;
    QList<int> order(tables.TptCount);
    std::iota(order.begin(), order.end(), 0);
    order.move(from, to);
    ReorderTransponders(tables, order);
}

int ChannelsOnTransponder(const ChannelTables &tables, int index)
{
    int n = 0;
    for (int r = 0; r < tables.TcsCount; ++r)
        n += tcsByte(tables, r, kTcsTp) == index + 1 ? 1 : 0;
    return n;
}

void RemoveTransponder(ChannelTables &tables, int index, bool removeChannels)
{
    if (index < 0 || index >= tables.TptCount)
        return;
    QList<int> on;
    for (int r = 0; r < tables.TcsCount; ++r) {
        quint8 &tp = tcsByte(tables, r, kTcsTp);
        if (tp == index + 1) {
            on << r;
            tp = kNoTransponder;
        } else if (tp > index + 1 && tp <= tables.TptCount) {
            --tp;
        }
    }
    const auto table = tables.TptTable.begin();
    std::copy(table + (index + 1) * kTptRecordSize, table + tables.TptCount * kTptRecordSize,
              table + index * kTptRecordSize);
    --tables.TptCount;
    std::fill_n(table + tables.TptCount * kTptRecordSize, kTptRecordSize, 0);
    if (removeChannels)
        RemoveChannels(tables, on);
}

TransponderFields TransponderFieldsOf(const ChannelTables &tables, int index)
{
    const int r = index * kTptRecordSize;
    return {ReceivedKHz(tables, index), tables.TptTable[size_t(r + kTptSr)], tables.TptTable[size_t(r + kTptFec)],
            (tables.TptTable[size_t(r + kTptLnb)] & 2) != 0};
}

QString SetTransponder(ChannelTables &tables, int index, const TransponderFields &f)
{
    if (index < 0 || index >= tables.TptCount)
        return QStringLiteral("No transponder selected!");
    if (f.kHz < kLowestKHz || f.kHz > kHighestKHz)
        return QStringLiteral("Frequency out of %1..%2 kHz!").arg(kLowestKHz).arg(kHighestKHz);
    if (f.sr < 0 || f.sr > 0xFF)
        return QStringLiteral("SR code out of 00..FF!");
    if (f.fec < 0 || f.fec > 5)
        return QStringLiteral("Unknown code rate!");
    const int r = index * kTptRecordSize;
    int lnb = (tables.TptTable[size_t(r + kTptLnb)] & 1) | (f.horizontal ? 2 : 0);
    if (f.kHz < kAlwaysLowBelowKHz)
        lnb &= ~1;
    if (f.kHz > kAlwaysHighAboveKHz)
        lnb |= 1;
    PutFreqKHz(tables.TptTable, r + kTptFrequency,
               qint32(f.kHz - ((lnb & 1) ? kHighOscillatorKHz : kLowOscillatorKHz)));
    tables.TptTable[size_t(r + kTptSr)] = quint8(f.sr);
    tables.TptTable[size_t(r + kTptFec)] = quint8(f.fec);
    tables.TptTable[size_t(r + kTptLnb)] = quint8(lnb);
    return QString();
}
