#pragma once
#include "link/link.h"
#include "link/prompts.h"
#include "terminal/sim_process.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <termios.h>

// A Link on a freshly started kestrel-sim.
struct SimLink {
    Options options;
    SimProcess sim;
    std::unique_ptr<Link> link;
    QString terminal;
    int baud = 0;
    speed_t speed = 0;   // the same, for termios
    // Starts the simulator with args and opens the link at baud.
    bool start(const QString &simArgs, int baud);
};

// Says yes to every question the operations ask.
struct AgreeingPrompter : Prompter {
    bool confirm(const QString &, const QString &) override { return true; }
    void inform(const QString &, const QString &) override {}
};
// The fastest of several runs of op, in milliseconds (the others carry the
// machine's noise); -1 when op fails.
double BestMs(const std::function<bool()> &op, int runs = 20);

double CpuSeconds();                               // user + system time of this process
double UserCpuSeconds();                           // user time alone: the share the program itself spends
long ResidentKiB();                                // resident set size now
double WireSeconds(double characters, int baud);   // 10 bits per character

bool BenchTables();       // in bench_tables.cpp
bool BenchScreenshot();   // in bench_screenshot.cpp
bool BenchSi();           // in bench_si.cpp
bool BenchRoad();         // in bench_road.cpp

QStringList AllBenchSections();
bool RunBenchSection(const QString &name);
