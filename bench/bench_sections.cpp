// The benchmark sections.
#include "bench_support.h"

#include "link/memread.h"
#include "flash/flash_ops.h"
#include "flash/image.h"
#include "memory/save_range.h"

#include <QElapsedTimer>
#include <algorithm>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

const QString kProbe = QStringLiteral("020140000000");   // one byte of RAM

// The smallest client that can talk to the simulator: blocking termios I/O,
// reading whatever has arrived until the reply's CR.
double RawClientRate(const QString &terminal, int count, const QString &command = kProbe, speed_t speed = B9600)
{
    const int fd = ::open(terminal.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    if (fd < 0)
        return 0;
    termios t {};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    cfsetispeed(&t, speed);
    cfsetospeed(&t, speed);
    tcsetattr(fd, TCSANOW, &t);
    tcflush(fd, TCIOFLUSH);
    const QByteArray line = command.toLatin1() + '\r';
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < count; ++i) {
        if (::write(fd, line.constData(), size_t(line.size())) != line.size())
            break;
        char buf[512];
        char last = 0;
        while (last != '\r') {
            pollfd p {fd, POLLIN, 0};
            const ssize_t n = poll(&p, 1, 4000) > 0 ? ::read(fd, buf, sizeof buf) : -1;
            if (n <= 0)
                break;
            last = buf[n - 1];
        }
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    ::close(fd);
    return count / seconds;
}

double LinkRate(Link &link, int count)
{
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < count; ++i)
        link.SendCmd(kProbe, false);
    return count / (timer.nsecsElapsed() / 1e9);
}

bool BenchLink()
{
    // Rounds alternate between the two clients on the same simulator; the
    // best round of each counts, which keeps a busy machine out of the ratio.
    const int rounds = 7;
    const int count = 5000;
    SimLink s;
    if (!s.start(QString(), 9600))
        return false;
    LinkRate(*s.link, 500);   // warm-up
    double raw = 0;
    double viaLink = 0;
    for (int r = 0; r < rounds; ++r) {
        s.link->closePort();
        raw = std::max(raw, RawClientRate(s.terminal, count));
        s.link->openPort(s.terminal, "9600,E,7,1");
        viaLink = std::max(viaLink, LinkRate(*s.link, count));
    }
    std::printf("link: best of %d rounds of %d transactions without pacing\n", rounds, count);
    std::printf("  raw termios client  %9.0f transactions/s\n", raw);
    std::printf("  SendCmd             %9.0f transactions/s  (%.3f of the raw client; target >= 0.95)\n", viaLink,
                viaLink / raw);

    SimLink paced;
    if (!paced.start("--pace --speed 115200", 115200))
        return false;
    paced.link->closePort();
    const double rawPaced = RawClientRate(paced.terminal, 64, "02018040000000", B115200);
    paced.link->openPort(paced.terminal, "115200,E,7,1");
    Page page {};
    const int pages = 64;
    const double cpu0 = CpuSeconds();
    QElapsedTimer timer;
    timer.start();
    int failures = 0;
    for (int p = 0; p < pages; ++p)
        failures += MemRead(*paced.link, MemReadMode::MultiByte, page, 0x400000 + p) ? 1 : 0;
    const double wall = timer.nsecsElapsed() / 1e9;
    const double cpu = CpuSeconds() - cpu0;
    const double wire = WireSeconds(2.0 * pages * (15 + 260), 115200);
    std::printf("link: %d pages with MemRead, Multi Byte, paced at 115200 bit/s (%d failed)\n", pages, failures);
    std::printf("  wall %.3f s, wire limit %.3f s: %.3f of the wire limit (target >= 0.97)\n", wall, wire,
                wire / wall);
    std::printf("  raw termios client on the same exchanges: %.3f of the wire limit\n",
                rawPaced * WireSeconds(15 + 260, 115200));
    std::printf("  CPU %.3f s = %.1f%% of wall time (target <= 5%%)\n", cpu, 100.0 * cpu / wall);
    return true;
}

struct ModeCost {
    MemReadMode mode;
    const char *name;
    int transactionsPerPage;
    int charactersPerTransaction;   // command + CR, reply + CR
};
const ModeCost kModes[] = {
    {MemReadMode::MultiByte, "Multi Byte (128)", 2, 15 + 260},
    {MemReadMode::SingleDWord, "Single DWord (4)", 64, 13 + 12},
    {MemReadMode::SingleWord, "Single Word (2)", 128, 13 + 8},
    {MemReadMode::SingleByte, "Single Byte (1)", 256, 13 + 6},
};

bool BenchMemSave()
{
    const int pages = 256;
    QTemporaryDir dir;
    std::printf("memsave: MEM --> File of %d pages, paced at 115200 bit/s\n", pages);
    for (const ModeCost &m : kModes) {
        SimLink s;
        if (!s.start("--pace --speed 115200", 115200))
            return false;
        s.link->CmdTimeout = 750;
        Page buf {};
        QElapsedTimer timer;
        timer.start();
        const SaveOutcome outcome = SaveRange(*s.link, m.mode, 0x7FE800, 0x7FE800 + pages - 1,
                                              dir.filePath("memdump.bin"), buf, OperationHooks());
        const double wall = timer.nsecsElapsed() / 1e9;
        const double wire = WireSeconds(double(pages) * m.transactionsPerPage * m.charactersPerTransaction, 115200);
        std::printf("  %-17s wall %8.3f s, wire limit %8.3f s: %.3f of the wire limit%s%s\n", m.name, wall, wire,
                    wire / wall, m.mode == MemReadMode::MultiByte ? " (target >= 0.97)" : "",
                    outcome == SaveOutcome::Done ? "" : "  [save failed]");
    }
    return true;
}

bool BenchSoak()
{
    const int total = 200000;
    SimLink s;
    if (!s.start(QString(), 9600))
        return false;
    std::printf("soak: %d transactions without pacing\n", total);
    std::printf("  resident at start   %ld KiB\n", ResidentKiB());
    int empty = 0;
    for (int i = 1; i <= total; ++i) {
        empty += s.link->SendCmd(kProbe, false).isEmpty() ? 1 : 0;
        if (i % 50000 == 0)
            std::printf("  after %6d        %ld KiB\n", i, ResidentKiB());
    }
    std::printf("  empty replies: %d\n", empty);
    return true;
}

int CountCommands(const QString &traceFile)
{
    QFile f(traceFile);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    int n = 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        n += line.startsWith("> ") ? 1 : 0;
    return n;
}

bool WordIsErased(const QByteArray &image, qint32 a)
{
    return image.mid(a, 4) == QByteArray(4, char(0xFF));
}

// Transactions and wire characters that programming one 64 KB block implies:
// the erase sequence (six command cycles and the blank check), then per word
// processed a read-back, and three command cycles and the data write for a
// word that is not FFFFFFFF. Command cycles and writes are 21 + 4 characters
// on the wire, read-backs 15 + 12.
struct ProgramCost {
    int transactions = 7;
    double characters = 6 * 25 + 27;
};
ProgramCost ExpectedProgramCost(const QByteArray &image, qint32 s, bool ignoreEmpty)
{
    const std::span<const quint8> bytes(reinterpret_cast<const quint8 *>(image.constData()), size_t(image.size()));
    const qint32 used = ignoreEmpty ? UsedEnd(bytes, s) : s + 0xFFFC;
    ProgramCost cost;
    for (qint32 a = s; a <= s + 0xFFFC; a += 4) {
        if (a > used && a != s + 0xFFFC)
            continue;
        const bool erased = WordIsErased(image, a);
        cost.transactions += erased ? 1 : 5;
        cost.characters += erased ? 27 : 127;
    }
    return cost;
}

bool BenchProgram()
{
    QTemporaryDir dir;
    const QString trace = dir.filePath("trace.log");
    SimLink s;
    if (!s.start("--pace --speed 115200 --flash-device 58 --trace " + trace, 115200))
        return false;
    s.link->CmdTimeout = 750;
    // The image: the decoder's own second 64 KB block, erased space elsewhere.
    const qint32 block = 0x10000;
    QByteArray image(kImageSize, char(0xFF));
    Page page {};
    for (qint32 p = 0; p < 256; ++p) {
        if (MemRead(*s.link, MemReadMode::MultiByte, page, 0x7FE000 + (block >> 8) + p))
            return false;
        std::copy(page.begin(), page.end(), image.begin() + block + p * 256);
    }
    const std::span<const quint8> bytes(reinterpret_cast<const quint8 *>(image.constData()), size_t(image.size()));
    std::printf("program: one 64 KB block (7FE10000), bottom-boot chips, paced at 115200 bit/s\n");
    // What two processes on a paced line can reach with transactions this short.
    s.link->closePort();
    const int probes = 2000;
    const double rawRate = RawClientRate(s.terminal, probes, "0221047FE10000", B115200);
    std::printf("  raw termios client, %d read-backs: %.3f of the wire limit\n", probes,
                rawRate * WireSeconds(15 + 12, 115200));
    s.link->openPort(s.terminal, "115200,E,7,1");
    for (bool ignoreEmpty : {false, true}) {
        const int before = CountCommands(trace);
        QElapsedTimer timer;
        timer.start();
        const FlashOutcome outcome = ProgramDataFlashImage(*s.link, OperationHooks(), bytes,
                                                           {false, true, false, false, false}, true,
                                                           [ignoreEmpty] { return ignoreEmpty; });
        const double wall = timer.nsecsElapsed() / 1e9;
        const int counted = CountCommands(trace) - before;
        const ProgramCost cost = ExpectedProgramCost(image, block, ignoreEmpty);
        const double limit = WireSeconds(cost.characters, 115200) + 2.0;   // + the 2 s erase wait
        std::printf("  Ignore empty space %-3s: %d transactions in the trace, %d implied%s\n",
                    ignoreEmpty ? "on" : "off", counted, cost.transactions,
                    outcome == FlashOutcome::Done ? "" : "  [programming failed]");
        std::printf("    wall %.3f s, wire limit + 2 s erase wait %.3f s: %.3f of the limit (target >= 0.97)\n",
                    wall, limit, limit / wall);
    }
    return true;
}

} // namespace

QStringList AllBenchSections() { return {"link", "memsave", "program", "soak"}; }

bool RunBenchSection(const QString &name)
{
    if (name == "link")
        return BenchLink();
    if (name == "memsave")
        return BenchMemSave();
    if (name == "program")
        return BenchProgram();
    if (name == "soak")
        return BenchSoak();
    return false;
}
