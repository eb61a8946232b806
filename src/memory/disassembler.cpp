#include "memory/disassembler.h"

#include "link/conversions.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace {

struct SecondaryOp {
    qint32 code;
    std::string_view name;
};

// Secondary operations of the operate function, sorted by code. The negative
// codes are reached through NFIX. DEVMOVE has two codes.
constexpr std::array<SecondaryOp, 155> kSecondaryOps = {{
    {-0x84, "LDPRODID"},    {-0x83, "REBOOT"},
    {-0x44, "STCLOCK"},     {-0x43, "LDCLOCK"},
    {-0x42, "CLOCKDIS"},    {-0x41, "CLOCKENB"},
    {-0x40, "NOP"},         {-0x2C, "DEVMOVE"},
    {-0x22, "RESTART"},     {-0x21, "CAUSEERROR"},
    {-0x11, "IRET"},        {-0x10, "SWAPQUEUE"},
    {-0x0F, "SWAPTIMER"},   {-0x0E, "INSERTQUEUE"},
    {-0x0D, "TIMESLICE"},   {-0x0A, "TRAPDIS"},
    {-0x09, "TRAPENB"},     {-0x05, "TRET"},
    {-0x04, "LDSHADOW"},    {-0x03, "STSHADOW"},

    {0x00, "REV"},          {0x01, "LB"},
    {0x02, "BSUB"},         {0x03, "ENDP"},
    {0x04, "DIFF"},         {0x05, "ADD"},
    {0x06, "GCALL"},        {0x07, "IN"},
    {0x08, "PROD"},         {0x09, "GT"},
    {0x0A, "WSUB"},         {0x0B, "OUT"},
    {0x0C, "SUB"},          {0x0D, "STARTP"},
    {0x0E, "OUTBYTE"},      {0x0F, "OUTWORD"},

    {0x10, "SETERR"},       {0x12, "RESETCH"},
    {0x13, "CSUB0"},        {0x15, "STOPP"},
    {0x16, "LADD"},         {0x17, "STLB"},
    {0x18, "STHF"},         {0x19, "NORM"},
    {0x1A, "LDIV"},         {0x1B, "LDPI"},
    {0x1C, "STLF"},         {0x1D, "XDBLE"},
    {0x1E, "LDPRI"},        {0x1F, "REM"},

    {0x20, "RET"},          {0x21, "LEND"},
    {0x22, "LDTIMER"},      {0x29, "TESTERR"},
    {0x2A, "TESTPRANAL"},   {0x2B, "TIN"},
    {0x2C, "DIV"},          {0x2E, "DIST"},
    {0x2F, "DISC"},

    {0x30, "DISS"},         {0x31, "LMUL"},
    {0x32, "NOT"},          {0x33, "XOR"},
    {0x34, "BCNT"},         {0x35, "LSHR"},
    {0x36, "LSHL"},         {0x37, "LSUM"},
    {0x38, "LSUB"},         {0x39, "RUNP"},
    {0x3A, "XWORD"},        {0x3B, "SB"},
    {0x3C, "GAJW"},         {0x3D, "SAVEL"},
    {0x3E, "SAVEH"},        {0x3F, "WCNT"},

    {0x40, "SHR"},          {0x41, "SHL"},
    {0x42, "MINT"},         {0x43, "ALT"},
    {0x44, "ALTWT"},        {0x45, "ALTEND"},
    {0x46, "AND"},          {0x47, "ENBT"},
    {0x48, "ENBC"},         {0x49, "ENDBS"},
    {0x4A, "MOVE"},         {0x4B, "OR"},
    {0x4C, "CSNGL"},        {0x4D, "CCNT1"},
    {0x4E, "TALT"},         {0x4F, "LDIFF"},

    {0x50, "STHB"},         {0x51, "TALTWT"},
    {0x52, "SUM"},          {0x53, "MUL"},
    {0x54, "STTIMER"},      {0x55, "STOPERR"},
    {0x56, "CWORD"},        {0x57, "CLRHALTERR"},
    {0x58, "SETHALTERR"},   {0x59, "TESTHALTERR"},
    {0x5A, "DUP"},          {0x5B, "MOVE2DINIT"},
    {0x5C, "MOVE2DALL"},    {0x5D, "MOVE2DNONZERO"},
    {0x5E, "MOVE2DZERO"},   {0x5F, "GTU"},

    {0x63, "UNPACKSN"},     {0x64, "SLMUL"},
    {0x65, "SULMUL"},       {0x68, "SATADD"},
    {0x69, "SATSUB"},       {0x6A, "SATMUL"},
    {0x6C, "POSTNORMSN"},   {0x6D, "ROUNDSN"},
    {0x6E, "LDTRAPH"},      {0x6F, "STTRAPH"},

    {0x71, "LDINF"},        {0x72, "FMUL"},
    {0x73, "CFLERR"},       {0x74, "CRCWORD"},
    {0x75, "CRCBYTE"},      {0x76, "BITCNT"},
    {0x77, "BITREVWORD"},   {0x78, "BITREVNBITS"},
    {0x79, "POP"},          {0x7F, "LDMEMSTARTVAL"},

    {0x81, "WSUBDB"},       {0x9C, "FPTESTERR"},
    {0xB0, "SETTIMESLICE"}, {0xB8, "XBWORD"},
    {0xB9, "LBX"},          {0xBA, "CB"},
    {0xBB, "CBU"},

    {0xC1, "SSUB"},         {0xC4, "INTDIS"},
    {0xC5, "INTENB"},       {0xC6, "LDTRAPPED"},
    {0xC7, "CIR"},          {0xC8, "SS"},
    {0xCA, "LS"},           {0xCB, "STTRAPPED"},
    {0xCC, "CIRU"},         {0xCD, "GINTDIS"},
    {0xCE, "GINTENB"},

    {0xF0, "DEVLB"},        {0xF1, "DEVSB"},
    {0xF2, "DEVLS"},        {0xF3, "DEVSS"},
    {0xF4, "DEVMOVE"},      {0xF5, "DEVSW"},
    {0xF8, "XSWORD"},       {0xF9, "LSX"},
    {0xFA, "CS"},           {0xFB, "CSU"},
}};

constexpr bool strictlyIncreasing()
{
    for (std::size_t k = 1; k < kSecondaryOps.size(); ++k)
        if (kSecondaryOps[k - 1].code >= kSecondaryOps[k].code)
            return false;
    return true;
}
static_assert(strictlyIncreasing(), "secondary operations must be sorted by code for the binary search");

enum Function { J = 0, LDLP, PFIX, LDNL, LDC, LDNLP, NFIX, LDL, ADC, FCALL, CJ, AJW, EQC, STL, STNL, OPR };

constexpr std::array<const char *, 15> kDirectNames = {
    "J", "LDLP", "PFIX", "LDNL", "LDC", "LDNLP", "NFIX", "LDL", "ADC", "FCALL", "CJ", "AJW", "EQC", "STL", "STNL",
};

constexpr int kNameWidth = 16;
constexpr qint32 kLdpiCode = 0x1B;

QString fixedWidth(const QString &text) { return text.leftJustified(kNameWidth, QLatin1Char(' '), true); }

QString relativeTarget(qint32 address, qint32 offset)
{
    return QStringLiteral(" (") + Hex8(Add32(Add32(address, 1), offset)) + QLatin1Char(')');
}

// Name field and annotations of one decoded byte.
QString describe(int fn, qint32 operand, qint32 address, qint32 ldcValue)
{
    if (fn == OPR) {
        QString field = fixedWidth(SecondaryName(operand) + QLatin1Char('_') + Hex8(operand).right(4));
        if (operand == kLdpiCode && ldcValue != 0)
            field += QStringLiteral("        ") + relativeTarget(address, ldcValue);
        return field;
    }
    QString field = fixedWidth(QLatin1String(kDirectNames[fn])) + Hex8(operand);
    if (fn == J || fn == FCALL || fn == CJ)
        field += relativeTarget(address, operand);
    else if ((fn == LDNL || fn == LDNLP || fn == STNL) && operand != 0)
        field += QStringLiteral(" (Ar+") + Hex8(Mul32(operand, 4)) + QLatin1Char(')');
    return field;
}

}   // namespace

QString SecondaryName(qint32 code)
{
    auto it = std::lower_bound(kSecondaryOps.begin(), kSecondaryOps.end(), code,
                               [](const SecondaryOp &op, qint32 c) { return op.code < c; });
    if (it == kSecondaryOps.end() || it->code != code)
        return QStringLiteral("UNKNOWN");
    return QString::fromLatin1(it->name.data(), qsizetype(it->name.size()));
}

int SecondaryTableSize() { return int(kSecondaryOps.size()); }

QString Disassemble(const Page &page, qint32 pageNumber, DisasmState &state)
{
    return DisassembleBytes(page, Mul32(pageNumber, 256), state);
}

QString DisassembleBytes(std::span<const quint8> bytes, qint32 firstAddress, DisasmState &state)
{
    qint32 oreg = state.KeepOreg ? state.Oreg : 0;
    state.KeepOreg = false;
    qint32 ldcValue = 0;

    QString listing;
    listing.reserve(qsizetype(bytes.size()) * 48);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const quint8 b = bytes[i];
        const qint32 address = Add32(firstAddress, qint32(i));
        oreg = Mul32(oreg, 16);
        const int fn = b >> 4;
        qint32 operand = Add32(oreg, b & 0x0F);
        if (fn == PFIX)
            oreg = operand;
        else if (fn == NFIX)
            oreg = operand = ~operand;
        else if (fn == LDC)
            ldcValue = operand;

        if (i > 0)
            listing += QStringLiteral("\r\n");
        listing += Hex8(address) + QStringLiteral("  ") + Hex2(b) + QStringLiteral("  ")
            + describe(fn, operand, address, ldcValue);

        // Only the prefixes carry the operand register on; a remembered
        // constant survives its own LDC and the prefixes after it.
        if (fn != PFIX && fn != NFIX) {
            oreg = 0;
            if (fn != LDC)
                ldcValue = 0;
        }
    }
    state.Oreg = oreg;
    return listing;
}

void DisassembleRun(std::span<const quint8> bytes, qint32 firstAddress,
                    const std::function<void(const QString &piece)> &piece)
{
    constexpr std::size_t kPageBytes = 256;
    DisasmState state;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const auto address = quint32(firstAddress) + quint32(done);
        const std::size_t size = std::min(kPageBytes - address % kPageBytes, bytes.size() - done);
        state.KeepOreg = done > 0;
        piece(DisassembleBytes(bytes.subspan(done, size), qint32(address), state));
        done += size;
    }
}
