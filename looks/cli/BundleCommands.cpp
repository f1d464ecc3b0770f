// The commands on a bundle's looks by name: list, add and remove.

#include "BundleInstall.h"
#include "Commands.h"
#include "LoadLook.h"

#include "AtomicFile.h"
#include "BundleLooks.h"
#include "CubeBin.h"
#include "CubeBinReport.h"
#include "Derive.h"
#include "LutError.h"
#include "TextInput.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sys/stat.h>

namespace zelk::lut::cli {

namespace fs = std::filesystem;

namespace {

constexpr TransferCurve kCurves[2] = {TransferCurve::Tevo4, TransferCurve::Tevo3};

} // namespace

void checkLookName(const Options& o, const std::string& name)
{
    auto refuse = [&](const std::string& why) { throw UsageError(why, o.command); };
    if (name.empty())
        refuse("the look name is empty");
    if (name.size() >= 5 &&
        (name.compare(name.size() - 5, 5, ".cube") == 0 ||
         (name.size() >= 9 && name.compare(name.size() - 9, 9, ".cube.bin") == 0)))
        refuse("give the look name without a file ending, not '" + printable(name) + "'");
    if (name[0] == '.')
        refuse("a look name may not start with '.'");
    for (char c : name)
        if (c == '/' || static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            refuse("a look name may not hold '/' or control characters");
    if (name.size() > 200)
        refuse("the look name is longer than 200 bytes");
}

namespace {

// "33", "missing", or "17 (not applied: ...)" for one curve's file of a look.
std::string fileState(const std::string& path)
{
    std::error_code ec;
    if (!fs::is_regular_file(path, ec))
        return "missing";
    std::string bytes;
    try {
        bytes = readWholeFile(path);
    } catch (const LutError& e) {
        return std::string("unreadable: ") + e.what();
    }
    const CubeBinReport r = inspectCubeBin(bytes);
    const std::string size = r.hasHeader ? std::to_string(r.ruleSize) : "?";
    return r.applied ? size : size + " (not applied: " + r.reason + ")";
}

bool sameFile(const std::string& a, const std::string& b)
{
    struct stat sa {
    }, sb{};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

// Both curves' lattices: converted from the files given, or one derived.
void prepareInputs(const Options& o, CurveInput (&inputs)[2])
{
    const std::string* files[2] = {&o.tevo4, &o.tevo3};
    for (int i = 0; i < 2; ++i) {
        if (files[i]->empty())
            continue;
        LoadedLook look = loadLook(*files[i], o.size);
        inputs[i] = {*files[i], *files[i], std::move(look.lut), std::move(look.report)};
    }
    if (!o.derive)
        return;
    const int from = o.tevo4.empty() ? 1 : 0;
    const int to = 1 - from;
    // From the file's own lattice rather than the copy resampled to --size: one interpolation
    // of the colourist's table, not two.
    const LatticeLut source = o.size ? loadLook(*files[from], 0).lut : inputs[from].lut;
    const int size = o.size ? o.size : std::max(source.size, 65);
    DerivedLook derived = deriveLookWithReport(source, kCurves[from], kCurves[to], size);
    inputs[to] = {"", "derived", std::move(derived.lut), std::move(derived.report)};
}

// Refuses to replace what is there unless --force, and anything that is not
// a look file; an existing half of a look (one file only) counts as a look.
void checkTargets(const Options& o, const BundleLooks& bundle, const std::string& name,
                  const std::vector<std::string>& inputs)
{
    std::vector<std::string> present;
    for (TransferCurve curve : kCurves) {
        const std::string file = bundle.file(curve, name);
        checkOutputPath(file, inputs, true);
        if (fs::exists(fs::symlink_status(file)))
            present.push_back(curveName(curve));
    }
    if (present.empty() || o.force)
        return;
    const std::string which = present.size() == 2 ? "" : " (only its " + present[0] + " file)";
    throw LutError(where(bundle.file(TransferCurve::Tevo3, name)) + "a look named '" +
                   printable(name) + "' exists already" + which + " (--force replaces it)");
}

} // namespace

void installLook(const Options& o, const BundleLooks& bundle, const std::string& name,
                 const CurveInput (&inputs)[2])
{
    const BundleLock lock(bundle);
    std::vector<std::string> inputFiles;
    for (const CurveInput& input : inputs)
        if (!input.file.empty())
            inputFiles.push_back(input.file);
    checkTargets(o, bundle, name, inputFiles);
    for (TransferCurve curve : kCurves) {
        std::error_code ec;
        fs::create_directories(bundle.directory(curve), ec);
        if (ec)
            throw LutError(where(bundle.directory(curve)) +
                           "cannot create the directory: " + ec.message());
    }
    // The host lists the names from the Tevo3 directory: its file goes in
    // last, so a host never lists a look whose Tevo4 file is not there yet.
    const PendingFile files[2] = {
        {bundle.file(TransferCurve::Tevo4, name), encodeCubeBin(inputs[0].lut)},
        {bundle.file(TransferCurve::Tevo3, name), encodeCubeBin(inputs[1].lut)}};
    writeFilesAtomic(files, 2, bundle.resources());
    if (o.quiet)
        return;
    std::printf("added look '%s' to %s\n", printable(name, 200).c_str(), bundle.bundle().c_str());
    for (int i = 0; i < 2; ++i)
        printReport(std::string("  ") + curveName(kCurves[i]) + ": " + inputs[i].label + ": ",
                    inputs[i].report, "    ");
}

int commandAdd(const Options& o)
{
    expectPositional(o, 2, "add takes a bundle and a look name");
    if (o.derive ? o.tevo4.empty() == o.tevo3.empty() : o.tevo4.empty() || o.tevo3.empty())
        throw UsageError(o.derive ? "--derive takes one of --tevo4 FILE and --tevo3 FILE"
                                  : "add needs both --tevo4 FILE and --tevo3 FILE (or one of "
                                    "them with --derive)",
                         o.command);
    const std::string& name = o.positional[1];
    checkLookName(o, name);
    const BundleLooks bundle(o.positional[0]);
    if (!o.derive && sameFile(o.tevo4, o.tevo3))
        std::fprintf(stderr,
                     "zelk-lut: warning: the same file for both curves (%s): the curves encode "
                     "scene light differently, so the look will differ between them "
                     "(--derive builds one curve's file from the other's)\n",
                     o.tevo4.c_str());

    // Convert both before touching the bundle.
    CurveInput inputs[2];
    prepareInputs(o, inputs);
    installLook(o, bundle, name, inputs);
    return 0;
}

int commandRemove(const Options& o)
{
    expectPositional(o, 2, "remove takes a bundle and a look name");
    const std::string& name = o.positional[1];
    checkLookName(o, name);
    const BundleLooks bundle(o.positional[0]);
    const BundleLock lock(bundle);
    // Tevo3 first: the host stops listing the look before its Tevo4 file goes.
    const std::vector<std::string> files = {bundle.file(TransferCurve::Tevo3, name),
                                            bundle.file(TransferCurve::Tevo4, name)};
    bool any = false;
    for (const std::string& file : files) {
        const fs::file_status status = fs::symlink_status(file);
        if (!fs::exists(status))
            continue;
        if (!fs::is_regular_file(status) && !fs::is_symlink(status))
            throw LutError(where(file) + "not a look file: nothing removed");
        any = true;
    }
    if (!any)
        throw LutError(where(bundle.bundle()) + "no look named '" + printable(name) + "'");
    removeFilesAtomic(files, bundle.resources());
    if (!o.quiet)
        std::printf("removed look '%s' from %s\n", printable(name, 200).c_str(),
                    bundle.bundle().c_str());
    return 0;
}

int commandList(const Options& o)
{
    expectPositional(o, 1, "list takes a bundle");
    const BundleLooks bundle(o.positional[0]);
    const std::vector<std::string> names = bundle.names();
    const std::vector<std::string> unlisted = bundle.unlistedNames();
    std::size_t width = 0;
    for (const auto* group : {&names, &unlisted})
        for (const std::string& name : *group)
            width = std::max(width, printable(name, 200).size());
    std::printf("%s: %zu looks, in the order the host shows them\n", bundle.bundle().c_str(),
                names.size());
    auto row = [&](const std::string& name) {
        std::printf("  %-*s  %s %s, %s %s\n", static_cast<int>(width), printable(name, 200).c_str(),
                    curveName(TransferCurve::Tevo4),
                    fileState(bundle.file(TransferCurve::Tevo4, name)).c_str(),
                    curveName(TransferCurve::Tevo3),
                    fileState(bundle.file(TransferCurve::Tevo3, name)).c_str());
    };
    for (const std::string& name : names)
        row(name);
    if (!unlisted.empty()) {
        std::printf("not listed by the host (no %s file):\n", curveName(TransferCurve::Tevo3));
        for (const std::string& name : unlisted)
            row(name);
    }
    return 0;
}

} // namespace zelk::lut::cli
