#include "firmware_image.h"

#include "st20_assembler.h"

#include <functional>

namespace sim {

namespace {

using namespace st20;

struct RoutineContext {
    uint32_t variant;                      // varies constants and registers
    const std::vector<uint32_t>* earlier;  // entry points already placed
    uint32_t pick(uint32_t salt) const
    {
        if (earlier->empty())
            return kFirmwareBase;
        return (*earlier)[(variant * 7 + salt * 13) % earlier->size()];
    }
};

using Routine = std::function<void(Assembler&, const RoutineContext&)>;

// Writes a value to a peripheral register in the 2000xxxx area.
void setRegister(Assembler& a, const RoutineContext& c)
{
    a.put(AJW, -2);
    a.put(LDC, static_cast<int32_t>(0x20004000 + 4 * (c.variant % 16)));
    a.put(STL, 0);
    a.put(LDC, static_cast<int32_t>((c.variant * 37) % 0x400));
    a.put(LDL, 0);
    a.put(STNL, 0);
    a.put(LDC, static_cast<int32_t>(0x40000000 + (c.variant * 0x140) % 0x100000));
    a.put(LDL, 0);
    a.put(STNL, 1 + static_cast<int32_t>(c.variant % 20));
    a.put(AJW, 2);
    a.opr(op::RET);
}

void copyBlock(Assembler& a, const RoutineContext& c)
{
    a.put(AJW, -4);
    a.put(LDL, 5);
    a.put(LDL, 6);
    a.put(LDL, 7);
    a.opr(op::MOVE);
    a.put(LDC, static_cast<int32_t>(c.variant % 3));
    a.put(AJW, 4);
    a.opr(op::RET);
}

void sumLoop(Assembler& a, const RoutineContext& c)
{
    const int loop = a.newLabel();
    a.put(AJW, -2);
    a.put(LDC, static_cast<int32_t>(8 + c.variant % 300));
    a.put(STL, 1);
    a.put(LDC, 0);
    a.put(STL, 0);
    a.bind(loop);
    a.put(LDL, 0);
    a.put(LDL, 1);
    a.opr(op::ADD);
    a.put(STL, 0);
    a.put(LDL, 1);
    a.put(ADC, -1);
    a.opr(op::DUP);
    a.put(STL, 1);
    a.put(EQC, 0);
    a.branch(CJ, loop);
    a.put(LDL, 0);
    a.put(AJW, 2);
    a.opr(op::RET);
}

// Looks a word up in a table that follows the code (LDC + LDPI).
void tableLookup(Assembler& a, const RoutineContext& c)
{
    const int table = a.newLabel();
    a.put(LDL, 1);
    a.pointer(table);
    a.opr(op::WSUB);
    a.put(LDNL, 0);
    a.opr(op::RET);
    a.bind(table);
    std::vector<uint8_t> words;
    for (uint32_t i = 0; i < 4 + c.variant % 5; ++i) {
        const uint32_t entry = c.pick(i);
        for (int shift = 0; shift < 32; shift += 8)
            words.push_back(static_cast<uint8_t>(entry >> shift));
    }
    a.data(words);
}

void productCheck(Assembler& a, const RoutineContext& c)
{
    const int other = a.newLabel();
    a.opr(op::LDPRODID);
    a.put(EQC, static_cast<int32_t>(c.variant % 16));
    a.branch(CJ, other);
    a.put(LDC, 1);
    a.opr(op::RET);
    a.bind(other);
    a.put(LDC, 0);
    a.opr(op::RET);
}

// Moves a block to a device and notes it in on-chip memory (8000xxxx).
void deviceTransfer(Assembler& a, const RoutineContext& c)
{
    a.put(LDL, 1);
    a.put(LDL, 2);
    a.put(LDL, 3);
    a.opr(op::DEVMOVE);
    a.put(LDL, 3);
    a.put(LDC, static_cast<int32_t>(0x80000040 + 4 * (c.variant % 64)));
    a.put(STNL, 0);
    a.opr(op::RET);
}

void dispatcher(Assembler& a, const RoutineContext& c)
{
    const int skip = a.newLabel();
    a.put(AJW, -4);
    a.put(LDL, 5);
    a.branchTo(CALL, c.pick(1));
    a.put(LDL, 6);
    a.branchTo(CALL, c.pick(2));
    a.put(EQC, 0);
    a.branch(CJ, skip);
    a.put(LDL, 7);
    a.branchTo(CALL, c.pick(3));
    a.bind(skip);
    a.put(AJW, 4);
    a.opr(op::RET);
}

void timerWait(Assembler& a, const RoutineContext& c)
{
    const int loop = a.newLabel();
    const int done = a.newLabel();
    a.put(AJW, -1);
    a.opr(op::LDTIMER);
    a.put(LDC, static_cast<int32_t>(1000 + 250 * (c.variant % 40)));
    a.opr(op::ADD);
    a.put(STL, 0);
    a.bind(loop);
    a.put(LDL, 0);
    a.opr(op::LDTIMER);
    a.opr(op::GT);
    a.branch(CJ, done);
    a.branch(J, loop);
    a.bind(done);
    a.put(AJW, 1);
    a.opr(op::RET);
}

void bitMerge(Assembler& a, const RoutineContext& c)
{
    a.put(LDL, 1);
    a.put(LDC, 0xFF);
    a.opr(op::AND);
    a.put(LDC, static_cast<int32_t>(4 + c.variant % 4));
    a.opr(op::SHL);
    a.put(LDL, 2);
    a.opr(op::OR);
    a.put(LDL, 3);
    a.opr(op::XOR);
    a.opr(op::RET);
}

void byteCopy(Assembler& a, const RoutineContext& c)
{
    a.put(LDL, 1);
    a.put(LDNLP, static_cast<int32_t>(c.variant % 600));
    a.opr(op::LB);
    a.put(LDL, 2);
    a.opr(op::SB);
    a.put(LDL, 2);
    a.put(ADC, 1);
    a.put(STL, 2);
    a.opr(op::RET);
}

const std::vector<Routine>& routines()
{
    static const std::vector<Routine> table = {setRegister,    copyBlock,  sumLoop,   tableLookup, productCheck,
                                               deviceTransfer, dispatcher, timerWait, bitMerge,    byteCopy};
    return table;
}

// Sets up a workspace below the top of on-chip memory, programs the serial
// speed and calls the first routine; then idles.
std::vector<uint8_t> bootCode(uint32_t firstRoutine)
{
    Assembler a(kBootCodeAddress);
    const int idle = a.newLabel();
    a.opr(op::MINT);
    a.put(LDNLP, 0x400);
    a.opr(op::GAJW);
    a.put(LDC, 0x145);
    a.put(LDC, 0x20004000);
    a.put(STNL, 0);
    a.branchTo(CALL, firstRoutine);
    a.bind(idle);
    a.branch(J, idle);
    return a.assemble();
}

}  // namespace

std::vector<uint8_t> buildFirmwareImage()
{
    std::vector<uint8_t> image;
    image.reserve(kFirmwareSize);
    std::vector<uint32_t> entries;
    const uint32_t codeEnd = kBootCodeAddress - kFirmwareBase;
    for (uint32_t variant = 0;; ++variant) {
        const uint32_t start = kFirmwareBase + static_cast<uint32_t>(image.size());
        Assembler a(start);
        RoutineContext context{variant, &entries};
        routines()[variant % routines().size()](a, context);
        const auto code = a.assemble();
        if (image.size() + code.size() > codeEnd)
            break;
        image.insert(image.end(), code.begin(), code.end());
        entries.push_back(start);
    }
    image.resize(codeEnd, 0xFF);
    const auto boot = bootCode(kFirmwareBase);
    image.insert(image.end(), boot.begin(), boot.end());
    image.resize(kFirmwareSize - 2, 0xFF);
    // Reset entry at 7FFFFFFE: NFIX F, J 0 jumps back to the boot code.
    image.push_back(0x6F);
    image.push_back(0x00);
    return image;
}

}  // namespace sim
