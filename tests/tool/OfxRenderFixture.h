// The fixture of the ofx-render tests: the built tool and bundle, run in a
// scratch directory, and test images made there.
#pragma once

#include "Chart.h"
#include "ToolTestSupport.h"
#include "zelk/ImageIO.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace tooltest {

inline const std::string kBundle = ZELK_TEST_BUNDLE;

class OfxRenderTest : public ScratchDirTest {
protected:
    RunResult render(const std::vector<std::string>& args)
    {
        return runProgram(OFX_RENDER_PATH, args, dir.string());
    }
    // Renders with the built bundle; relative file names are in the scratch directory.
    RunResult renderWithBundle(std::vector<std::string> args)
    {
        args.insert(args.begin(), {"--bundle", kBundle});
        return render(args);
    }
    void writeChart(const std::string& name, int width = 64, int height = 36)
    {
        zelk::writeImage(file(name),
                         zelkdemo::makeChart(zelk::lut::TransferCurve::Tevo4, width, height),
                         zelk::formatFromFileName(name), zelk::SampleType::Float);
    }
};

// A bundle in `where` beside the built one: the same binary, and for both curves only the looks
// `names`, each holding `bytes`.
inline std::string bundleWithLooks(const std::filesystem::path& where,
                                   const std::vector<std::string>& names, const std::string& bytes)
{
    namespace fs = std::filesystem;
    const fs::path bundle = where / "ZELK-Look-Lib.ofx.bundle";
    fs::create_directories(bundle / "Contents");
    fs::create_directory_symlink(fs::path(kBundle) / "Contents" / "Linux-x86-64",
                                 bundle / "Contents" / "Linux-x86-64");
    for (const char* looks : {"looks_bin_tevo", "looks_bin_tevo4"}) {
        fs::create_directories(bundle / "Contents" / "Resources" / looks);
        for (const std::string& name : names)
            std::ofstream(bundle / "Contents" / "Resources" / looks / (name + ".cube.bin"),
                          std::ios::binary)
                << bytes;
    }
    return bundle.string();
}

inline bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

} // namespace tooltest
