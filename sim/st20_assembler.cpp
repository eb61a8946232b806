#include "st20_assembler.h"

namespace sim::st20 {

std::vector<uint8_t> encode(Function f, int32_t operand)
{
    std::vector<uint8_t> out;
    if (operand >= 16) {
        out = encode(PFIX, operand >> 4);
    } else if (operand < 0) {
        out = encode(NFIX, static_cast<int32_t>(~static_cast<uint32_t>(operand)) >> 4);
    }
    out.push_back(static_cast<uint8_t>((f << 4) | (static_cast<uint32_t>(operand) & 0xF)));
    return out;
}

int Assembler::newLabel()
{
    labelItem_.push_back(-1);
    return static_cast<int>(labelItem_.size()) - 1;
}

void Assembler::bind(int label) { labelItem_[static_cast<size_t>(label)] = static_cast<int>(items_.size()); }

void Assembler::put(Function f, int32_t operand) { items_.push_back({Kind::Fixed, f, operand, -1, 0, {}}); }

void Assembler::branch(Function f, int label) { items_.push_back({Kind::ToLabel, f, 0, label, 0, {}}); }

void Assembler::branchTo(Function f, uint32_t address) { items_.push_back({Kind::ToAddress, f, 0, -1, address, {}}); }

void Assembler::pointer(int label)
{
    items_.push_back({Kind::PointerTo, LDC, 0, label, 0, {}});
    opr(op::LDPI);
}

void Assembler::data(const std::vector<uint8_t>& bytes) { items_.push_back({Kind::Data, OPR, 0, -1, 0, bytes}); }

int32_t Assembler::operandOf(const Item& item, uint32_t at, size_t length, const std::vector<uint32_t>& labels) const
{
    const uint32_t next = at + static_cast<uint32_t>(length);
    switch (item.kind) {
    case Kind::ToLabel: return static_cast<int32_t>(labels[static_cast<size_t>(item.label)] - next);
    case Kind::ToAddress: return static_cast<int32_t>(item.address - next);
    case Kind::PointerTo:
        return static_cast<int32_t>(labels[static_cast<size_t>(item.label)] - (next + 2));  // LDPI is 21 FB
    default: return item.operand;
    }
}

std::vector<uint8_t> Assembler::assemble() const
{
    // Lengths only grow, so the sizing settles; a longer slot than needed is
    // filled with leading PFIX 0, which leaves the operand unchanged.
    std::vector<size_t> length(items_.size(), 1);
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i].kind == Kind::Data)
            length[i] = items_[i].bytes.size();
    std::vector<uint32_t> at(items_.size() + 1);
    std::vector<uint32_t> labels(labelItem_.size());
    for (bool changed = true; changed;) {
        changed = false;
        at[0] = origin_;
        for (size_t i = 0; i < items_.size(); ++i)
            at[i + 1] = at[i] + static_cast<uint32_t>(length[i]);
        for (size_t l = 0; l < labelItem_.size(); ++l)
            labels[l] = at[static_cast<size_t>(labelItem_[l])];
        for (size_t i = 0; i < items_.size(); ++i) {
            if (items_[i].kind == Kind::Data)
                continue;
            const size_t needed = encode(items_[i].fn, operandOf(items_[i], at[i], length[i], labels)).size();
            if (needed > length[i]) {
                length[i] = needed;
                changed = true;
            }
        }
    }
    std::vector<uint8_t> out;
    for (size_t i = 0; i < items_.size(); ++i) {
        if (items_[i].kind == Kind::Data) {
            out.insert(out.end(), items_[i].bytes.begin(), items_[i].bytes.end());
            continue;
        }
        const auto code = encode(items_[i].fn, operandOf(items_[i], at[i], length[i], labels));
        out.insert(out.end(), length[i] - code.size(), static_cast<uint8_t>(PFIX << 4));
        out.insert(out.end(), code.begin(), code.end());
    }
    return out;
}

}  // namespace sim::st20
