// `cmake --install` as a packager runs it, into a staging folder (DESTDIR):
// the bundle lands where OFX hosts look, ofx-render and zelk-lut under bin/,
// and the installed tools run.
#include "ToolTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace fs = std::filesystem;

namespace {

class InstallTest : public tooltest::ScratchDirTest {};

} // namespace

TEST_F(InstallTest, InstallPutsTheBundleWhereHostsLookAndTheToolsUnderBin)
{
    ::setenv("DESTDIR", dir.c_str(), 1);
    const tooltest::RunResult install =
        tooltest::runProgram(ZELK_CMAKE_COMMAND, {"--install", ZELK_BUILD_DIR}, dir.string());
    ::unsetenv("DESTDIR");
    ASSERT_EQ(install.exitCode, 0) << install.err;

    const fs::path staged = dir / fs::path(ZELK_INSTALL_BUNDLE_DIR).relative_path();
    const fs::path bin = dir / fs::path(ZELK_INSTALL_BIN_DIR).relative_path();
    const fs::path bundle = staged / "ZELK-Look-Lib.ofx.bundle";
    EXPECT_TRUE(fs::is_regular_file(bundle / "Contents" / "Linux-x86-64" / "ZELK-Look-Lib.ofx"));
    EXPECT_TRUE(fs::is_regular_file(bundle / "Contents" / "Resources" / "looks_bin_tevo4" /
                                    "Film Print.cube.bin"));

    const tooltest::RunResult describe = tooltest::runProgram(
        (bin / "ofx-render").string(), {"--describe", bundle.string()}, dir.string());
    EXPECT_EQ(describe.exitCode, 0) << describe.err;
    EXPECT_TRUE(describe.out.find("com.ZELKOpenFX.ZELKLookLib") != std::string::npos);
    const tooltest::RunResult info = tooltest::runProgram(
        (bin / "zelk-lut").string(),
        {"info",
         (bundle / "Contents" / "Resources" / "looks_bin_tevo" / "Identity.cube.bin").string()},
        dir.string());
    EXPECT_EQ(info.exitCode, 0) << info.err;
}
