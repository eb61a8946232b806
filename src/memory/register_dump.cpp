#include "memory/register_dump.h"

namespace {

constexpr int kRows = 16;
constexpr int kColumns = 16;
constexpr int kDemodReplyLength = 5;
constexpr int kI2CReplyLength = 41;
constexpr int kDemodDataIndex = 3;   // characters 4-5
constexpr int kI2CDataIndex = 9;     // characters 10-41

QChar digit(int n) { return QLatin1Char("0123456789ABCDEF"[n & 0x0F]); }

void finishRow(QString &dump, int row, const RowProgress &progress)
{
    if (row != kRows - 1)
        dump += QStringLiteral("\r\n");
    if (progress)
        progress(QString(kRows - 1 - row, QLatin1Char('=')));
}

}   // namespace

QString NormaliseSlave(const QString &text)
{
    const QString upper = text.toUpper();
    return upper.size() == 1 ? QLatin1Char('0') + upper : upper;
}

QString DumpDemodulator(CommandChannel &link, const RowProgress &progress)
{
    QString dump;
    for (int r = 0; r < kRows; ++r) {
        dump += digit(r) + QStringLiteral("0 : ");
        for (int c = 0; c < kColumns; ++c) {
            const QString reply = link.SendCmd(QStringLiteral("251") + digit(r) + digit(c), false);
            const QString value =
                reply.size() == kDemodReplyLength ? reply.mid(kDemodDataIndex, 2) : QStringLiteral("--");
            dump += value + QLatin1Char(' ');
        }
        finishRow(dump, r, progress);
    }
    return dump;
}

QString DumpI2C(CommandChannel &link, const QString &slave, const RowProgress &progress)
{
    QString dump;
    for (int r = 0; r < kRows; ++r) {
        const QString reply = link.SendCmd(QStringLiteral("272") + slave + digit(r) + QStringLiteral("010"), false);
        const bool valid = reply.size() == kI2CReplyLength;
        dump += slave + digit(r) + QStringLiteral("0 : ");
        for (int c = 0; c < kColumns; ++c)
            dump += (valid ? reply.mid(kI2CDataIndex + 2 * c, 2) : QStringLiteral("--")) + QLatin1Char(' ');
        finishRow(dump, r, progress);
    }
    return dump;
}

RegisterDump ReadRegisters(CommandChannel &link, RegisterSpace space, const QString &slaveText,
                           const RowProgress &progress)
{
    link.SetCmdTimeout(kRegisterCmdTimeoutMs);
    if (space == RegisterSpace::Demodulator)
        return {DumpDemodulator(link, progress), QString()};
    const QString slave = NormaliseSlave(slaveText);
    return {DumpI2C(link, slave, progress), slave};
}
