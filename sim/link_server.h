#pragma once
// The decoder's serial port: a pseudo-terminal whose terminal side the
// application opens. Serves one command at a time, notices when the terminal
// is set to another speed than the decoder's, paces characters at the wire
// rate on request and applies the configured faults.

#include "decoder.h"
#include "faults.h"
#include "line_timing.h"
#include "sim_options.h"
#include "trace_log.h"

#include <csignal>
#include <deque>
#include <string>

namespace sim {

class LinkServer {
public:
    LinkServer(Decoder& decoder, const SimOptions& options, TraceLog& trace);
    ~LinkServer();
    LinkServer(const LinkServer&) = delete;
    LinkServer& operator=(const LinkServer&) = delete;

    // Creates the pseudo-terminal (and the --link symlink).
    bool open(std::string& error);
    const std::string& terminalPath() const { return terminalPath_; }

    // Serves until stop becomes non-zero or an exit fault ends it; signals
    // are taken only while waiting, with waitMask as the signal mask.
    void run(const volatile sig_atomic_t& stop, const sigset_t& waitMask);
    // An exit fault ended the serving.
    bool exitedByFault() const { return exitedByFault_; }

    // Closes the terminal and removes the symlink.
    void shutdown();

    int decoderBaud() const { return decoderBaud_; }

private:
    struct Event {
        enum class Kind { Send, SetSpeed, HangUp, Exit } kind;
        Nanos at;
        std::string bytes;
        int baud = 0;
    };

    void readTerminal(Nanos now);
    void receive(const char* data, size_t size, Nanos now);
    void handleCommand(const std::string& command, Nanos receivedAt);
    void scheduleBytes(Nanos start, const std::string& bytes);
    void schedule(Event event);
    void runDueEvents(Nanos now);
    void flushOutput();
    void hangUp();
    void removeLink();
    int terminalBaud() const;

    Decoder& decoder_;
    const SimOptions& options_;
    TraceLog& trace_;
    FaultInjector faults_;
    int master_ = -1;
    int slave_ = -1;  // kept open so the terminal survives the application closing it
    std::string terminalPath_;
    bool linkMade_ = false;

    int decoderBaud_;
    int scheduledBaud_;  // speed in force after the events already queued
    std::deque<Event> events_;
    std::string unsent_;       // due characters the terminal had no room for yet
    Nanos lineFreeAt_ = 0;     // end of the output already queued
    Nanos receiveFreeAt_ = 0;  // end of the input characters accounted so far
    std::string line_;
    int commands_ = 0;
    bool exitedByFault_ = false;
};

}  // namespace sim
