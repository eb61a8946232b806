// kestrel-bench: throughput of the link against kestrel-sim, beside the
// limits that the wire or a minimal client sets. Prints figures; asserts
// nothing. Sections: link, memsave, eeprom, program, soak, tables, si,
// screenshot, road (all by default).
#include "bench_support.h"

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

namespace {

void PrintUsage()
{
    std::printf("Usage: kestrel-bench [SECTION]...\n"
                "Runs the benchmark sections against kestrel-sim and prints their figures; asserts\n"
                "nothing. Run it on a quiet machine.\n\n"
                "Sections: %s (all when none is named)\n\n"
                "  --help       Print this help and exit.\n"
                "  --version    Print the version and exit.\n",
                qPrintable(AllBenchSections().join(", ")));
}

}   // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList sections = app.arguments().mid(1);
    if (sections.contains("--help") || sections.contains("-h")) {
        PrintUsage();
        return 0;
    }
    if (sections.contains("--version")) {
        std::printf("kestrel-bench " KESTREL_VERSION "\n");
        return 0;
    }
    for (const QString &name : sections) {
        if (!AllBenchSections().contains(name)) {
            std::fprintf(stderr, "kestrel-bench: unknown section '%s'\nTry 'kestrel-bench --help'.\n",
                         qPrintable(name));
            return 2;
        }
    }
    if (sections.isEmpty())
        sections = AllBenchSections();
    for (const QString &name : sections) {
        if (!RunBenchSection(name)) {
            std::fprintf(stderr, "kestrel-bench: section %s failed\n", qPrintable(name));
            return 1;
        }
    }
    return 0;
}
