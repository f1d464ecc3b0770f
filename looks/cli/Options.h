#pragma once

// The command line of zelk-lut: its commands, their options and usage texts.

#include <stdexcept>
#include <string>
#include <vector>

namespace zelk::lut::cli {

// A command line that does not fit: exit status 2 with the usage of
// `command` (every command's when empty).
class UsageError : public std::runtime_error {
public:
    explicit UsageError(const std::string& message, std::string command = "")
        : std::runtime_error(message), m_command(std::move(command))
    {
    }
    const std::string& command() const { return m_command; }

private:
    std::string m_command;
};

struct Options {
    std::string command;
    std::vector<std::string> positional;
    int size = 0; // 0: not given
    bool quiet = false;
    bool force = false; // -y, --force
    bool derive = false;
    bool help = false;
    std::string tevo4;
    std::string tevo3;
    std::string curve;
    // bake: an OpenColorIO config and the transform to take from it
    std::string config;
    std::string toSpace;
    std::string looks;
    std::string display;
    std::string view;
};

// Parses the arguments after the command name; an option that `command`
// does not take is a UsageError.
Options parseOptions(const std::string& command, const std::vector<std::string>& args);

// Usage of one command (synopsis and description), or of all (synopses only).
std::string commandUsage(const std::string& command);
std::string usageText();
bool isCommand(const std::string& command);

// UsageError unless exactly `count` positional arguments were given.
void expectPositional(const Options& o, std::size_t count, const char* what);

} // namespace zelk::lut::cli
