// The kestrel-sim program itself, driven over its pseudo-terminal with plain
// termios calls, as the application's serial port would.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cerrno>
#include <csignal>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kReplyWaitMs = 3000;
constexpr int kSilenceMs = 400;  // long enough to tell "no reply" on a quiet machine
constexpr int kSettleMs = 1000;  // to collect a reply that does not end in CR

speed_t speedCode(int baud)
{
    switch (baud) {
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    default:
        return B9600;
    }
}

// The terminal side, opened and set up as a serial port program does.
class Terminal {
public:
    ~Terminal() { close(); }

    bool open(const QString& path, int baud = 9600)
    {
        fd_ = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        return fd_ >= 0 && setSpeed(baud);
    }

    void close()
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

    bool setSpeed(int baud)
    {
        termios tio{};
        if (tcgetattr(fd_, &tio) != 0)
            return false;
        cfmakeraw(&tio);
        tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARODD | CSTOPB);
        tio.c_cflag |= CS7 | PARENB | CREAD | CLOCAL;
        cfsetispeed(&tio, speedCode(baud));
        cfsetospeed(&tio, speedCode(baud));
        // A pseudo-terminal keeps 8 data bits without parity, and the C library
        // reports EINVAL when nothing else of the request changed anything; what
        // counts here is the speed the terminal side now has.
        tcsetattr(fd_, TCSANOW, &tio);
        termios now{};
        return tcgetattr(fd_, &now) == 0 && cfgetospeed(&now) == speedCode(baud);
    }

    void send(const std::string& text) { QCOMPARE(::write(fd_, text.data(), text.size()), ssize_t(text.size())); }

    // Characters up to and including the first CR, or all that came within
    // the wait.
    std::string readUntilCr(int waitMs = kReplyWaitMs)
    {
        std::string got;
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < waitMs) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(waitMs - timer.elapsed())) <= 0 || !(p.revents & POLLIN))
                continue;
            char c;
            while (::read(fd_, &c, 1) == 1) {
                got += c;
                if (c == '\r')
                    return got;
            }
        }
        return got;
    }

    // Everything that arrives within the period.
    std::string readFor(int periodMs)
    {
        std::string got;
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < periodMs) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(periodMs - timer.elapsed())) > 0 && (p.revents & POLLIN)) {
                char buffer[512];
                const ssize_t n = ::read(fd_, buffer, sizeof buffer);
                if (n > 0)
                    got.append(buffer, static_cast<size_t>(n));
            }
        }
        return got;
    }

    std::string command(const std::string& text, int waitMs = kReplyWaitMs)
    {
        send(text + "\r");
        return readUntilCr(waitMs);
    }

    int fd() const { return fd_; }

private:
    int fd_ = -1;
};

class Simulator {
public:
    ~Simulator()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }

    bool start(const QStringList& args)
    {
        process.setProgram(qEnvironmentVariable("KESTREL_SIM"));
        process.setArguments(args);
        process.setProcessChannelMode(QProcess::SeparateChannels);
        process.start();
        QElapsedTimer timer;
        timer.start();
        while (!process.canReadLine() && timer.elapsed() < 10000)
            process.waitForReadyRead(100);
        terminalPath = QString::fromLocal8Bit(process.readLine()).trimmed();
        return terminalPath.startsWith("/dev/");
    }

    // Sends a signal and returns the exit code of a normal exit, -1 otherwise.
    int stop(int signal = SIGTERM)
    {
        ::kill(static_cast<pid_t>(process.processId()), signal);
        if (!process.waitForFinished(10000) || process.exitStatus() != QProcess::NormalExit)
            return -1;
        return process.exitCode();
    }

    QProcess process;
    QString terminalPath;
};

QStringList readLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(file.readAll()).split('\n', Qt::SkipEmptyParts);
}

QStringList withPrefix(const QStringList& lines, const QString& prefix)
{
    QStringList out;
    for (const auto& l : lines)
        if (l.startsWith(prefix))
            out << l;
    return out;
}

}  // namespace

class LinkTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void exchangeAndTrace();
    void speedMismatchIsNoise();
    void speedSwitchCommand();
    void startSpeedOption();
    void pacingTakesWireTime();
    void latencyAndEraseDelay();
    void dropFault();
    void garbleFault();
    void muteFault();
    void hangupFault();
    void cutFault();
    void noCrFault();
    void lineFeedFault();
    void noiseFault();
    void readFailFault();
    void eraseFailFault();
    void stateRoundTrip();
    void reopenSeveralTimes();
    void cleanExitAndLink();

private:
    QTemporaryDir work_;
};

void LinkTest::initTestCase()
{
    QVERIFY2(!qEnvironmentVariable("KESTREL_SIM").isEmpty(), "KESTREL_SIM must name the kestrel-sim program");
    QVERIFY(work_.isValid());
}

void LinkTest::exchangeAndTrace()
{
    const QString trace = work_.filePath("exchange.trace");
    Simulator sim;
    QVERIFY(sim.start({"--trace", trace}));
    Terminal t;
    QVERIFY(t.open(sim.terminalPath));
    QCOMPARE(t.command("09"), std::string("09E\r"));
    const std::string block = t.command("0201807FE00000");
    QCOMPARE(block.size(), size_t(260));
    QCOMPARE(block.substr(0, 11), std::string("02120000001"));  // first module pointers 0020, 0100
    // LF characters are ignored, also inside a command.
    QCOMPARE(t.command("\n0\n9"), std::string("09E\r"));
    QCOMPARE(t.command("TRABUNE"), std::string("OK\r"));
    // No echo and nothing else on the line.
    QCOMPARE(t.readFor(200), std::string());
    QCOMPARE(sim.stop(), 0);
    const QStringList lines = readLines(trace);
    QCOMPARE(withPrefix(lines, "> "), (QStringList{"> 09", "> 0201807FE00000", "> 09", "> TRABUNE"}));
    QCOMPARE(withPrefix(lines, "< ").size(), 4);
    QCOMPARE(lines.at(0), QString("> 09"));
    QCOMPARE(lines.at(1), QString("< 09E"));
    QCOMPARE(lines.at(3), "< " + QString::fromStdString(block.substr(0, 259)));
}

void LinkTest::speedMismatchIsNoise()
{
    const QString trace = work_.filePath("mismatch.trace");
    Simulator sim;
    QVERIFY(sim.start({"--trace", trace}));
    Terminal t;
    QVERIFY(t.open(sim.terminalPath, 19200));
    QCOMPARE(t.command("09", kSilenceMs), std::string());
    // A partial command is lost when garbage arrives.
    QVERIFY(t.setSpeed(9600));
    t.send("0");
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    QVERIFY(t.setSpeed(19200));
    t.send("2");
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    QVERIFY(t.setSpeed(9600));
    QCOMPARE(t.command("09"), std::string("09E\r"));
    QCOMPARE(sim.stop(), 0);
    const QStringList lines = readLines(trace);
    QCOMPARE(withPrefix(lines, "> "), QStringList{"> 09"});
    QCOMPARE(withPrefix(lines, "! noise").size(), 2);
}

void LinkTest::speedSwitchCommand()
{
    Simulator sim;
    QVERIFY(sim.start({}));
    Terminal t;
    QVERIFY(t.open(sim.terminalPath));
    // The reply still comes at the old speed, then the decoder changes over.
    QCOMPARE(t.command("021020004000001B"), std::string("020\r"));
    QCOMPARE(t.command("09", kSilenceMs), std::string());
    QVERIFY(t.setSpeed(115200));
    QCOMPARE(t.command("09"), std::string("09E\r"));
    QCOMPARE(t.command("0210200040000051"), std::string("020\r"));
    QVERIFY(t.setSpeed(38400));
    QCOMPARE(t.command("09"), std::string("09E\r"));
    QCOMPARE(sim.stop(), 0);
}

void LinkTest::startSpeedOption()
{
    Simulator sim;
    QVERIFY(sim.start({"--speed", "57600"}));
    Terminal t;
    QVERIFY(t.open(sim.terminalPath, 9600));
    QCOMPARE(t.command("09", kSilenceMs), std::string());
    QVERIFY(t.setSpeed(57600));
    QCOMPARE(t.command("09"), std::string("09E\r"));
    QCOMPARE(sim.stop(), 0);
}

void LinkTest::pacingTakesWireTime()
{
    Simulator sim;
    QVERIFY(sim.start({"--pace"}));
    Terminal t;
    QVERIFY(t.open(sim.terminalPath));
    QElapsedTimer timer;
    timer.start();
    const std::string reply = t.command("0201807FE00000");
    const qint64 elapsed = timer.elapsed();
    QCOMPARE(reply.size(), size_t(260));
    // 15 characters in and 260 out, 10 bits each at 9600 bit/s.
    const double wireMs = (15 + 260) * 10 * 1000.0 / 9600;
    QVERIFY2(elapsed >= static_cast<qint64>(wireMs), qPrintable(QString("%1 ms").arg(elapsed)));
    // At 115200 bit/s the same exchange takes its own wire time.
    QCOMPARE(t.command("021020004000001B"), std::string("020\r"));
    QVERIFY(t.setSpeed(115200));
    timer.restart();
    std::string many;
    for (int i = 0; i < 10; ++i)
        many += t.command("0201807FE00000");
    QCOMPARE(many.size(), size_t(2600));
    QVERIFY(timer.elapsed() >= static_cast<qint64>(10 * 275 * 10 * 1000.0 / 115200));
    QCOMPARE(sim.stop(), 0);
}

void LinkTest::latencyAndEraseDelay()
{
    Simulator sim;
    QVERIFY(sim.start({"--latency", "300", "--erase-delay", "400"}));
    Terminal t;
    QVERIFY(t.open(sim.terminalPath));
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(t.command("09"), std::string("09E\r"));
    QVERIFY(timer.elapsed() >= 300);
    timer.restart();
    QCOMPARE(t.command("280"), std::string("2800\r"));
    QVERIFY(timer.elapsed() >= 700);
    QCOMPARE(sim.stop(), 0);
}

void LinkTest::dropFault()
{
    const QString trace = work_.filePath("drop.trace");
    Simulator sim;
    QVERIFY(sim.start({"--fault", "drop=2", "--trace", trace}));
    Terminal t;
    QVERIFY(t.open(sim.terminalPath));
    QCOMPARE(t.command("09"), std::string("09E\r"));
    QCOMPARE(t.command("09", kSilenceMs), std::string());
    QCOMPARE(t.command("09"), std::string("09E\r"));
    QCOMPARE(t.command("09", kSilenceMs), std::string());
    QCOMPARE(sim.stop(), 0);
    const QStringList lines = readLines(trace);
    QCOMPARE(withPrefix(lines, "< ").size(), 2);
    QCOMPARE(withPrefix(lines, "! drop").size(), 2);
}

void LinkTest::garbleFault()
{
    const QString trace = work_.filePath("garble.trace");
    Simulator sim;
    QVERIFY(sim.start({"--fault", "garble=2", "--trace", trace}));
    Terminal t;
    QVERIFY(t.open(sim.terminalPath));
    const std::string good = t.command("02217FE80000");
    const std::string bad = t.command("02217FE80000");
    QCOMPARE(good.size(), size_t(12));
    QCOMPARE(bad.size(), size_t(12));
    QCOMPARE(bad.substr(0, 10), good.substr(0, 10));
    QVERIFY(bad[10] != good[10]);
    QCOMPARE(t.command("02217FE80000"), good);
    QCOMPARE(sim.stop(), 0);
    // The trace shows what went out.
    QCOMPARE(withPrefix(readLines(trace), "< ").at(1), "< " + QString::fromStdString(bad.substr(0, 11)));
}

void LinkTest::muteFault()
{
    Simulator sim;
    QVERIFY(sim.start({"--fault", "mute=2"}));
    Terminal t;
    QVERIFY(t.open(sim.terminalPath));
    QCOMPARE(t.command("09"), std::string("09E\r"));
    QCOMPARE(t.command("100"), std::string("100\r"));
    QCOMPARE(t.command("09", kSilenceMs), std::string());
    QCOMPARE(t.command("100", kSilenceMs), std::string());
    QCOMPARE(sim.stop(), 0);
}

void LinkTest::hangupFault()
{
    const QString link = work_.filePath("hangup-port");
    Simulator sim;
    QVERIFY(sim.start({"--fault", "hangup=2", "--link", link}));
    Terminal t;
    QVERIFY(t.open(link));
    QCOMPARE(t.command("09"), std::string("09E\r"));
    QCOMPARE(t.command("09"), std::string("09E\r"));
    // The device goes away: the open terminal hangs up and cannot be opened again.
    pollfd p{t.fd(), POLLIN, 0};
    QVERIFY(::poll(&p, 1, 2000) > 0);
    QVERIFY(p.revents & (POLLHUP | POLLERR));
    char c;
    QVERIFY(::read(t.fd(), &c, 1) <= 0);
    t.close();
    QVERIFY(::open(sim.terminalPath.toLocal8Bit().constData(), O_RDWR | O_NOCTTY) < 0);
    QVERIFY(!QFileInfo::exists(link));
    // The simulator keeps running until it is told to stop.
    QTest::qWait(200);
    QCOMPARE(sim.process.state(), QProcess::Running);
    QCOMPARE(sim.stop(), 0);
}

void LinkTest::cutFault()
{
    Simulator sim;
    QVERIFY(sim.start({"--fault", "cut=2"}));
    Terminal t;
    QVERIFY(t.open(sim.terminalPath));
    const std::string whole = t.command("02217FE80000");
    QCOMPARE(whole.size(), size_t(12));
    QCOMPARE(t.command("02217FE80000"), whole.substr(0, 5) + "\r");
    QCOMPARE(sim.stop(), 0);
}

void LinkTest::noCrFault()
{
    Simulator sim;
    QVERIFY(sim.start({"--fault", "nocr=1"}));
    Terminal t;
    QVERIFY(t.open(sim.terminalPath));
    QCOMPARE(t.command("09", kSettleMs), std::string("09E"));
    QCOMPARE(sim.stop(), 0);
}

void LinkTest::lineFeedFault()
{
    Simulator sim;
    QVERIFY(sim.start({"--fault", "lf=2"}));
    Terminal t;
    QVERIFY(t.open(sim.terminalPath));
    t.send("09\r");
    QCOMPARE(t.readFor(kSettleMs), std::string("09E\r"));
    t.send("09\r");
    QCOMPARE(t.readFor(kSettleMs), std::string("09E\r\n"));
    QCOMPARE(sim.stop(), 0);
}

void LinkTest::noiseFault()
{
    Simulator sim;
    QVERIFY(sim.start({"--fault", "noise=2"}));
    Terminal t;
    QVERIFY(t.open(sim.terminalPath));
    t.send("09\r");
    QCOMPARE(t.readFor(kSettleMs), std::string("09E\r"));
    t.send("09\r");
    QCOMPARE(t.readUntilCr(), std::string("09E\r"));
    const std::string junk = t.readFor(kSettleMs);
    QVERIFY(!junk.empty());
    QVERIFY(junk.find('\r') == std::string::npos);
    QCOMPARE(sim.stop(), 0);
}

void LinkTest::readFailFault()
{
    Simulator sim;
    QVERIFY(sim.start({"--fault", "readfail=7FE00084:2"}));
    Terminal t;
    QVERIFY(t.open(sim.terminalPath));
    QCOMPARE(t.command("0201807FE00000").size(), size_t(260));
    QCOMPARE(t.command("0201807FE00080", kSilenceMs), std::string());
    QCOMPARE(t.command("02217FE00084", kSilenceMs), std::string());
    QCOMPARE(t.command("0201807FE00080").size(), size_t(260));
    QCOMPARE(sim.stop(), 0);
}

void LinkTest::eraseFailFault()
{
    Simulator sim;
    QVERIFY(sim.start({"--fault", "erasefail", "--erase-delay", "0"}));
    Terminal t;
    QVERIFY(t.open(sim.terminalPath));
    const std::string before = t.command("02217FE00000");
    QVERIFY(before != "021FFFFFFFF\r");
    for (const char* cycle : {"02207FE01554005500AA", "02207FE00AA800AA0055", "02207FE0155400010080",
                              "02207FE01554005500AA", "02207FE00AA800AA0055", "02207FE00000000C0030"})
        QCOMPARE(t.command(cycle), std::string("020\r"));
    QCOMPARE(t.command("02217FE00000"), before);
    QCOMPARE(t.command("280"), std::string("2800\r"));
    QCOMPARE(t.command("02217FE00000"), before);
    QCOMPARE(sim.stop(), 0);
}

void LinkTest::stateRoundTrip()
{
    const QString state = work_.filePath("state");
    {
        Simulator sim;
        QVERIFY(sim.start({"--state", state}));
        Terminal t;
        QVERIFY(t.open(sim.terminalPath));
        QCOMPARE(t.command("0600000" + std::string(256, '5')), std::string("060\r"));
        QCOMPARE(t.command("02204000000089ABCDEF"), std::string("020\r"));
        for (const char* cycle : {"02207FE01554005500AA", "02207FE00AA800AA0055", "02207FE01554000500A0",
                                  "02207FE7000012345678"})
            t.command(cycle);
        QCOMPARE(t.command("02217FE70000"), std::string("02112345678\r"));
        QCOMPARE(sim.stop(), 0);
    }
    QCOMPARE(QFileInfo(state + "/eeprom.bin").size(), qint64(2048));
    QCOMPARE(QFileInfo(state + "/flash.bin").size(), qint64(2 * 1024 * 1024));
    QVERIFY(QFileInfo(state + "/memory.bin").size() > 4096);
    QFile flash(state + "/flash.bin");
    QVERIFY(flash.open(QIODevice::ReadOnly));
    QCOMPARE(flash.readAll().mid(0x70000, 4), QByteArray("\x78\x56\x34\x12", 4));

    Simulator again;
    QVERIFY(again.start({"--state", state}));
    Terminal t;
    QVERIFY(t.open(again.terminalPath));
    QCOMPARE(t.command("061000004"), std::string("061000055555555\r"));
    QCOMPARE(t.command("022140000000"), std::string("02189ABCDEF\r"));
    QCOMPARE(t.command("02217FE70000"), std::string("02112345678\r"));
    QCOMPARE(again.stop(), 0);
}

void LinkTest::reopenSeveralTimes()
{
    Simulator sim;
    QVERIFY(sim.start({}));
    for (int round = 0; round < 5; ++round) {
        Terminal t;
        QVERIFY2(t.open(sim.terminalPath), qPrintable(QString::number(round)));
        QCOMPARE(t.command("09"), std::string("09E\r"));
        QCOMPARE(t.command("25100"), std::string("2513B\r"));
        t.close();
        QTest::qWait(100);  // the port stays closed for a while
    }
    QCOMPARE(sim.process.state(), QProcess::Running);
    QCOMPARE(sim.stop(), 0);
}

void LinkTest::cleanExitAndLink()
{
    const QString link = work_.filePath("port");
    QFile::link("/nonexistent/old-port", link);  // a stale link is replaced
    Simulator sim;
    QVERIFY(sim.start({"--link", link}));
    QCOMPARE(QFileInfo(link).symLinkTarget(), sim.terminalPath);
    Terminal t;
    QVERIFY(t.open(link));
    QCOMPARE(t.command("09"), std::string("09E\r"));
    QCOMPARE(sim.stop(SIGTERM), 0);
    QVERIFY(!QFileInfo(link).isSymLink());

    Simulator second;
    QVERIFY(second.start({"--link", link}));
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(second.stop(SIGINT), 0);
    QVERIFY(!QFileInfo(link).isSymLink());
}

QTEST_GUILESS_MAIN(LinkTest)
#include "test_link.moc"
