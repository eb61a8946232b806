#include "trace_log.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace sim {

TraceLog::~TraceLog()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool TraceLog::open(const std::string& path, std::string& error)
{
    fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (fd_ < 0)
        error = path + ": " + std::strerror(errno);
    return fd_ >= 0;
}

void TraceLog::line(const std::string& text)
{
    if (fd_ < 0)
        return;
    const std::string out = text + "\n";
    size_t done = 0;
    while (done < out.size()) {
        const ssize_t n = ::write(fd_, out.data() + done, out.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        done += static_cast<size_t>(n);
    }
}

}  // namespace sim
