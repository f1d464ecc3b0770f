// The commands on look files: generate, convert, export and info.

#include "Commands.h"
#include "LoadLook.h"

#include "AtomicFile.h"
#include "Bake.h"
#include "BundleLooks.h"
#include "CubeBin.h"
#include "CubeBinReport.h"
#include "CubeText.h"
#include "Generate.h"
#include "LutError.h"
#include "LutRules.h"
#include "Subdivide.h"
#include "TextInput.h"
#include "ocio/OcioFile.h"

#include <cstdio>
#include <filesystem>

namespace zelk::lut::cli {

namespace {

// The largest lattice OpenColorIO reads from a .cube.
constexpr int kLargestOcioCube = 129;

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
    if (r.exactCube && r.count <= r.entriesHeld && r.ruleSize >= kMinCubeSize &&
        r.ruleSize < kMinAppliedSize)
        std::printf("  convert and add: subdivide it exactly to lattice %d\n",
                    subdividedSize(r.ruleSize));
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
        std::printf("  title: \"%s\"\n", printable(cube.title, 200).c_str());
    if (cube.size1d)
        std::printf("  1D table: %d entries\n", cube.size1d);
    if (cube.size3d)
        std::printf("  3D table: lattice %d (%zu rows)\n", cube.size3d, cube.table3d.size() / 3);
    if (cube.usesInputRanges) {
        if (cube.size1d)
            std::printf("  1D input range: %g..%g\n", static_cast<double>(cube.range1d[0]),
                        static_cast<double>(cube.range1d[1]));
        if (cube.size3d)
            std::printf("  3D input range: %g..%g\n", static_cast<double>(cube.range3d[0]),
                        static_cast<double>(cube.range3d[1]));
    } else {
        std::printf("  domain: %g %g %g to %g %g %g\n", static_cast<double>(cube.domainMin[0]),
                    static_cast<double>(cube.domainMin[1]), static_cast<double>(cube.domainMin[2]),
                    static_cast<double>(cube.domainMax[0]), static_cast<double>(cube.domainMax[1]),
                    static_cast<double>(cube.domainMax[2]));
    }
    float lo, hi;
    valueRange(cube.size3d ? cube.table3d : cube.table1d, lo, hi);
    std::printf("  values: %.9g to %.9g\n", static_cast<double>(lo), static_cast<double>(hi));
    try {
        printReport("  convert: ", convertWithReport(cube, size, path).report, "    ");
    } catch (const LutError& e) {
        std::printf("  convert: refuses: %s\n", e.what());
    }
}

std::string lookTitle(const std::string& path)
{
    std::string title = std::filesystem::path(path).filename().string();
    const std::string suffix = ".cube.bin";
    if (title.size() >= suffix.size() &&
        title.compare(title.size() - suffix.size(), suffix.size(), suffix) == 0)
        title.resize(title.size() - suffix.size());
    return title;
}

} // namespace

int commandGenerate(const Options& o)
{
    expectPositional(o, 1, "generate takes one output directory");
    const std::string& dir = o.positional[0];
    const int size = o.size ? o.size : kDefaultLookSize;
    // Every file checked before the first is written.
    for (TransferCurve curve : {TransferCurve::Tevo4, TransferCurve::Tevo3})
        for (const LookRecipe& recipe : lookRecipes())
            checkOutputPath(dir + "/" + curveDirectory(curve) + "/" + recipe.name + ".cube.bin", {},
                            o.force);
    const int written = generateLookSet(dir, size);
    if (!o.quiet)
        std::printf("%d looks at lattice %d for 2 transfer curves: %d files in %s\n",
                    static_cast<int>(lookRecipes().size()), size, written, dir.c_str());
    return 0;
}

int commandConvert(const Options& o)
{
    expectPositional(o, 2, "convert takes an input .cube (or .cube.bin) and an output .cube.bin");
    const std::string& in = o.positional[0];
    const std::string& out = o.positional[1];
    checkOutputPath(out, {in}, o.force);
    const LoadedLook look = loadLook(in, o.size);
    checkOutputPath(out, {in}, o.force); // again: converting can take a while
    writeFileAtomic(out, encodeCubeBin(look.lut));
    if (!o.quiet)
        printReport(in + " -> " + out + ": ", look.report, "  ");
    return 0;
}

int commandExport(const Options& o)
{
    if (o.positional.size() != 2 && o.positional.size() != 3)
        throw UsageError("export takes IN.cube.bin OUT.cube, or BUNDLE NAME OUT.cube --curve C",
                         o.command);
    const bool byName = o.positional.size() == 3;
    if (byName && o.curve.empty())
        throw UsageError("export of a look by name needs --curve tevo4 or --curve tevo3",
                         o.command);
    if (!byName && !o.curve.empty())
        throw UsageError("--curve picks a bundle's look by name: export BUNDLE NAME OUT.cube",
                         o.command);
    std::string in = o.positional[0];
    std::string title;
    if (byName) {
        const BundleLooks bundle(o.positional[0]);
        title = o.positional[1];
        in = bundle.file(o.curve == "tevo4" ? TransferCurve::Tevo4 : TransferCurve::Tevo3, title);
        if (!std::filesystem::exists(in))
            throw LutError(where(bundle.bundle()) + "no look named '" + printable(title) +
                           "' for " + o.curve + " (" + in + " is missing)");
    } else {
        title = lookTitle(in);
    }
    const std::string& out = o.positional.back();
    checkOutputPath(out, {in}, o.force);
    std::string warning;
    const LatticeLut lut = parseCubeBin(readWholeFile(in), in, &warning);
    if (!warning.empty())
        std::fprintf(stderr, "%s\n", warning.c_str());
    if (lut.size > kLargestOcioCube)
        std::fprintf(stderr,
                     "%s: warning: lattice %d is above %d, the largest OpenColorIO reads; "
                     "OpenColorIO applications will refuse the file\n",
                     out.c_str(), lut.size, kLargestOcioCube);
    writeFileAtomic(out, formatCubeText(lut, title));
    if (!o.quiet)
        std::printf("%s -> %s: lattice %d\n", in.c_str(), out.c_str(), lut.size);
    return 0;
}

int commandInfo(const Options& o)
{
    expectPositional(o, 1, "info takes one file");
    const std::string& path = o.positional[0];
    if (ocio::readByOpenColorIo(path)) {
        ocio::printOcioFileInfo(path, o.size);
        return 0;
    }
    const std::string bytes = readWholeFile(path);
    if (isCubeBin(path, bytes))
        infoCubeBin(path, bytes);
    else
        infoCubeText(path, bytes, o.size);
    return 0;
}

} // namespace zelk::lut::cli
