#include "line_timing.h"

#include <ctime>

namespace sim {

Nanos monotonicNow()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<Nanos>(ts.tv_sec) * kNanosPerSecond + ts.tv_nsec;
}

}  // namespace sim
