// The benchmark sections.
#include "bench_support.h"

#include "link/memread.h"
#include "flash/flash_ops.h"
#include "flash/image.h"
#include "eeprom/eeprom_ops.h"
#include "memory/save_range.h"

#include <QElapsedTimer>
#include <algorithm>
#include <vector>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>
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
    termios t{};
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
            pollfd p{fd, POLLIN, 0};
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

// The quartile q (0..4) of sorted values, between neighbours.
double Quartile(const std::vector<double> &sorted, int q)
{
    const double at = (sorted.size() - 1) * q / 4.0;
    const size_t low = size_t(at);
    const size_t high = std::min(low + 1, sorted.size() - 1);
    return sorted[low] + (sorted[high] - sorted[low]) * (at - double(low));
}

bool BenchLink()
{
    // Short rounds alternate between the two clients on the same simulator,
    // each starting every other round, so that a change in the machine's
    // load falls on both; the ratio of each pair of rounds counts, and their
    // median and spread are printed.
    const int rounds = 31;
    const int count = 1000;
    SimLink s;
    if (!s.start(QString(), 9600))
        return false;
    LinkRate(*s.link, 500);   // warm-up
    std::vector<double> ratios, raws, links;
    for (int r = 0; r < rounds; ++r) {
        double viaLink = r % 2 ? LinkRate(*s.link, count) : 0;
        s.link->closePort();
        const double raw = RawClientRate(s.terminal, count);
        if (!s.link->openPort(s.terminal, "9600,E,7,1").isEmpty())
            return false;
        if (r % 2 == 0)
            viaLink = LinkRate(*s.link, count);
        if (raw <= 0)
            return false;
        ratios.push_back(viaLink / raw);
        raws.push_back(raw);
        links.push_back(viaLink);
    }
    for (auto *v : {&ratios, &raws, &links})
        std::sort(v->begin(), v->end());
    std::printf("link: %d rounds of %d transactions each without pacing, the two clients alternating\n", rounds, count);
    std::printf("  raw termios client  median %9.0f transactions/s\n", Quartile(raws, 2));
    std::printf("  SendCmd             median %9.0f transactions/s\n", Quartile(links, 2));
    std::printf("  SendCmd to raw, round by round: median %.3f (target >= 0.95), quartiles %.3f - %.3f, "
                "range %.3f - %.3f\n",
                Quartile(ratios, 2), Quartile(ratios, 1), Quartile(ratios, 3), ratios.front(), ratios.back());

    SimLink paced;
    if (!paced.start("--pace --speed 115200", 115200))
        return false;
    paced.link->closePort();
    const double rawPaced = RawClientRate(paced.terminal, 64, "02018040000000", B115200);
    if (!paced.link->openPort(paced.terminal, "115200,E,7,1").isEmpty())
        return false;
    Page page{};
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
    std::printf("  wall %.3f s, wire limit %.3f s: %.3f of the wire limit (target >= 0.97)\n", wall, wire, wire / wall);
    std::printf("  raw termios client on the same exchanges: %.3f of the wire limit\n",
                rawPaced * WireSeconds(15 + 260, 115200));
    std::printf("  CPU %.3f s = %.1f%% of wall time (target <= 5%%)\n", cpu, 100.0 * cpu / wall);
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

// Forwards to the link and keeps what the raw client needs to repeat the
// run: every command, and the waits the operation asks for on purpose.
class RecordingChannel : public CommandChannel {
public:
    explicit RecordingChannel(Link &link) : link_(link) {}
    QString SendCmd(const QString &command, bool show) override
    {
        commands << command;
        return link_.SendCmd(command, show);
    }
    void SetCmdTimeout(int ms) override { link_.SetCmdTimeout(ms); }
    void Wait(int ms) override
    {
        waitedSeconds += ms / 1000.0;
        link_.Wait(ms);
    }
    QStringList commands;
    double waitedSeconds = 0;

private:
    Link &link_;
};

struct RawRun {
    double seconds = 0;
    double characters = 0;   // written and read
    int unanswered = 0;
};

// The raw client repeats a recorded run command by command, each reply read
// up to its CR before the next command goes out.
RawRun RawReplay(const QString &terminal, const QStringList &commands, speed_t speed)
{
    RawRun run;
    const int fd = ::open(terminal.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    if (fd < 0)
        return run;
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    cfsetispeed(&t, speed);
    cfsetospeed(&t, speed);
    tcsetattr(fd, TCSANOW, &t);
    tcflush(fd, TCIOFLUSH);
    QElapsedTimer timer;
    timer.start();
    for (const QString &command : commands) {
        const QByteArray line = command.toLatin1() + '\r';
        if (::write(fd, line.constData(), size_t(line.size())) != line.size())
            break;
        run.characters += line.size();
        char buf[512];
        char last = 0;
        while (last != '\r') {
            pollfd p{fd, POLLIN, 0};
            const ssize_t n = poll(&p, 1, 4000) > 0 ? ::read(fd, buf, sizeof buf) : -1;
            if (n <= 0) {
                ++run.unanswered;
                break;
            }
            run.characters += double(n);
            last = buf[n - 1];
        }
    }
    run.seconds = timer.nsecsElapsed() / 1e9;
    ::close(fd);
    return run;
}

// Runs op through Kestrel on the paced simulator, then the same commands
// through the raw client, and prints both against the wire limit. The
// deliberate waits count in the limit and in the raw client's time.
void Measure(SimLink &s, const char *name, const std::function<bool(CommandChannel &)> &op)
{
    RecordingChannel channel(*s.link);
    const double cpu0 = CpuSeconds();
    const double user0 = UserCpuSeconds();
    QElapsedTimer timer;
    timer.start();
    const bool ok = op(channel);
    const double wall = timer.nsecsElapsed() / 1e9;
    const double cpu = CpuSeconds() - cpu0;
    const double user = UserCpuSeconds() - user0;
    s.link->closePort();
    const double rawCpu0 = CpuSeconds();
    const double rawUser0 = UserCpuSeconds();
    const RawRun raw = RawReplay(s.terminal, channel.commands, s.speed);
    const double rawCpu = CpuSeconds() - rawCpu0;
    const double rawUser = UserCpuSeconds() - rawUser0;
    if (const QString why = s.link->openPort(s.terminal, QString::number(s.baud) + ",E,7,1"); !why.isEmpty())
        std::fprintf(stderr, "cannot open %s again: %s\n", qPrintable(s.terminal), qPrintable(why));
    const double rawSeconds = raw.seconds + channel.waitedSeconds;
    const double wire = WireSeconds(raw.characters, s.baud) + channel.waitedSeconds;
    std::printf("  %-30s %6lld transactions  Kestrel %7.2f s  raw %7.2f s  wire %7.2f s\n", name,
                qlonglong(channel.commands.size()), wall, rawSeconds, wire);
    // The system share is mostly the kernel's cost of the port I/O and of
    // each sleep and wake-up, which both clients pay; the user share is
    // what the program itself adds.
    std::printf("  %-30s to the wire: Kestrel %.3f  raw %.3f   Kestrel to raw %.3f   CPU %.1f%% of wall, user %.1f%% "
                "(raw %.1f%%, user %.1f%%)%s%s\n",
                "", wire / wall, wire / rawSeconds, rawSeconds / wall, 100.0 * cpu / wall, 100.0 * user / wall,
                100.0 * rawCpu / raw.seconds, 100.0 * rawUser / raw.seconds, ok ? "" : "  [operation failed]",
                raw.unanswered ? "  [raw client missed replies]" : "");
}

const struct {
    MemReadMode mode;
    const char *name;
} kModes[] = {
    {MemReadMode::MultiByte, "Multi Byte (128)"},
    {MemReadMode::SingleDWord, "Single DWord (4)"},
    {MemReadMode::SingleWord, "Single Word (2)"},
    {MemReadMode::SingleByte, "Single Byte (1)"},
};

const QString kPaced = QStringLiteral("--pace --speed 115200");

bool BenchMemSave()
{
    const int pages = 32;
    QTemporaryDir dir;
    SimLink s;
    if (!s.start(kPaced, 115200))
        return false;
    s.link->SetCmdTimeout(750);
    std::printf("memsave: MEM --> File of %d pages, paced at 115200 bit/s\n", pages);
    for (const auto &m : kModes) {
        Measure(s, m.name, [&](CommandChannel &channel) {
            Page buf{};
            return SaveRange(channel, m.mode, 0x7FE800, 0x7FE800 + pages - 1, dir.filePath("memdump.bin"), buf,
                             OperationHooks())
                == SaveOutcome::Done;
        });
    }
    return true;
}

bool BenchEeprom()
{
    QTemporaryDir dir;
    SimLink s;
    if (!s.start(kPaced, 115200))
        return false;
    std::printf("eeprom: the whole 2048 bytes, paced at 115200 bit/s\n");
    for (EepromMode mode : {EepromMode::Normal, EepromMode::I2C}) {
        const QString modeName = mode == EepromMode::Normal ? "Normal" : "I2C";
        const QString file = dir.filePath("eeprom.bin");
        Measure(s, qPrintable("read, " + modeName), [&](CommandChannel &channel) {
            EeImage image{};
            if (ReadEeprom(channel, mode, OperationHooks(), image) != EeOutcome::Done)
                return false;
            QFile f(file);
            return f.open(QIODevice::WriteOnly)
                && f.write(reinterpret_cast<const char *>(image.data()), kEeSize) == kEeSize;
        });
        Measure(s, qPrintable("write, " + modeName), [&](CommandChannel &channel) {
            AgreeingPrompter yes;
            return WriteEeprom(channel, mode, yes, OperationHooks(), file) == EeOutcome::Done;
        });
    }
    return true;
}

bool BenchProgram()
{
    SimLink s;
    if (!s.start(kPaced + " --flash-device 58", 115200))
        return false;
    s.link->SetCmdTimeout(750);
    // The image: the decoder's own second 64 KB block, erased space elsewhere.
    const qint32 block = 0x10000;
    QByteArray image(kImageSize, char(0xFF));
    Page page{};
    for (qint32 p = 0; p < 256; ++p) {
        if (MemRead(*s.link, MemReadMode::MultiByte, page, 0x7FE000 + (block >> 8) + p))
            return false;
        std::copy(page.begin(), page.end(), image.begin() + block + p * 256);
    }
    const std::span<const quint8> bytes(reinterpret_cast<const quint8 *>(image.constData()), size_t(image.size()));
    std::printf("program: one 64 KB block (7FE10000), bottom-boot chips, paced at 115200 bit/s\n");
    for (bool ignoreEmpty : {false, true}) {
        Measure(s, ignoreEmpty ? "Ignore empty space on" : "Ignore empty space off", [&](CommandChannel &channel) {
            return ProgramDataFlashImage(channel, OperationHooks(), bytes, {false, true, false, false, false}, true,
                                         [ignoreEmpty] { return ignoreEmpty; })
                == FlashOutcome::Done;
        });
    }
    return true;
}

}   // namespace

namespace {

struct BenchSection {
    const char *name;
    bool (*run)();
};
const BenchSection kSections[] = {
    {"link", BenchLink}, {"memsave", BenchMemSave}, {"eeprom", BenchEeprom}, {"program", BenchProgram},
    {"soak", BenchSoak}, {"tables", BenchTables},   {"si", BenchSi},         {"screenshot", BenchScreenshot},
    {"road", BenchRoad},
};

}   // namespace

QStringList AllBenchSections()
{
    QStringList names;
    for (const BenchSection &section : kSections)
        names << section.name;
    return names;
}

bool RunBenchSection(const QString &name)
{
    for (const BenchSection &section : kSections)
        if (name == section.name)
            return section.run();
    return false;
}
