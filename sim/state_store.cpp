#include "state_store.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sim {

bool readWholeFile(const std::string& path, std::vector<uint8_t>& data)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    data.clear();
    uint8_t buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ::close(fd);
            return n == 0;
        }
        data.insert(data.end(), buffer, buffer + n);
    }
}

bool writeFileAtomically(const std::string& path, const std::vector<uint8_t>& data, std::string& error)
{
    const std::string temp = path + ".tmp" + std::to_string(::getpid());
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = temp + ": " + std::strerror(errno);
        return false;
    }
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = temp + ": " + std::strerror(errno);
            ::close(fd);
            ::unlink(temp.c_str());
            return false;
        }
        done += static_cast<size_t>(n);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0 || ::rename(temp.c_str(), path.c_str()) != 0) {
        error = path + ": " + std::strerror(errno);
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

bool prepareStateDir(const std::string& dir, std::string& error)
{
    const auto fail = [&](int code) {
        error = dir + ": " + std::strerror(code);
        return false;
    };
    if (::mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST)
        return fail(errno);
    struct stat info {};
    if (::stat(dir.c_str(), &info) != 0)
        return fail(errno);
    if (!S_ISDIR(info.st_mode))
        return fail(ENOTDIR);
    // Permissions alone do not tell (root writes anywhere, a read-only mount
    // refuses everyone): a trial file does.
    const std::string trial = dir + "/.trial" + std::to_string(::getpid());
    const int fd = ::open(trial.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        return fail(errno);
    ::close(fd);
    ::unlink(trial.c_str());
    return true;
}

void loadState(const std::string& dir, Decoder& decoder, std::vector<std::string>& problems)
{
    std::vector<uint8_t> data;
    if (readWholeFile(dir + "/eeprom.bin", data)) {
        if (data.size() == Decoder::kEepromSize)
            std::copy(data.begin(), data.end(), decoder.eeprom().begin());
        else
            problems.push_back("eeprom.bin is not 2048 bytes; default content kept");
    }
    if (readWholeFile(dir + "/flash.bin", data)) {
        if (data.size() == FlashBank::kSize) {
            decoder.flash().loadImage(data);
            decoder.applyStuckBits();
        } else {
            problems.push_back("flash.bin is not 2097152 bytes; default content kept");
        }
    }
    if (readWholeFile(dir + "/memory.bin", data) && !decoder.memory().deserialize(data))
        problems.push_back("memory.bin is not a memory image; memory starts unwritten");
}

bool saveState(const std::string& dir, Decoder& decoder, std::string& error)
{
    if (::mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST) {
        error = dir + ": " + std::strerror(errno);
        return false;
    }
    const auto& eeprom = decoder.eeprom();
    return writeFileAtomically(dir + "/eeprom.bin", {eeprom.begin(), eeprom.end()}, error)
        && writeFileAtomically(dir + "/flash.bin", decoder.flash().image(), error)
        && writeFileAtomically(dir + "/memory.bin", decoder.memory().serialize(), error);
}

}  // namespace sim
