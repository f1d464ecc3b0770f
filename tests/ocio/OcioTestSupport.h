#pragma once

// The OpenColorIO tests' side of PyOpenColorIO (tests/ocio/ocio_helper.py in
// the venv that ./build.sh makes): a fixture that requires it, with a scratch
// directory, and its application of a transform to RGB floats.

#include "LooksTestUtil.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace ocio_test {

using looks_test::CommandResult;

inline CommandResult pyOcio(const std::vector<std::string>& args)
{
    std::vector<std::string> all = {ZELK_OCIO_HELPER};
    all.insert(all.end(), args.begin(), args.end());
    return looks_test::runProgram(ZELK_TEST_PYTHON, all);
}

inline void writeFloats(const std::string& path, const std::vector<float>& values)
{
    looks_test::writeFile(path, std::string(reinterpret_cast<const char*>(values.data()),
                                            values.size() * sizeof(float)));
}

inline std::vector<float> readFloats(const std::string& path)
{
    const std::string bytes = looks_test::readFile(path);
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
        const CommandResult r =
            looks_test::runProgram(ZELK_TEST_PYTHON, {"-c", "import PyOpenColorIO"});
        ASSERT_EQ(r.status, 0) << "PyOpenColorIO is not importable by " << ZELK_TEST_PYTHON
                               << " (./build.sh test creates that venv): " << r.output;
    }

    // PyOpenColorIO's application to RGB `inputs` of the transform that
    // `transform` names in ocio_helper.py's apply arguments (FROM, then --to CS,
    // --look L or --display D --view V).
    std::vector<float> pyOcioApply(const std::string& config, std::vector<std::string> transform,
                                   const std::vector<float>& inputs)
    {
        writeFloats(m_dir.file("in.f32"), inputs);
        looks_test::fs::remove(m_dir.file("out.f32"));
        transform.insert(transform.begin(), {"apply", config});
        transform.insert(transform.end(), {m_dir.file("in.f32"), m_dir.file("out.f32")});
        const CommandResult r = pyOcio(transform);
        EXPECT_EQ(r.status, 0) << r.output;
        return readFloats(m_dir.file("out.f32"));
    }

    looks_test::TempDir m_dir{"ocio"};
};

} // namespace ocio_test
