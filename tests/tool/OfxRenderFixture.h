// The fixture of the ofx-render tests: the built tool and bundle, run in a
// scratch directory, and test images made there.
#pragma once

#include "Chart.h"
#include "ToolTestSupport.h"
#include "zelk/ImageIO.h"

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

inline bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

} // namespace tooltest
