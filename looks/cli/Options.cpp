#include "Options.h"

#include "LutRules.h"

#include <algorithm>
#include <cstdlib>

namespace zelk::lut::cli {

namespace {

struct CommandText {
    const char* name;
    const char* synopsis;
    const char* description;
    std::vector<std::string> options; // beyond --quiet and --help
};

const std::vector<CommandText>& commands()
{
    static const std::vector<CommandText> table = {
        {"generate",
         "zelk-lut generate OUTDIR [--size N] [-y]",
         "Writes the bundled looks for both transfer curves into OUTDIR/looks_bin_tevo and\n"
         "OUTDIR/looks_bin_tevo4, at lattice 33 unless --size. Existing look files are\n"
         "replaced only with -y.\n",
         {"--size", "--force"}},
        {"convert",
         "zelk-lut convert IN.cube|IN.cube.bin OUT.cube.bin [--size N] [-y]",
         "Converts a look into the plug-in's look file. A lattice of 18 to 256 points is\n"
         "taken as it is, a smaller one subdivided exactly; a shaper, a 1D table or an input\n"
         "range other than 0..1 is baked onto a lattice of 65 (or --size), with a report of\n"
         "the inputs that become unreachable and of the difference from the source. An\n"
         "existing OUT is replaced only with -y, and never when it is the input.\n",
         {"--size", "--force"}},
        {"export",
         "zelk-lut export IN.cube.bin OUT.cube [-y]\n"
         "  zelk-lut export BUNDLE NAME OUT.cube --curve tevo4|tevo3 [-y]",
         "Writes a look file as a .cube that reads back to the same values: a file given by\n"
         "its path, or a bundle's look by name for one transfer curve. Lattices above 129\n"
         "get a warning, as OpenColorIO reads none larger.\n",
         {"--force", "--curve"}},
        {"info",
         "zelk-lut info FILE [--size N]",
         "Describes a .cube or .cube.bin file: its tables, whether the plug-in applies it,\n"
         "and what converting it does and costs.\n",
         {"--size"}},
        {"list",
         "zelk-lut list BUNDLE",
         "Lists a bundle's looks in the order the host shows them, with the lattice of\n"
         "each transfer curve's file.\n",
         {}},
        {"add",
         "zelk-lut add BUNDLE NAME --tevo4 A --tevo3 B [--size N] [--force]\n"
         "  zelk-lut add BUNDLE NAME (--tevo4 A | --tevo3 B) --derive [--size N] [--force]",
         "Converts both files (.cube or .cube.bin, as convert does) and installs them as\n"
         "look NAME: both files or neither. --derive builds the other curve's file from the\n"
         "one given, through the two curves' definitions (lattice 65 unless --size). An\n"
         "existing look is replaced only with --force.\n",
         {"--size", "--force", "--tevo4", "--tevo3", "--derive"}},
        {"remove",
         "zelk-lut remove BUNDLE NAME",
         "Removes both files of look NAME from the bundle: both or neither.\n",
         {}},
        {"bake",
         "zelk-lut bake --config C.ocio --curve tevo4|tevo3 TRANSFORM [--size N] [-y] "
         "OUT.cube.bin\n"
         "  zelk-lut bake --config C.ocio TRANSFORM [--size N] [--force] BUNDLE NAME\n"
         "  TRANSFORM: --to COLORSPACE | --look NAMES | --display D --view V",
         "Bakes a transform of an OpenColorIO config into a look: OpenColorIO evaluates it\n"
         "from the curve's colour space at every lattice point (65 unless --size). The\n"
         "curve's colour space is the config's own when it has one named Tevo4/QXR4 or\n"
         "Tevo3/QXR3, else ours (see ocio-config) over the config's reference. Into a\n"
         "bundle, both curves' files are baked and installed as look NAME, as add does.\n",
         {"--size", "--force", "--curve", "--config", "--to", "--look", "--display", "--view"}},
        {"ocio-config",
         "zelk-lut ocio-config BUNDLE OUTDIR [-y]",
         "Writes OUTDIR/config.ocio, an OpenColorIO config with the bundle's looks (as\n"
         ".cube files in OUTDIR/looks) for both curves, the two curves as colour spaces\n"
         "over scene-linear light, and the 2.4-gamma display the looks encode for.\n"
         "Existing files are replaced only with -y.\n",
         {"--force"}},
    };
    return table;
}

const CommandText* find(const std::string& command)
{
    for (const CommandText& c : commands())
        if (command == c.name)
            return &c;
    return nullptr;
}

int parseSize(const std::string& text, const std::string& command)
{
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || v < kMinAppliedSize || v > kMaxCubeSize)
        throw UsageError("--size needs a whole number from " + std::to_string(kMinAppliedSize) +
                             " to " + std::to_string(kMaxCubeSize) + ", not '" + text + "'",
                         command);
    return static_cast<int>(v);
}

} // namespace

bool isCommand(const std::string& command)
{
    return find(command) != nullptr;
}

Options parseOptions(const std::string& command, const std::vector<std::string>& args)
{
    const CommandText* text = find(command);
    if (!text)
        throw UsageError("unknown command '" + command + "'");
    Options o;
    o.command = command;
    auto takes = [&](const std::string& option) {
        if (std::find(text->options.begin(), text->options.end(), option) == text->options.end())
            throw UsageError(option + " does not apply to " + command, command);
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> const std::string& {
            if (i + 1 >= args.size())
                throw UsageError(a + " needs a value", command);
            return args[++i];
        };
        if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a == "--quiet" || a == "-q") {
            o.quiet = true;
        } else if (a == "--force" || a == "-y") {
            takes("--force");
            o.force = true;
        } else if (a == "--size") {
            takes(a);
            o.size = parseSize(value(), command);
        } else if (a == "--tevo4" || a == "--tevo3") {
            takes(a);
            (a == "--tevo4" ? o.tevo4 : o.tevo3) = value();
        } else if (a == "--derive") {
            takes(a);
            o.derive = true;
        } else if (a == "--curve") {
            takes(a);
            o.curve = value();
            if (o.curve != "tevo4" && o.curve != "tevo3")
                throw UsageError("--curve takes tevo4 or tevo3, not '" + o.curve + "'", command);
        } else if (a == "--config" || a == "--to" || a == "--look" || a == "--display" ||
                   a == "--view") {
            takes(a);
            std::string& field = a == "--config"    ? o.config
                                 : a == "--to"      ? o.toSpace
                                 : a == "--look"    ? o.looks
                                 : a == "--display" ? o.display
                                                    : o.view;
            field = value();
        } else if (a.size() > 1 && a[0] == '-') {
            throw UsageError("unknown option '" + a + "'", command);
        } else {
            o.positional.push_back(a);
        }
    }
    return o;
}

void expectPositional(const Options& o, std::size_t count, const char* what)
{
    if (o.positional.size() != count)
        throw UsageError(what, o.command);
}

std::string commandUsage(const std::string& command)
{
    const CommandText* text = find(command);
    if (!text)
        return usageText();
    return std::string("usage:\n  ") + text->synopsis + "\n\n" + text->description +
           "\noptions: -q, --quiet  no report on success; -h, --help  this text\n";
}

std::string usageText()
{
    std::string usage = "usage:\n";
    for (const CommandText& c : commands())
        usage += std::string("  ") + c.synopsis + "\n";
    usage += "'zelk-lut COMMAND --help' describes a command.\n";
    return usage;
}

} // namespace zelk::lut::cli
