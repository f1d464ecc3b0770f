// libFuzzer target: the .cube text reader (UTF-16 decoding, line ends, the
// shaper dialect) and the conversion plan. Any input either parses or throws
// LutError; a parsed 3D table written out again must read back bit for bit;
// a small lattice subdivides to the size the plan announced.

#include "Bake.h"
#include "CubeText.h"
#include "LatticeLut.h"
#include "LutError.h"
#include "LutRules.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace zelk::lut;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CubeText cube;
    try {
        cube = parseCubeText(text, "fuzz.cube");
    } catch (const LutError&) {
        return 0;
    }
    if (cube.size3d) {
        const LatticeLut lut = transposeTable(cube);
        const CubeText again = parseCubeText(formatCubeText(lut, cube.title), "again.cube");
        if (again.table3d.size() != cube.table3d.size() ||
            std::memcmp(again.table3d.data(), cube.table3d.data(),
                        cube.table3d.size() * sizeof(float)) != 0)
            std::abort();
    }
    const BakePlan plan = planConversion(cube, 0, "fuzz.cube");
    if (plan.size < kMinAppliedSize || plan.note.empty())
        std::abort();
    // Baking at the default 65 points would slow the fuzzer to a crawl; the
    // smallest lattice takes the same path.
    const BakePlan quick = plan.baked() ? planConversion(cube, kMinAppliedSize, "fuzz.cube") : plan;
    const LatticeLut lut = convertCube(cube, quick);
    if (lut.size != quick.size ||
        lut.values.size() != 3 * std::size_t(lut.size) * lut.size * lut.size)
        std::abort();
    return 0;
}
