#include "FramePattern.h"

#include "CommandLine.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>

namespace ofxrender {

namespace fs = std::filesystem;

FramePattern::FramePattern(const std::string& path) : m_path(path)
{
    const auto slash = path.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    std::size_t start = std::string::npos, end = 0;
    for (std::size_t i = nameStart; i < path.size(); ++i) {
        std::size_t runEnd = i;
        int width = 0;
        if (path[i] == '#') {
            while (runEnd < path.size() && path[runEnd] == '#')
                ++runEnd;
            width = int(runEnd - i);
        } else if (path[i] == '%') {
            std::size_t j = i + 1;
            std::string digits;
            while (j < path.size() && std::isdigit(static_cast<unsigned char>(path[j])))
                digits += path[j++];
            if (j >= path.size() || path[j] != 'd' || (!digits.empty() && digits[0] != '0') ||
                digits.size() > 3)
                throw UsageError("'" + path + "': a frame pattern is %d or %0Nd");
            runEnd = j + 1;
            width = digits.empty() ? 1 : std::max(1, std::stoi(digits));
        } else {
            continue;
        }
        if (start != std::string::npos)
            throw UsageError("'" + path + "': more than one frame pattern");
        start = i;
        end = runEnd;
        m_width = width;
        i = runEnd - 1;
    }
    if (start == std::string::npos)
        return;
    m_isSequence = true;
    m_prefix = path.substr(0, start);
    m_suffix = path.substr(end);
}

std::string FramePattern::fileForFrame(long frame) const
{
    if (!m_isSequence)
        return m_path;
    char digits[32];
    std::snprintf(digits, sizeof digits, "%0*ld", m_width, frame);
    return m_prefix + digits + m_suffix;
}

std::vector<long> FramePattern::existingFrames() const
{
    std::vector<long> frames;
    if (!m_isSequence)
        return frames;
    const auto slash = m_prefix.find_last_of('/');
    const std::string dir = slash == std::string::npos ? "." : m_prefix.substr(0, slash + 1);
    const std::string namePrefix =
        slash == std::string::npos ? m_prefix : m_prefix.substr(slash + 1);
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), endIt; !ec && it != endIt; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() <= namePrefix.size() + m_suffix.size())
            continue;
        if (name.compare(0, namePrefix.size(), namePrefix) != 0)
            continue;
        if (name.compare(name.size() - m_suffix.size(), m_suffix.size(), m_suffix) != 0)
            continue;
        const std::string digits =
            name.substr(namePrefix.size(), name.size() - namePrefix.size() - m_suffix.size());
        if (digits.size() > 9 || !std::all_of(digits.begin(), digits.end(),
                                              [](unsigned char c) { return std::isdigit(c); }))
            continue;
        const long frame = std::stol(digits);
        // Only the spelling the pattern gives (so "7" does not match "####").
        if (fileForFrame(frame) ==
            (slash == std::string::npos ? name : m_prefix.substr(0, slash + 1) + name))
            frames.push_back(frame);
    }
    std::sort(frames.begin(), frames.end());
    return frames;
}

} // namespace ofxrender
