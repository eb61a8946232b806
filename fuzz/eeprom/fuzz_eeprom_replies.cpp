// Fuzz target: the EEPROM page view, the backup read and the write replies
// with arbitrary reply texts, and the page box on arbitrary texts. Input:
// 1 byte flags (bit 0 I2C mode, bits 1-3 page, bit 4 STOP seen at the third
// check), then the replies separated by LF (replies that run out are
// time-outs); the first reply is also the page box text.
#include "fuzz_support.h"
#include "eeprom/eeprom_ops.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const EepromMode mode = data[0] & 1 ? EepromMode::I2C : EepromMode::Normal;
    const QString text = QString::fromLatin1(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    const QStringList replies = text.split('\n');
    const int page = EePageNumber(replies.first());
    check(page >= 0 && page <= 7 && NormalizeEePageText(replies.first()).startsWith(QString::number(page)));

    QString status;
    int checks = 0;
    const OperationHooks hooks{[&] { return (data[0] & 0x10) && ++checks > 2; }, [&](const QString &t) { status = t; },
                               [&] { return status; }};
    ScriptedChannel view(replies), read(replies);
    if (ShowEePage(view, mode, (data[0] >> 1) & 7, hooks) == EeOutcome::Done)
        check(status.count(QStringLiteral("\r\n")) == 15 && status.size() == 16 * 73 + 15 * 2);
    else
        check(status == QStringLiteral(" - User Break!"));
    checks = 0;
    EeImage image{};
    const EeOutcome outcome = ReadEeprom(read, mode, hooks, image);
    const QString end = QStringLiteral(" - ") + (outcome == EeOutcome::ReadError ? "Read Error!" : "User Break!");
    check(outcome == EeOutcome::Done ? status == QStringLiteral("Reading Page 7")
                                     : status.startsWith(QStringLiteral("Reading Page ")) && status.endsWith(end));
    for (const QString &r : replies)
        check(EeWriteReplyOk(mode, r) == (mode == EepromMode::I2C ? r.size() == 39 : r == QStringLiteral("060")));
    return 0;
}
