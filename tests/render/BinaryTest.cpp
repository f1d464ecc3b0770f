// What the built shared object exports and needs: only the two OFX entry points,
// only C-runtime libraries (the C++ runtime is linked in), our run-time path.

#include <cstdio>
#include <set>
#include <sstream>

#include "RenderFixture.h"

using namespace zelktest;

namespace {

std::string runCommand(const std::string& command)
{
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    char buffer[4096];
    size_t n;
    while (pipe != nullptr && (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        output.append(buffer, n);
    }
    if (pipe != nullptr) {
        ::pclose(pipe);
    }
    return output;
}

std::string quoted(const fs::path& path)
{
    return "'" + path.string() + "'";
}

} // namespace

TEST(Binary, ExportsExactlyTheTwoEntryPoints)
{
    const fs::path binary = TestBundle::builtBinary();
    ASSERT_TRUE(fs::exists(binary)) << binary;
    std::istringstream symbols(runCommand("nm -D --defined-only " + quoted(binary)));
    std::set<std::string> exported;
    for (std::string line; std::getline(symbols, line);) {
        std::istringstream fields(line);
        std::string address, type, name;
        if (fields >> address >> type >> name) {
            exported.insert(name);
        }
    }
    EXPECT_EQ(exported, (std::set<std::string>{"OfxGetNumberOfPlugins", "OfxGetPlugin"}));
}

TEST(Binary, NeedsOnlyTheCRuntimeAndCarriesItsSearchPath)
{
    const std::string dynamic = runCommand("readelf -d " + quoted(TestBundle::builtBinary()));
    ASSERT_FALSE(dynamic.empty());
    const std::set<std::string> allowed = {"libc.so.6",       "libm.so.6",  "libdl.so.2",
                                           "libpthread.so.0", "librt.so.1", "ld-linux-x86-64.so.2"};
    std::istringstream lines(dynamic);
    int needed = 0;
    bool searchPath = false;
    for (std::string line; std::getline(lines, line);) {
        const size_t open = line.find('[');
        const size_t close = line.find(']');
        if (open == std::string::npos || close == std::string::npos) {
            continue;
        }
        const std::string value = line.substr(open + 1, close - open - 1);
        if (line.find("(NEEDED)") != std::string::npos) {
            ++needed;
#if !defined(ZELK_TEST_SANITIZED)
            EXPECT_TRUE(allowed.count(value) == 1) << "unexpected needed library " << value;
#endif
        } else if (line.find("(RUNPATH)") != std::string::npos ||
                   line.find("(RPATH)") != std::string::npos) {
            searchPath = true;
            EXPECT_EQ(value, "/usr/OFX/Plugins/ZELK-Look-Lib.ofx.bundle/Contents/Linux-x86-64/");
        }
    }
    EXPECT_GT(needed, 0);
    EXPECT_TRUE(searchPath);
}
