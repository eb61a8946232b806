#pragma once
// One stored section read through bounds checks. Every read names its
// position and answers nothing (nullopt) when a byte it needs lies before
// the start or past the end of the section, instead of reading there.
#include "si/si_store.h"

#include <QByteArray>
#include <optional>

class SectionReader {
public:
    // Table t of the store; a table number the store does not have reads as an empty section.
    SectionReader(const SiStore &store, int t);

    int size() const { return size_; }
    // True when the count bytes from pos lie inside the section.
    [[nodiscard]] bool fits(int pos, int count) const { return pos >= 0 && count >= 0 && pos <= size_ - count; }
    [[nodiscard]] std::optional<quint8> u8(int pos) const;
    [[nodiscard]] std::optional<quint16> u16(int pos) const;    // most significant byte first
    [[nodiscard]] std::optional<int> length12(int pos) const;   // the low 12 bits of u16
    [[nodiscard]] std::optional<QByteArray> bytes(int pos, int count) const;

private:
    const quint8 *data_ = nullptr;
    int size_ = 0;
};
