// libFuzzer target: the .cube text reader. Any input either parses or throws
// LutError; a parsed 3D table written out again must read back bit for bit.

#include "Bake.h"
#include "CubeText.h"
#include "LutError.h"

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
    try {
        const BakePlan plan = planConversion(cube, 0, "fuzz.cube");
        const LatticeLut lut = convertCube(cube, plan);
        if (lut.size != plan.size)
            std::abort();
    } catch (const LutError&) {
    }
    return 0;
}
