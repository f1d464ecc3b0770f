#include "ElfInfo.h"

#include <cstdio>
#include <sstream>
#include <stdexcept>

namespace zelktest {

namespace {

std::string quoted(const std::string& path)
{
    std::string out = "'";
    for (char c : path) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
}

// The tool's standard output; throws when it cannot run or fails.
std::string run(const std::string& tool, const std::string& binary)
{
    const std::string command = tool + " " + quoted(binary) + " 2>/dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        throw std::runtime_error("cannot run " + command);
    }
    std::string output;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        output.append(buffer, n);
    }
    if (::pclose(pipe) != 0 || output.empty()) {
        throw std::runtime_error(command + " failed");
    }
    return output;
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        result.push_back(line);
    }
    return result;
}

// The text after `key` up to the next run of spaces; "" when `key` is absent.
std::string fieldAfter(const std::string& line, const std::string& key)
{
    const size_t at = line.find(key);
    if (at == std::string::npos) {
        return "";
    }
    const size_t start = at + key.size();
    return line.substr(start, line.find(' ', start) - start);
}

// What readelf -d shows in brackets on the lines tagged `tag`.
std::vector<std::string> dynamicEntries(const std::string& binary, const std::string& tag)
{
    std::vector<std::string> values;
    for (const std::string& line : lines(run("readelf -d -W", binary))) {
        const size_t open = line.find('['), close = line.rfind(']');
        if (line.find("(" + tag + ")") != std::string::npos && open < close &&
            close != std::string::npos) {
            values.push_back(line.substr(open + 1, close - open - 1));
        }
    }
    return values;
}

} // namespace

std::vector<std::string> neededLibraries(const std::string& binary)
{
    return dynamicEntries(binary, "NEEDED");
}

std::string runPath(const std::string& binary)
{
    for (const char* tag : {"RUNPATH", "RPATH"}) {
        const std::vector<std::string> paths = dynamicEntries(binary, tag);
        if (!paths.empty()) {
            return paths.front();
        }
    }
    return "";
}

std::vector<std::string> exportedSymbols(const std::string& binary)
{
    std::vector<std::string> names;
    for (const std::string& line : lines(run("nm -D --defined-only", binary))) {
        std::istringstream fields(line);
        std::string address, type, name;
        if (fields >> address >> type >> name) {
            names.push_back(name);
        }
    }
    return names;
}

std::vector<VersionReference> versionReferences(const std::string& binary)
{
    // Under "Version needs section": a "File:" line per library, then a
    // "Name:" line per version of it. Other sections start at their own header.
    std::vector<VersionReference> references;
    bool inNeeds = false;
    std::string library;
    for (const std::string& line : lines(run("readelf -V -W", binary))) {
        if (line.find(" section '") != std::string::npos) {
            inNeeds = line.rfind("Version needs section", 0) == 0;
            library.clear();
        } else if (inNeeds && line.find("File: ") != std::string::npos) {
            library = fieldAfter(line, "File: ");
        } else if (inNeeds && !library.empty() && line.find("Name: ") != std::string::npos) {
            references.push_back({library, fieldAfter(line, "Name: ")});
        }
    }
    return references;
}

std::vector<int> glibcVersion(const std::string& version)
{
    const std::string prefix = "GLIBC_";
    if (version.rfind(prefix, 0) != 0) {
        return {};
    }
    std::vector<int> numbers;
    std::istringstream parts(version.substr(prefix.size()));
    for (std::string part; std::getline(parts, part, '.');) {
        if (part.empty() || part.find_first_not_of("0123456789") != std::string::npos) {
            return {};
        }
        numbers.push_back(std::stoi(part));
    }
    return numbers;
}

} // namespace zelktest
