#include "si_file.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sys/stat.h>

namespace sim {

namespace {

int digitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r';  // a CR left by a CR LF line end
}

std::optional<Section> parseSectionLine(std::string_view line, std::string& error)
{
    Section section;
    int high = -1;
    for (char c : line) {
        if (isBlank(c))
            continue;
        const int v = digitValue(c);
        if (v < 0) {
            error = std::string("'") + c + "' is not a hexadecimal digit";
            return std::nullopt;
        }
        if (high < 0) {
            high = v;
        } else {
            section.push_back(static_cast<uint8_t>(high << 4 | v));
            high = -1;
        }
    }
    if (high >= 0) {
        error = "odd number of hexadecimal digits";
        return std::nullopt;
    }
    return section;
}

bool isSkipped(std::string_view line)
{
    const size_t first = line.find_first_not_of(" \t\r");
    return first == std::string_view::npos || line[first] == '#';
}

}  // namespace

std::optional<std::vector<Section>> parseSectionText(std::string_view text, std::string& error)
{
    std::vector<Section> sections;
    size_t lineNumber = 0;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++lineNumber;
        if (isSkipped(line))
            continue;
        auto section = parseSectionLine(line, error);
        if (!section) {
            error = "line " + std::to_string(lineNumber) + ": " + error;
            return std::nullopt;
        }
        sections.push_back(std::move(*section));
    }
    if (sections.empty()) {
        error = "no sections";
        return std::nullopt;
    }
    return sections;
}

std::optional<std::vector<Section>> loadSectionFile(const std::string& path, std::string& error)
{
    // Only a regular file: reading a folder throws, and a pipe could hold
    // the simulator up for good before it answers anything.
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        error = path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    if (!S_ISREG(info.st_mode)) {
        error = path + ": " + (S_ISDIR(info.st_mode) ? std::strerror(EISDIR) : "not a regular file");
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    std::string text;
    try {
        // The stream library throws on a failed read whatever its mask says.
        if (in)
            text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } catch (const std::ios_base::failure&) {
        in.setstate(std::ios::badbit);
    }
    if (!in && !in.eof()) {
        error = path + ": cannot be read";
        return std::nullopt;
    }
    auto sections = parseSectionText(text, error);
    if (!sections)
        error = path + ": " + error;
    return sections;
}

}  // namespace sim
