#include "Commands.h"

#include "Generate.h"
#include "LutError.h"

#include <cstdio>
#include <cstdlib>

namespace zelk::lut::cli {

namespace {

struct Options {
    std::vector<std::string> positional;
    int size = 0; // 0: not given
    bool quiet = false;
};

int parseSize(const std::string& text)
{
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || v < 2 || v > 256)
        throw UsageError("--size needs a whole number from 2 to 256, not '" + text + "'");
    return static_cast<int>(v);
}

Options parseOptions(const std::vector<std::string>& args, std::size_t first)
{
    Options o;
    for (std::size_t i = first; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--size") {
            if (i + 1 >= args.size())
                throw UsageError("--size needs a value");
            o.size = parseSize(args[++i]);
        } else if (a == "--quiet" || a == "-q") {
            o.quiet = true;
        } else if (a.size() > 1 && a[0] == '-') {
            throw UsageError("unknown option '" + a + "'");
        } else {
            o.positional.push_back(a);
        }
    }
    return o;
}

int commandGenerate(const Options& o)
{
    if (o.positional.size() != 1)
        throw UsageError("generate takes one output directory");
    const int size = o.size ? o.size : kDefaultLookSize;
    const GenerateResult r = generateLookSet(o.positional[0], size);
    if (!o.quiet)
        std::printf("%d looks at lattice %d for 2 transfer curves in %s: %d files written, "
                    "%d unchanged\n",
                    static_cast<int>(lookRecipes().size()), size, o.positional[0].c_str(),
                    r.written, r.unchanged);
    return 0;
}

} // namespace

const char* usageText()
{
    return "usage: zelk-lut generate OUTDIR [--size N] [--quiet]\n";
}

int run(const std::vector<std::string>& args)
{
    if (args.empty())
        throw UsageError("no command given");
    const std::string& command = args[0];
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(usageText(), stdout);
        return 0;
    }
    const Options o = parseOptions(args, 1);
    if (command == "generate")
        return commandGenerate(o);
    throw UsageError("unknown command '" + command + "'");
}

} // namespace zelk::lut::cli
