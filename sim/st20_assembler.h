#pragma once
// A small ST20 assembler: one-byte instructions of a 4-bit function and a
// 4-bit datum, longer operands built with PFIX/NFIX prefixes, and branches
// and pointer loads to labels resolved by repeated sizing.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sim::st20 {

enum Function : uint8_t {
    J = 0x0,
    LDLP = 0x1,
    PFIX = 0x2,
    LDNL = 0x3,
    LDC = 0x4,
    LDNLP = 0x5,
    NFIX = 0x6,
    LDL = 0x7,
    ADC = 0x8,
    CALL = 0x9,
    CJ = 0xA,
    AJW = 0xB,
    EQC = 0xC,
    STL = 0xD,
    STNL = 0xE,
    OPR = 0xF,
};

// Operation codes selected by OPR.
namespace op {
constexpr int32_t REV = 0x00, LB = 0x01, BSUB = 0x02, DIFF = 0x04, ADD = 0x05, PROD = 0x08, GT = 0x09, WSUB = 0x0A,
                  SUB = 0x0C, LDPI = 0x1B, RET = 0x20, LDTIMER = 0x22, XOR = 0x33, SB = 0x3B, GAJW = 0x3C, SHR = 0x40,
                  SHL = 0x41, MINT = 0x42, AND = 0x46, MOVE = 0x4A, OR = 0x4B, DUP = 0x5A, LDPRODID = -0x84,
                  DEVMOVE = -0x2C, NOP = -0x40;
}

// Shortest prefix chain and final byte for function f with operand.
std::vector<uint8_t> encode(Function f, int32_t operand);

class Assembler {
public:
    explicit Assembler(uint32_t origin) : origin_(origin) {}

    int newLabel();
    void bind(int label);

    void put(Function f, int32_t operand);
    void opr(int32_t code) { put(OPR, code); }
    // J, CJ or CALL to a label of this routine or to an absolute address.
    void branch(Function f, int label);
    void branchTo(Function f, uint32_t address);
    // LDC + LDPI leaving the address of label in A.
    void pointer(int label);
    void data(const std::vector<uint8_t>& bytes);

    std::vector<uint8_t> assemble() const;

private:
    enum class Kind { Fixed, ToLabel, ToAddress, PointerTo, Data };
    struct Item {
        Kind kind;
        Function fn;
        int32_t operand;
        int label;
        uint32_t address;
        std::vector<uint8_t> bytes;
    };
    int32_t operandOf(const Item& item, uint32_t at, size_t length, const std::vector<uint32_t>& labels) const;

    uint32_t origin_;
    std::vector<Item> items_;
    std::vector<int> labelItem_;  // index of the item a label stands before
};

}  // namespace sim::st20
