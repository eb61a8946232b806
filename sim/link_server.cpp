#include "link_server.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

namespace sim {

namespace {

constexpr size_t kMaxLineLength = 4096;
constexpr Nanos kJunkDelay = 20'000'000;
constexpr Nanos kNanosPerMilli = 1'000'000;
// Closing the terminal at once would discard the last reply before the
// application has read it.
constexpr Nanos kHangupDelay = 100 * kNanosPerMilli;

struct BaudCode {
    speed_t code;
    int baud;
};

const BaudCode kBaudCodes[] = {{B300, 300},      {B600, 600},       {B1200, 1200},     {B2400, 2400},
                               {B4800, 4800},    {B9600, 9600},     {B19200, 19200},   {B38400, 38400},
                               {B57600, 57600},  {B115200, 115200}, {B230400, 230400}, {B460800, 460800},
                               {B921600, 921600}};

int baudOf(speed_t code)
{
    for (const auto& b : kBaudCodes)
        if (b.code == code)
            return b.baud;
    return -1;
}

speed_t codeOf(int baud)
{
    for (const auto& b : kBaudCodes)
        if (b.baud == baud)
            return b.code;
    return B9600;
}

// Raw 7E1 at the decoder's speed until the application sets its own mode:
// no echo, no line editing, no CR/LF translation.
bool setRawMode(int fd, int baud)
{
    termios tio{};
    if (tcgetattr(fd, &tio) != 0)
        return false;
    cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARODD | CSTOPB | HUPCL);
    tio.c_cflag |= CS7 | PARENB | CREAD | CLOCAL;
    cfsetispeed(&tio, codeOf(baud));
    cfsetospeed(&tio, codeOf(baud));
    // A pseudo-terminal keeps 8 data bits without parity, and the C library
    // may report EINVAL for a request it could not apply in full; the speed
    // read back is what matters.
    tcsetattr(fd, TCSANOW, &tio);
    termios now{};
    return tcgetattr(fd, &now) == 0 && baudOf(cfgetospeed(&now)) == baud;
}

std::string systemError(const std::string& what) { return what + ": " + std::strerror(errno); }

}  // namespace

LinkServer::LinkServer(Decoder& decoder, const SimOptions& options, TraceLog& trace)
    : decoder_(decoder), options_(options), trace_(trace), faults_(options.faults), decoderBaud_(options.startBaud),
      scheduledBaud_(options.startBaud)
{}

LinkServer::~LinkServer() { shutdown(); }

bool LinkServer::open(std::string& error)
{
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
        error = systemError("pseudo-terminal");
        return false;
    }
    char name[PATH_MAX];
    if (ptsname_r(master_, name, sizeof name) != 0) {
        error = systemError("ptsname");
        return false;
    }
    terminalPath_ = name;
    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_ < 0 || !setRawMode(slave_, decoderBaud_)) {
        error = systemError(terminalPath_);
        return false;
    }
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    if (!options_.linkPath.empty()) {
        struct stat st {};
        if (lstat(options_.linkPath.c_str(), &st) == 0)
            ::unlink(options_.linkPath.c_str());
        if (symlink(name, options_.linkPath.c_str()) != 0) {
            error = systemError(options_.linkPath);
            return false;
        }
        linkMade_ = true;
    }
    return true;
}

void LinkServer::removeLink()
{
    if (!linkMade_)
        return;
    linkMade_ = false;
    char target[PATH_MAX];
    const ssize_t n = readlink(options_.linkPath.c_str(), target, sizeof target - 1);
    if (n >= 0 && std::string(target, static_cast<size_t>(n)) == terminalPath_)
        ::unlink(options_.linkPath.c_str());
}

void LinkServer::shutdown()
{
    if (master_ >= 0)
        ::close(master_);
    if (slave_ >= 0)
        ::close(slave_);
    master_ = slave_ = -1;
    removeLink();
}

int LinkServer::terminalBaud() const
{
    // On a pseudo-terminal the master reports the terminal side's settings.
    termios tio{};
    if (master_ < 0 || tcgetattr(master_, &tio) != 0)
        return -1;
    return baudOf(cfgetospeed(&tio));
}

void LinkServer::run(const volatile sig_atomic_t& stop, const sigset_t& waitMask)
{
    while (!stop && !exitedByFault_) {
        Nanos now = monotonicNow();
        runDueEvents(now);
        if (exitedByFault_)
            break;
        timespec timeout{};
        timespec* timeoutPtr = nullptr;
        // While characters wait for room on the line, only the line moves the queue on.
        if (!events_.empty() && unsent_.empty()) {
            const Nanos wait = std::max<Nanos>(0, events_.front().at - now);
            timeout.tv_sec = static_cast<time_t>(wait / kNanosPerSecond);
            timeout.tv_nsec = static_cast<long>(wait % kNanosPerSecond);
            timeoutPtr = &timeout;
        }
        pollfd fd{master_, static_cast<short>(POLLIN | (unsent_.empty() ? 0 : POLLOUT)), 0};
        const int ready = ppoll(&fd, master_ >= 0 ? 1 : 0, timeoutPtr, &waitMask);
        if (ready > 0 && (fd.revents & POLLOUT))
            flushOutput();
        if (ready > 0 && (fd.revents & POLLIN))
            readTerminal(monotonicNow());
        else if (ready > 0 && (fd.revents & (POLLHUP | POLLERR))) {
            timespec pause{0, 20 * kNanosPerMilli};
            nanosleep(&pause, nullptr);
        }
    }
}

void LinkServer::readTerminal(Nanos now)
{
    char buffer[4096];
    const ssize_t n = ::read(master_, buffer, sizeof buffer);
    if (n > 0)
        receive(buffer, static_cast<size_t>(n), now);
}

void LinkServer::receive(const char* data, size_t size, Nanos now)
{
    const int lineBaud = terminalBaud();
    if (lineBaud != decoderBaud_) {
        // Characters sent at another speed reach the decoder as garbage.
        line_.clear();
        trace_.line("! noise " + std::to_string(size) + " characters at " + std::to_string(lineBaud) + " bit/s");
        return;
    }
    for (size_t i = 0; i < size; ++i) {
        Nanos at = now;
        if (options_.pace) {
            receiveFreeAt_ = std::max(receiveFreeAt_, now) + characterTime(decoderBaud_);
            at = receiveFreeAt_;
        }
        const char c = data[i];
        if (c == '\n')
            continue;
        if (c == '\r') {
            const std::string command = line_;
            line_.clear();
            handleCommand(command, at);
        } else if (line_.size() < kMaxLineLength) {
            line_ += c;
        }
    }
}

void LinkServer::handleCommand(const std::string& command, Nanos receivedAt)
{
    ++commands_;
    trace_.line("> " + printable(command));
    if (faults_.isMuted(commands_)) {
        trace_.line("! mute");
        return;
    }
    const Reply reply = decoder_.execute(command);
    const Nanos start = std::max(receivedAt + (options_.latencyMs + reply.delayMs) * kNanosPerMilli, lineFreeAt_);
    lineFreeAt_ = start;
    if (reply.memoryRead && faults_.swallowsRead(reply.memoryRead->first, reply.memoryRead->second)) {
        trace_.line("! readfail " + printable(reply.text));
    } else {
        const ShapedReply shaped = faults_.shape(reply.text, reply.terminator);
        if (shaped.sent) {
            trace_.line("< " + describeSent(shaped.bytes));
            scheduleBytes(start, shaped.bytes);
        } else {
            trace_.line("! drop " + printable(reply.text));
        }
        if (shaped.junkAfter) {
            trace_.line("! junk " + printable(kJunkCharacters));
            scheduleBytes(lineFreeAt_ + kJunkDelay, std::string(kJunkCharacters));
        }
    }
    if (!reply.laterLine.empty()) {
        trace_.line("< " + printable(reply.laterLine) + " (later)");
        scheduleBytes(lineFreeAt_ + reply.laterMs * kNanosPerMilli, reply.laterLine + "\r");
    }
    if (reply.newBaud) {
        schedule({Event::Kind::SetSpeed, lineFreeAt_, {}, reply.newBaud});
        scheduledBaud_ = reply.newBaud;
    }
    if (faults_.hangsUpAfter(commands_))
        schedule({Event::Kind::HangUp, lineFreeAt_ + kHangupDelay, {}, 0});
    if (faults_.exitsAfter(commands_))
        schedule({Event::Kind::Exit, lineFreeAt_ + kHangupDelay, {}, 0});
}

void LinkServer::scheduleBytes(Nanos start, const std::string& bytes)
{
    if (!options_.pace) {
        schedule({Event::Kind::Send, start, bytes, 0});
        lineFreeAt_ = std::max(lineFreeAt_, start);
        return;
    }
    // Characters leave in groups of about a millisecond, each group when its
    // last character has had its wire time, as a USB serial adapter hands
    // them over: never early, and the final CR exactly on time.
    const size_t group = std::max<size_t>(1, size_t(kNanosPerMilli / characterTime(scheduledBaud_)));
    for (size_t i = 0; i < bytes.size(); i += group) {
        const size_t last = std::min(bytes.size(), i + group) - 1;
        schedule({Event::Kind::Send, characterDeadline(start, last, scheduledBaud_), bytes.substr(i, last - i + 1), 0});
    }
    lineFreeAt_ = std::max(lineFreeAt_, characterDeadline(start, bytes.size() - 1, scheduledBaud_));
}

void LinkServer::schedule(Event event)
{
    // Output is queued in time order: nothing may overtake what is queued.
    if (!events_.empty())
        event.at = std::max(event.at, events_.back().at);
    events_.push_back(std::move(event));
}

void LinkServer::runDueEvents(Nanos now)
{
    // Consecutive due characters go out in one write when pacing fell behind.
    while (!events_.empty() && events_.front().at <= now) {
        if (events_.front().kind != Event::Kind::Send) {
            flushOutput();
            if (!unsent_.empty())
                return;  // a speed change or hang-up waits for the characters before it
        }
        Event event = std::move(events_.front());
        events_.pop_front();
        if (event.kind == Event::Kind::Send) {
            unsent_ += event.bytes;
        } else if (event.kind == Event::Kind::SetSpeed) {
            decoderBaud_ = event.baud;
            trace_.line("! speed " + std::to_string(event.baud));
        } else if (event.kind == Event::Kind::Exit) {
            trace_.line("! exit");
            exitedByFault_ = true;
            return;
        } else {
            hangUp();
        }
    }
    flushOutput();
}

// The terminal takes some 20 KB ahead of its reader; what it cannot take yet
// waits for room instead of being lost.
void LinkServer::flushOutput()
{
    size_t done = 0;
    while (master_ >= 0 && done < unsent_.size()) {
        const ssize_t n = ::write(master_, unsent_.data() + done, unsent_.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        if (n <= 0) {
            trace_.line("! line blocked, " + std::to_string(unsent_.size() - done) + " characters lost");
            done = unsent_.size();
            break;
        }
        done += static_cast<size_t>(n);
    }
    unsent_.erase(0, done);
}

void LinkServer::hangUp()
{
    trace_.line("! hangup");
    if (master_ >= 0)
        ::close(master_);
    if (slave_ >= 0)
        ::close(slave_);
    master_ = slave_ = -1;
    events_.clear();
    unsent_.clear();
    removeLink();
}

}  // namespace sim
