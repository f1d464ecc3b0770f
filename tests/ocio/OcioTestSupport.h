#pragma once

// The OpenColorIO tests' side of PyOpenColorIO (tests/ocio/ocio_helper.py in
// the venv that ./build.sh makes): running it, and the raw float files it
// reads and writes.

#include "LooksTestUtil.h"

#include <gtest/gtest.h>

#include <cstdio>
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

// A failure, not a skip, when the independent reader is missing: CI has it.
inline void requirePyOcio()
{
    const CommandResult r =
        looks_test::runProgram(ZELK_TEST_PYTHON, {"-c", "import PyOpenColorIO"});
    ASSERT_EQ(r.status, 0) << "PyOpenColorIO is not importable by " << ZELK_TEST_PYTHON
                           << " (./build.sh test creates that venv): " << r.output;
}

inline void writeFloats(const std::string& path, const std::vector<float>& values)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    std::fwrite(values.data(), sizeof(float), values.size(), f);
    std::fclose(f);
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

} // namespace ocio_test
