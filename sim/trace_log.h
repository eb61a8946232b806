#pragma once
// Appends one line per event to the trace file, written in one call so a
// reader sees whole lines at once.

#include <string>

namespace sim {

class TraceLog {
public:
    TraceLog() = default;
    ~TraceLog();
    TraceLog(const TraceLog&) = delete;
    TraceLog& operator=(const TraceLog&) = delete;

    bool open(const std::string& path, std::string& error);
    void line(const std::string& text);

private:
    int fd_ = -1;
};

}  // namespace sim
