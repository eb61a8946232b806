// kestrel-bench: throughput of the link against kestrel-sim, beside the
// limits that the wire or a minimal client sets. Prints figures; asserts
// nothing. Sections: link, memsave, eeprom, program, soak, tables,
// screenshot (all by default).
#include "bench_support.h"

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList sections = app.arguments().mid(1);
    if (sections.isEmpty())
        sections = AllBenchSections();
    for (const QString &name : sections) {
        if (!RunBenchSection(name)) {
            std::fprintf(stderr, "unknown or failed section: %s\n", qPrintable(name));
            return 1;
        }
    }
    return 0;
}
