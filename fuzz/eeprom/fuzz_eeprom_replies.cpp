// Fuzz target: the EEPROM page view, the whole-EEPROM read and the write
// loop with arbitrary reply texts, and the page box on arbitrary texts.
// Input: 1 byte flags (bit 0 I2C mode, bits 1-3 page, bit 4 STOP seen at
// the third check), then the replies separated by LF; replies that run out
// are empty (time-outs). The first reply is also used as the page box text.
#include "fuzz_support.h"
#include "eeprom/eeprom_ops.h"

#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

struct Status {
    QString text;
    int checks = 0;
    bool stop = false;
    OperationHooks Hooks()
    {
        OperationHooks h;
        h.setStatus = [this](const QString &t) { text = t; };
        h.status = [this] { return text; };
        h.stopRequested = [this] { return stop && ++checks > 2; };
        return h;
    }
};

void CheckPageView(const QStringList &replies, EepromMode mode, int page, bool stop)
{
    ScriptedChannel link(replies);
    Status status;
    status.stop = stop;
    const EeOutcome outcome = ShowEePage(link, mode, page, status.Hooks());
    if (outcome == EeOutcome::UserBreak) {
        check(status.text == QStringLiteral(" - User Break!"));
        return;
    }
    check(outcome == EeOutcome::Done);
    const QStringList rows = status.text.split(QStringLiteral("\r\n"));
    check(rows.size() == kEeRowsPerPage);
    for (const QString &row : rows)
        check(row.size() == 7 + 3 * 16 + 2 + 16);
}

void CheckRead(const QStringList &replies, EepromMode mode, bool stop)
{
    ScriptedChannel link(replies);
    Status status;
    status.stop = stop;
    EeImage image{};
    const EeOutcome outcome = ReadEeprom(link, mode, status.Hooks(), image);
    check(status.text.startsWith(QStringLiteral("Reading Page ")));
    if (outcome == EeOutcome::ReadError)
        check(status.text.endsWith(QStringLiteral(" - Read Error!")));
    else if (outcome == EeOutcome::UserBreak)
        check(status.text.endsWith(QStringLiteral(" - User Break!")));
    else
        check(outcome == EeOutcome::Done && status.text == QStringLiteral("Reading Page 7"));
}

void CheckWriteCommands(const QStringList &replies, EepromMode mode, int page)
{
    EeImage image{};
    for (int i = 0; i < kEeSize; ++i)
        image[i] = quint8(i);
    const QStringList commands = EeWritePageCommands(mode, page, image);
    check(commands.size() == (mode == EepromMode::Normal ? 2 : 16));
    for (const QString &c : commands)
        check(c.size() == (mode == EepromMode::Normal ? 263 : 39));
    for (const QString &reply : replies) {
        const bool expected = mode == EepromMode::Normal ? reply == QStringLiteral("060") : reply.size() == 39;
        check(EeWriteReplyOk(mode, reply) == expected);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const uint8_t flags = data[0];
    const EepromMode mode = flags & 1 ? EepromMode::I2C : EepromMode::Normal;
    const int page = (flags >> 1) & 7;
    const bool stop = flags & 0x10;
    const QString text = QString::fromLatin1(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    const QStringList replies = text.split(QLatin1Char('\n'));

    const QString box = NormalizeEePageText(replies.first());
    check(box >= QStringLiteral("0") && box <= QStringLiteral("7"));
    const int number = EePageNumber(replies.first());
    check(number >= 0 && number <= 7);
    check(PreviousEePageText(replies.first()).size() == 1 && NextEePageText(replies.first()).size() == 1);

    for (int row = 0; row < kEeRowsPerPage; ++row)
        check(EeRowView(mode, page, row, replies.value(row)).size() == 73);
    CheckPageView(replies, mode, page, stop);
    CheckRead(replies, mode, stop);
    CheckWriteCommands(replies, mode, page);
    return 0;
}
