// kestrel-sim: the simulated decoder on a pseudo-terminal.

#include "decoder.h"
#include "link_server.h"
#include "si_file.h"
#include "sim_options.h"
#include "state_store.h"
#include "trace_log.h"
#include "video_memory.h"

#include <csignal>
#include <cstdio>
#include <iostream>
#include <sys/prctl.h>

namespace {

volatile sig_atomic_t stopRequested = 0;

void onStopSignal(int) { stopRequested = 1; }

// SIGINT and SIGTERM stay blocked except while the server waits, so a stop
// request is never lost between two waits.
sigset_t installStopHandlers()
{
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigset_t previous;
    sigprocmask(SIG_BLOCK, &stopSignals, &previous);
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);
    sigdelset(&previous, SIGINT);
    sigdelset(&previous, SIGTERM);
    return previous;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string error;
    const auto options = sim::parseSimOptions({argv + 1, argv + argc}, error);
    if (!options) {
        std::cerr << "kestrel-sim: " << error << "\n" << sim::simUsage();
        return 2;
    }
    if (options->help) {
        std::cout << sim::simUsage();
        return 0;
    }
    if (options->version) {
        std::cout << sim::simVersion();
        return 0;
    }
    // State the user meant to keep must not be lost silently at the end.
    if (!options->stateDir.empty() && !sim::prepareStateDir(options->stateDir, error)) {
        std::cerr << "kestrel-sim: cannot keep state in " << error << "\n";
        return 2;
    }
    sim::DecoderConfig config = options->decoder;
    if (!options->siFile.empty()) {
        auto sections = sim::loadSectionFile(options->siFile, error);
        if (!sections) {
            std::cerr << "kestrel-sim: --si-file " << error << "\n";
            return 2;
        }
        config.fedSections = std::move(*sections);
    }
    const sigset_t waitMask = installStopHandlers();
    prctl(PR_SET_TIMERSLACK, 1UL);  // pacing wants wake-ups close to their deadlines

    sim::Decoder decoder(config);
    if (!options->stateDir.empty()) {
        std::vector<std::string> problems;
        sim::loadState(options->stateDir, decoder, problems);
        for (const auto& p : problems)
            std::cerr << "kestrel-sim: " << p << "\n";
    }
    if (!options->picturesDir.empty() && !sim::writeReferencePictures(options->picturesDir, error)) {
        std::cerr << "kestrel-sim: " << error << "\n";
        return 1;
    }
    sim::TraceLog trace;
    if (!options->tracePath.empty() && !trace.open(options->tracePath, error)) {
        std::cerr << "kestrel-sim: " << error << "\n";
        return 1;
    }
    sim::LinkServer server(decoder, *options, trace);
    if (!server.open(error)) {
        std::cerr << "kestrel-sim: " << error << "\n";
        return 1;
    }
    std::cout << server.terminalPath() << std::endl;

    server.run(stopRequested, waitMask);
    server.shutdown();
    if (server.exitedByFault())
        return 1;  // as a program that died: nothing saved

    if (!options->stateDir.empty() && !sim::saveState(options->stateDir, decoder, error)) {
        std::cerr << "kestrel-sim: " << error << "\n";
        return 1;
    }
    return 0;
}
