#include "Commands.h"

#include "AtomicFile.h"
#include "Bake.h"
#include "CubeBin.h"
#include "CubeBinReport.h"
#include "CubeText.h"
#include "Generate.h"
#include "LutError.h"
#include "LutRules.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace zelk::lut::cli {

namespace fs = std::filesystem;

namespace {

struct Options {
    std::vector<std::string> positional;
    int size = 0; // 0: not given
    bool quiet = false;
    bool force = false;
    std::string tevo4;
    std::string tevo3;
};

int parseSize(const std::string& text)
{
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || v < kMinAppliedSize || v > kMaxCubeSize)
        throw UsageError("--size needs a whole number from 18 to 256, not '" + text + "'");
    return static_cast<int>(v);
}

Options parseOptions(const std::vector<std::string>& args, std::size_t first)
{
    Options o;
    auto value = [&](std::size_t& i) -> const std::string& {
        if (i + 1 >= args.size())
            throw UsageError(args[i] + " needs a value");
        return args[++i];
    };
    for (std::size_t i = first; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--size")
            o.size = parseSize(value(i));
        else if (a == "--tevo4")
            o.tevo4 = value(i);
        else if (a == "--tevo3")
            o.tevo3 = value(i);
        else if (a == "--quiet" || a == "-q")
            o.quiet = true;
        else if (a == "--force")
            o.force = true;
        else if (a.size() > 1 && a[0] == '-')
            throw UsageError("unknown option '" + a + "'");
        else
            o.positional.push_back(a);
    }
    return o;
}

void expectPositional(const Options& o, std::size_t count, const char* what)
{
    if (o.positional.size() != count)
        throw UsageError(what);
}

// Options that only `add` (or only commands that resample) understand.
void rejectOptions(const Options& o, const std::string& command, bool sizeAllowed)
{
    if (!o.tevo4.empty() || !o.tevo3.empty() || o.force)
        throw UsageError("--tevo4, --tevo3 and --force belong to add, not " + command);
    if (o.size && !sizeAllowed)
        throw UsageError("--size does not apply to " + command);
}

bool endsWith(const std::string& s, const std::string& tail)
{
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// By name first; otherwise a file whose first bytes are not text is binary.
bool isCubeBin(const std::string& path, const std::string& bytes)
{
    if (endsWith(path, ".cube.bin"))
        return true;
    if (endsWith(path, ".cube"))
        return false;
    for (std::size_t i = 0; i < bytes.size() && i < 8; ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x09 || (c > 0x0d && c < 0x20))
            return true;
    }
    return false;
}

void printWarnings(const std::vector<std::string>& warnings)
{
    for (const std::string& w : warnings)
        std::fprintf(stderr, "%s\n", w.c_str());
}

// A .cube or .cube.bin input as the plug-in's lattice; `note` says what was done.
LatticeLut loadAsLattice(const std::string& path, int size, std::string& note)
{
    const std::string bytes = readWholeFile(path);
    if (isCubeBin(path, bytes)) {
        std::string warning;
        LatticeLut lut = parseCubeBin(bytes, path, &warning);
        if (!warning.empty())
            std::fprintf(stderr, "%s\n", warning.c_str());
        if (lut.size < kMinAppliedSize)
            throw LutError(where(path) + "its lattice of " + std::to_string(lut.size) +
                           " points per axis is below the 18 the plug-in applies");
        if (size && size != lut.size)
            throw LutError(where(path) + "--size resamples .cube files only; export it first");
        note = "lattice " + std::to_string(lut.size) + " copied";
        return lut;
    }
    const CubeText cube = parseCubeText(bytes, path);
    printWarnings(cube.warnings);
    const BakePlan plan = planConversion(cube, size, path);
    note = plan.note;
    return convertCube(cube, plan);
}

int commandGenerate(const Options& o)
{
    expectPositional(o, 1, "generate takes one output directory");
    const int size = o.size ? o.size : kDefaultLookSize;
    const int written = generateLookSet(o.positional[0], size);
    if (!o.quiet)
        std::printf("%d looks at lattice %d for 2 transfer curves: %d files in %s\n",
                    static_cast<int>(lookRecipes().size()), size, written, o.positional[0].c_str());
    return 0;
}

int commandConvert(const Options& o)
{
    expectPositional(o, 2, "convert takes an input .cube and an output .cube.bin");
    const std::string& in = o.positional[0];
    const std::string& out = o.positional[1];
    const CubeText cube = readCubeText(in);
    printWarnings(cube.warnings);
    const BakePlan plan = planConversion(cube, o.size, in);
    writeFileAtomic(out, encodeCubeBin(convertCube(cube, plan)));
    if (!o.quiet)
        std::printf("%s -> %s: %s\n", in.c_str(), out.c_str(), plan.note.c_str());
    return 0;
}

int commandExport(const Options& o)
{
    expectPositional(o, 2, "export takes an input .cube.bin and an output .cube");
    const std::string& in = o.positional[0];
    const std::string& out = o.positional[1];
    std::string warning;
    const LatticeLut lut = parseCubeBin(readWholeFile(in), in, &warning);
    if (!warning.empty())
        std::fprintf(stderr, "%s\n", warning.c_str());
    std::string title = fs::path(in).filename().string();
    if (endsWith(title, ".cube.bin"))
        title.resize(title.size() - 9);
    writeFileAtomic(out, formatCubeText(lut, title));
    if (!o.quiet)
        std::printf("%s -> %s: lattice %d\n", in.c_str(), out.c_str(), lut.size);
    return 0;
}

void infoCubeBin(const std::string& path, const std::string& bytes)
{
    const CubeBinReport r = inspectCubeBin(bytes);
    std::printf("%s: look file (.cube.bin), %llu bytes\n", path.c_str(),
                static_cast<unsigned long long>(r.fileBytes));
    if (r.hasHeader) {
        std::printf("  entries: %llu announced, %llu held\n",
                    static_cast<unsigned long long>(r.count),
                    static_cast<unsigned long long>(r.entriesHeld));
        std::printf("  lattice: %d points per axis%s\n", r.ruleSize,
                    r.exactCube ? "" : " (the count is not a whole lattice)");
        if (r.trailingBytes)
            std::printf("  %llu bytes after the last entry (ignored)\n",
                        static_cast<unsigned long long>(r.trailingBytes));
        if (r.count && r.entriesHeld)
            std::printf("  values: %.9g to %.9g\n", static_cast<double>(r.minValue),
                        static_cast<double>(r.maxValue));
        if (r.nonFinite)
            std::printf("  non-finite values: %llu\n",
                        static_cast<unsigned long long>(r.nonFinite));
    }
    if (r.applied)
        std::printf("  plug-in: applies it\n");
    else
        std::printf("  plug-in: does not apply it: %s\n", r.reason.c_str());
}

void valueRange(const std::vector<float>& values, float& lo, float& hi)
{
    lo = hi = values.empty() ? 0.0f : values[0];
    for (float v : values) {
        lo = v < lo ? v : lo;
        hi = v > hi ? v : hi;
    }
}

void infoCubeText(const std::string& path, const std::string& bytes, int size)
{
    const CubeText cube = parseCubeText(bytes, path);
    printWarnings(cube.warnings);
    std::printf("%s: cube LUT (text)\n", path.c_str());
    if (!cube.title.empty())
        std::printf("  title: \"%s\"\n", cube.title.c_str());
    if (cube.size1d)
        std::printf("  1D table: %d entries\n", cube.size1d);
    if (cube.size3d)
        std::printf("  3D table: lattice %d (%zu rows)\n", cube.size3d, cube.table3d.size() / 3);
    if (cube.shaper)
        std::printf("  shaper input ranges: 1D %g..%g, 3D %g..%g\n",
                    static_cast<double>(cube.range1d[0]), static_cast<double>(cube.range1d[1]),
                    static_cast<double>(cube.range3d[0]), static_cast<double>(cube.range3d[1]));
    else
        std::printf("  domain: %g %g %g to %g %g %g\n", static_cast<double>(cube.domainMin[0]),
                    static_cast<double>(cube.domainMin[1]), static_cast<double>(cube.domainMin[2]),
                    static_cast<double>(cube.domainMax[0]), static_cast<double>(cube.domainMax[1]),
                    static_cast<double>(cube.domainMax[2]));
    float lo, hi;
    valueRange(cube.size3d ? cube.table3d : cube.table1d, lo, hi);
    std::printf("  values: %.9g to %.9g\n", static_cast<double>(lo), static_cast<double>(hi));
    try {
        const BakePlan plan = planConversion(cube, size, path);
        std::printf("  convert: %s\n", plan.note.c_str());
    } catch (const LutError& e) {
        std::printf("  convert: refuses: %s\n", e.what());
    }
}

int commandInfo(const Options& o)
{
    expectPositional(o, 1, "info takes one file");
    const std::string& path = o.positional[0];
    const std::string bytes = readWholeFile(path);
    if (isCubeBin(path, bytes))
        infoCubeBin(path, bytes);
    else
        infoCubeText(path, bytes, o.size);
    return 0;
}

void checkLookName(const std::string& name)
{
    if (name.empty())
        throw UsageError("the look name is empty");
    if (endsWith(name, ".cube.bin") || endsWith(name, ".cube"))
        throw UsageError("give the look name without a file ending, not '" + name + "'");
    if (name[0] == '.')
        throw UsageError("a look name may not start with '.'");
    for (char c : name)
        if (c == '/' || static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            throw UsageError("a look name may not hold '/' or control characters");
    if (name.size() > 200)
        throw UsageError("the look name is longer than 200 bytes");
}

int commandAdd(const Options& o)
{
    expectPositional(o, 2, "add takes a bundle and a look name");
    if (o.tevo4.empty() || o.tevo3.empty())
        throw UsageError("add needs both --tevo4 FILE and --tevo3 FILE");
    const std::string& bundle = o.positional[0];
    const std::string& name = o.positional[1];
    checkLookName(name);
    const std::string resources = bundle + "/Contents/Resources";
    if (!fs::is_directory(resources))
        throw LutError(where(bundle) + "not a plug-in bundle (no Contents/Resources directory)");

    // Convert both before touching the bundle.
    std::string note4, note3;
    const LatticeLut lut4 = loadAsLattice(o.tevo4, o.size, note4);
    const LatticeLut lut3 = loadAsLattice(o.tevo3, o.size, note3);

    const std::string dir4 = resources + "/" + curveDirectory(TransferCurve::Tevo4);
    const std::string dir3 = resources + "/" + curveDirectory(TransferCurve::Tevo3);
    const std::string file4 = dir4 + "/" + name + ".cube.bin";
    const std::string file3 = dir3 + "/" + name + ".cube.bin";
    if (!o.force)
        for (const std::string& f : {file4, file3})
            if (fs::exists(fs::symlink_status(f)))
                throw LutError(where(f) + "a look named '" + name +
                               "' exists already (--force replaces it)");
    for (const std::string& dir : {dir4, dir3}) {
        std::error_code ec;
        fs::create_directories(dir, ec);
        if (ec)
            throw LutError(where(dir) + "cannot create the directory: " + ec.message());
    }
    // The names are listed from the Tevo3 directory: its file goes in last, so
    // a host never lists a look whose Tevo4 file is not there yet.
    const PendingFile files[2] = {{file4, encodeCubeBin(lut4)}, {file3, encodeCubeBin(lut3)}};
    writeFilesAtomic(files, 2, resources);
    if (!o.quiet) {
        std::printf("added look '%s' to %s\n", name.c_str(), bundle.c_str());
        std::printf("  %s: %s: %s\n", curveName(TransferCurve::Tevo4), o.tevo4.c_str(),
                    note4.c_str());
        std::printf("  %s: %s: %s\n", curveName(TransferCurve::Tevo3), o.tevo3.c_str(),
                    note3.c_str());
    }
    return 0;
}

} // namespace

const char* usageText()
{
    return "usage:\n"
           "  zelk-lut generate OUTDIR [--size N]      write the bundled looks into "
           "OUTDIR/looks_bin_tevo{,4}\n"
           "  zelk-lut convert IN.cube OUT.cube.bin [--size N]\n"
           "  zelk-lut export IN.cube.bin OUT.cube\n"
           "  zelk-lut info FILE [--size N]\n"
           "  zelk-lut add BUNDLE NAME --tevo4 A.cube --tevo3 B.cube [--size N] [--force]\n"
           "options: --size N  lattice of the result (18 to 256; generate: 33 by default)\n"
           "         --quiet   no report on success\n";
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
    if (command == "generate") {
        rejectOptions(o, command, true);
        return commandGenerate(o);
    }
    if (command == "convert") {
        rejectOptions(o, command, true);
        return commandConvert(o);
    }
    if (command == "export") {
        rejectOptions(o, command, false);
        return commandExport(o);
    }
    if (command == "info") {
        rejectOptions(o, command, true);
        return commandInfo(o);
    }
    if (command == "add")
        return commandAdd(o);
    throw UsageError("unknown command '" + command + "'");
}

} // namespace zelk::lut::cli
