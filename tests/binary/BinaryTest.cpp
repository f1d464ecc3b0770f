// What the bundled shared object exports and needs: only the two OFX entry
// points; only C-runtime libraries (the C++ runtime is linked in), in versions
// the oldest supported glibc has; our run-time path.

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "ElfInfo.h"

using namespace zelktest;

namespace {

std::string builtBinary()
{
    return std::string(ZELK_TEST_BUNDLE) + "/Contents/Linux-x86-64/ZELK-Look-Lib.ofx";
}

const std::set<std::string> kCRuntime = {"libc.so.6",       "libm.so.6",  "libdl.so.2",
                                         "libpthread.so.0", "librt.so.1", "ld-linux-x86-64.so.2"};

} // namespace

TEST(Binary, ExportsExactlyTheTwoEntryPoints)
{
    std::vector<std::string> exported = exportedSymbols(builtBinary());
    std::sort(exported.begin(), exported.end());
    EXPECT_EQ(exported, (std::vector<std::string>{"OfxGetNumberOfPlugins", "OfxGetPlugin"}));
}

TEST(Binary, NeedsOnlyTheCRuntimeAndCarriesItsSearchPath)
{
    EXPECT_EQ(runPath(builtBinary()),
              "/usr/OFX/Plugins/ZELK-Look-Lib.ofx.bundle/Contents/Linux-x86-64/");
    const std::vector<std::string> needed = neededLibraries(builtBinary());
    EXPECT_FALSE(needed.empty());
    if (ZELK_TEST_SANITIZED) {
        GTEST_SKIP() << "sanitizer build: the module needs the sanitizer runtimes";
    }
    for (const std::string& library : needed) {
        EXPECT_EQ(kCRuntime.count(library), 1u) << "needs " << library;
    }
}

// Hosts run on the VFX Reference Platform's Linux baseline (glibc 2.28: Rocky
// and Alma 8); a single newer version makes their dlopen fail.
TEST(Binary, NeedsNoSymbolVersionNewerThanTheOldestSupportedGlibc)
{
    const std::vector<int> newest = glibcVersion("GLIBC_" ZELK_TEST_GLIBC_BASELINE);
    ASSERT_FALSE(newest.empty()) << ZELK_TEST_GLIBC_BASELINE;
    const std::vector<VersionReference> references = versionReferences(builtBinary());
    // Every libc user binds at least one versioned symbol: none found means the
    // listing was not read.
    ASSERT_TRUE(std::any_of(references.begin(), references.end(),
                            [](const VersionReference& r) { return r.library == "libc.so.6"; }));
    if (!ZELK_TEST_PORTABLE) {
        GTEST_SKIP() << "built without ZELK_PORTABLE: the module is for this machine's glibc";
    }
    for (const VersionReference& reference : references) {
        const std::vector<int> version = glibcVersion(reference.version);
        EXPECT_EQ(kCRuntime.count(reference.library), 1u) << reference.library;
        EXPECT_TRUE(!version.empty() && version <= newest)
            << reference.library << " " << reference.version << " is newer than glibc "
            << ZELK_TEST_GLIBC_BASELINE << " (objdump -T names its users)";
    }
}
