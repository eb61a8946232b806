#pragma once
// A decoder with two M29F800 chips behind command 02, as far as the flash
// tests need it: 32-bit writes answer with 3 characters and run the chips'
// command sequences (identification, block erase, word program, reset);
// reads come from a 2 MB array, or the identification data while the chips
// are in identification mode. Page reads "020180" and "0221" work too.
#include "flash/flash_access.h"
#include "link/channel.h"
#include "link/conversions.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <map>
#include <vector>

class FakeFlashChannel : public CommandChannel {
public:
    static constexpr quint32 kBase = 0x7FE00000;

    std::vector<quint8> mem = std::vector<quint8>(kFlashSize, 0xFF);
    quint8 evenMaker = 0x20, oddMaker = 0x20;
    quint8 evenDevice = 0xEC, oddDevice = 0xEC;
    // Protection status per block offset: {even chip, odd chip}, 0 or 1.
    std::map<qint32, std::pair<quint8, quint8>> protection;
    bool eraseWorks = true;
    // Returns a non-null text to replace the reply of transaction n (0-based).
    std::function<QString(int n, const QString &command)> fault;

    // record
    QStringList commands;
    QList<int> timeouts;
    QList<int> waits;
    int cmdTimeout = 4000;
    int reads = 0;        // 32-bit flash reads (FRead)
    int writes = 0;       // 32-bit writes
    int malformed = 0;    // command cycles whose odd byte was not the mirrored command
    bool identification = false;

    int transactions() const { return int(commands.size()); }
    quint32 Word(qint32 offset) const
    {
        return mem[offset] | mem[offset + 1] << 8 | mem[offset + 2] << 16 | quint32(mem[offset + 3]) << 24;
    }

    QString SendCmd(const QString &command, bool) override
    {
        const int n = int(commands.size());
        commands << command;
        const QString reply = Answer(command);
        if (fault) {
            const QString replaced = fault(n, command);
            if (!replaced.isNull())
                return replaced;
        }
        return reply;
    }
    void SetCmdTimeout(int ms) override
    {
        cmdTimeout = ms;
        timeouts << ms;
    }
    void Wait(int ms) override { waits << ms; }

private:
    enum class Step { Idle, Unlock1, Unlock2, EraseSetup, EraseUnlock1, EraseUnlock2, Program };
    Step step_ = Step::Idle;

    static quint32 Hex(const QString &t) { return t.toUInt(nullptr, 16); }
    static qint32 Offset(quint32 address) { return qint32((address - kBase) & (kFlashSize - 1)); }

    QString Answer(const QString &cmd)
    {
        if (cmd.startsWith("0220") && cmd.size() == 20) {
            ++writes;
            Write(Offset(Hex(cmd.mid(4, 8))), Hex(cmd.mid(12, 8)));
            return "020";
        }
        if (cmd.startsWith("022104") && cmd.size() == 14) {
            ++reads;
            return "022" + Hex8(qint32(Read(Offset(Hex(cmd.mid(6, 8))))));
        }
        if (cmd.startsWith("0221") && cmd.size() == 12)
            return "022" + Hex8(qint32(Read(Offset(Hex(cmd.mid(4, 8))))));
        if (cmd.startsWith("020180") && cmd.size() == 14) {
            const qint32 at = Offset(Hex(cmd.mid(6, 8)));
            QString reply = "020";
            for (int k = 0; k < 128; ++k)
                reply += Hex2(mem[(at + k) & (kFlashSize - 1)]);
            return reply;
        }
        return "02E";
    }

    quint32 IdWord(quint8 even, quint8 odd) const { return even | quint32(BMir(odd)) << 16; }

    quint32 Read(qint32 offset) const
    {
        if (identification) {
            if (offset == 0)
                return IdWord(evenMaker, oddMaker);
            if (offset == 4)
                return IdWord(evenDevice, oddDevice);
            if ((offset & 0x3FFF) == 8) {
                const auto it = protection.find(offset - 8);
                return it == protection.end() ? 0 : IdWord(it->second.first, it->second.second);
            }
        }
        return Word(offset & ~3);
    }

    void Write(qint32 offset, quint32 value)
    {
        if (step_ == Step::Program) {
            for (int k = 0; k < 4; ++k)
                mem[(offset & ~3) + k] &= quint8(value >> (8 * k));
            step_ = Step::Idle;
            return;
        }
        const quint8 cmd = quint8(value);
        if (value != (cmd | quint32(BMir(cmd)) << 16))
            ++malformed;
        if (cmd == 0xF0) {
            identification = false;
            step_ = Step::Idle;
            return;
        }
        step_ = Next(offset, cmd);
    }

    Step Next(qint32 offset, quint8 cmd)
    {
        const bool at555 = offset == kCmdAddr555, at2AA = offset == kCmdAddr2AA;
        switch (step_) {
        case Step::Idle: return at555 && cmd == 0xAA ? Step::Unlock1 : Step::Idle;
        case Step::Unlock1: return at2AA && cmd == 0x55 ? Step::Unlock2 : Step::Idle;
        case Step::Unlock2:
            if (at555 && cmd == 0x90)
                identification = true;
            if (at555 && cmd == 0xA0)
                return Step::Program;
            return at555 && cmd == 0x80 ? Step::EraseSetup : Step::Idle;
        case Step::EraseSetup: return at555 && cmd == 0xAA ? Step::EraseUnlock1 : Step::Idle;
        case Step::EraseUnlock1: return at2AA && cmd == 0x55 ? Step::EraseUnlock2 : Step::Idle;
        case Step::EraseUnlock2:
            if (cmd == 0x30 && eraseWorks)
                EraseBlockAt(offset);
            return Step::Idle;
        case Step::Program: return Step::Idle;
        }
        return Step::Idle;
    }

    // Blocks of the chips on the 32-bit bus: 128 KB each, the boot block
    // split into 32, 16, 16 and 64 KB parts.
    void EraseBlockAt(qint32 offset)
    {
        const bool bottomBoot = evenDevice == 0x58 || evenDevice == 0x5B;
        const qint32 bootStart = bottomBoot ? 0 : kFlashSize - 0x20000;
        qint32 start = offset & ~0x1FFFF, size = 0x20000;
        if (start == bootStart) {
            const qint32 inner = offset - start;
            const qint32 parts[][2] = {{0, 0x8000}, {0x8000, 0x4000}, {0xC000, 0x4000}, {0x10000, 0x10000}};
            for (const auto &p : parts) {
                const qint32 partStart = bottomBoot ? p[0] : 0x20000 - p[0] - p[1];
                if (inner >= partStart && inner < partStart + p[1]) {
                    start += partStart;
                    size = p[1];
                }
            }
        }
        std::fill(mem.begin() + start, mem.begin() + start + size, 0xFF);
    }
};
