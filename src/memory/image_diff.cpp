#include "memory/image_diff.h"

#include <algorithm>

std::vector<DiffRange> DiffImages(std::span<const quint8> a, std::span<const quint8> b)
{
    std::vector<DiffRange> ranges;
    const std::size_t common = std::min(a.size(), b.size());
    std::size_t i = 0;
    while (i < common) {
        const auto first = std::mismatch(a.begin() + i, a.begin() + common, b.begin() + i);
        i = std::size_t(first.first - a.begin());
        if (i == common)
            break;
        const std::size_t start = i;
        while (i < common && a[i] != b[i])
            ++i;
        ranges.push_back({qint64(start), qint64(i - start)});
    }
    const std::size_t longest = std::max(a.size(), b.size());
    if (longest > common) {
        // The tail of the longer image joins a difference that runs up to it.
        if (!ranges.empty() && std::size_t(ranges.back().offset + ranges.back().length) == common)
            ranges.back().length += qint64(longest - common);
        else
            ranges.push_back({qint64(common), qint64(longest - common)});
    }
    return ranges;
}
