#pragma once

// The OpenColorIO tests' side of PyOpenColorIO (tests/ocio/ocio_helper.py in
// the venv that ./build.sh makes): a fixture that requires it, with a scratch
// directory, the config zelk-lut writes for the built bundle, and
// PyOpenColorIO's application of a transform to RGB floats.

#include "CubeBin.h"
#include "LooksTestUtil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace ocio_test {

using namespace looks_test;

inline CommandResult pyOcio(std::vector<std::string> args)
{
    args.insert(args.begin(), ZELK_OCIO_HELPER);
    return runProgram(ZELK_TEST_PYTHON, args);
}

inline void writeFloats(const std::string& path, const std::vector<float>& values)
{
    writeFile(path, std::string(reinterpret_cast<const char*>(values.data()),
                                values.size() * sizeof(float)));
}

inline std::vector<float> readFloats(const std::string& path)
{
    const std::string bytes = readFile(path);
    std::vector<float> values(bytes.size() / sizeof(float));
    std::memcpy(values.data(), bytes.data(), values.size() * sizeof(float));
    return values;
}

// RGB triples of every point of a 0..1 lattice of `n`, blue fastest (the
// order of the plug-in's lattices).
inline std::vector<float> latticePoints(int n)
{
    std::vector<float> rgb;
    for (int r = 0; r < n; ++r)
        for (int g = 0; g < n; ++g)
            for (int b = 0; b < n; ++b)
                for (int i : {r, g, b})
                    rgb.push_back(static_cast<float>(i / double(n - 1)));
    return rgb;
}

class OcioTest : public ::testing::Test {
protected:
    // A failure, not a skip, when the independent reader is missing: CI has it.
    void SetUp() override
    {
        const CommandResult r = runProgram(ZELK_TEST_PYTHON, {"-c", "import PyOpenColorIO"});
        ASSERT_EQ(r.status, 0) << "PyOpenColorIO is not importable by " << ZELK_TEST_PYTHON
                               << " (./build.sh test creates that venv): " << r.output;
        ASSERT_EQ(ourConfigRun().status, 0) << ourConfigRun().output;
    }

    // The config `zelk-lut ocio-config` writes for the built bundle, once per process.
    static const TempDir& ourDir()
    {
        static const TempDir dir("ocio-ours");
        return dir;
    }
    static const CommandResult& ourConfigRun()
    {
        static const CommandResult run =
            zelkLut("ocio-config", ZELK_TEST_BUNDLE, ourDir().file("cfg"));
        return run;
    }
    static std::string ours() { return ourDir().file("cfg/config.ocio"); }

    // PyOpenColorIO's application to RGB `inputs` of the transform that
    // `transform` names in ocio_helper.py's apply arguments (FROM, then --to CS,
    // --look L or --display D --view V).
    std::vector<float> pyOcioApply(const std::string& config, std::vector<std::string> transform,
                                   const std::vector<float>& inputs)
    {
        writeFloats(m_dir.file("in.f32"), inputs);
        fs::remove(m_dir.file("out.f32"));
        transform.insert(transform.begin(), {"apply", config});
        transform.insert(transform.end(), {m_dir.file("in.f32"), m_dir.file("out.f32")});
        const CommandResult r = pyOcio(transform);
        EXPECT_EQ(r.status, 0) << r.output;
        return readFloats(m_dir.file("out.f32"));
    }

    // The largest difference, relative to 1 or the value, between the
    // .cube.bin `file` and PyOpenColorIO's `transform` of `inputs` (RGB at its points).
    double differenceFromPyOcio(const std::string& file, const std::vector<float>& inputs,
                                const std::string& config,
                                const std::vector<std::string>& transform)
    {
        const zelk::lut::LatticeLut lut = zelk::lut::parseCubeBin(readFile(file), file);
        const std::vector<float> want = pyOcioApply(config, transform, inputs);
        EXPECT_EQ(want.size(), lut.values.size());
        double worst = 0.0;
        for (std::size_t i = 0; i < want.size() && i < lut.values.size(); ++i)
            worst = std::fmax(worst, std::fabs(double(lut.values[i]) - want[i]) /
                                         std::fmax(1.0, std::fabs(want[i])));
        return worst;
    }

    TempDir m_dir{"ocio"};
};

} // namespace ocio_test
