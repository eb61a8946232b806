#include "bench_support.h"

#include "platform/serial_port.h"

#include <QElapsedTimer>
#include <QFile>
#include <algorithm>
#include <sys/resource.h>

bool SimLink::start(const QString &simArgs, int baud)
{
    QString error;
    terminal = sim.start(simArgs.split(QLatin1Char(' '), Qt::SkipEmptyParts), error);
    if (terminal.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return false;
    }
    this->baud = baud;
    speed = baud == 115200 ? B115200 : baud == 57600 ? B57600 : baud == 19200 ? B19200 : B9600;
    link = std::make_unique<Link>(options, new QSerialPortAdapter);
    const QString why = link->openPort(terminal, QString::number(baud) + ",E,7,1");
    if (!why.isEmpty()) {
        std::fprintf(stderr, "open %s: %s\n", qPrintable(terminal), qPrintable(why));
        return false;
    }
    link->SetCmdTimeout(4000);
    return true;
}

double BestMs(const std::function<bool()> &op, int runs)
{
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        if (!op())
            return -1;
        best = std::min(best, double(timer.nsecsElapsed()) / 1e6);
    }
    return best;
}

namespace {

rusage Usage()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u;
}

double Seconds(const timeval &t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; }

}   // namespace

double CpuSeconds()
{
    const rusage u = Usage();
    return Seconds(u.ru_utime) + Seconds(u.ru_stime);
}

double UserCpuSeconds() { return Seconds(Usage().ru_utime); }

long ResidentKiB()
{
    QFile f("/proc/self/statm");
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = f.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * 4 : -1;
}

double WireSeconds(double characters, int baud) { return characters * 10.0 / baud; }
