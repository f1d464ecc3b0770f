#include "Commands.h"

#include <cstdio>

namespace zelk::lut::cli {

int run(const std::vector<std::string>& args)
{
    if (args.empty())
        throw UsageError("no command given");
    const std::string& command = args[0];
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(usageText().c_str(), stdout);
        return 0;
    }
    const Options o = parseOptions(command, {args.begin() + 1, args.end()});
    if (o.help) {
        std::fputs(commandUsage(command).c_str(), stdout);
        return 0;
    }
    struct Entry {
        const char* name;
        int (*run)(const Options&);
    };
    static const Entry entries[] = {
        {"generate", commandGenerate},
        {"convert", commandConvert},
        {"export", commandExport},
        {"info", commandInfo},
        {"list", commandList},
        {"add", commandAdd},
        {"remove", commandRemove},
        {"bake", commandBake},
        {"ocio-config", commandOcioConfig},
    };
    for (const Entry& e : entries)
        if (command == e.name)
            return e.run(o);
    throw UsageError("unknown command '" + command + "'");
}

} // namespace zelk::lut::cli
