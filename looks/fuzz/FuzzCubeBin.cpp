// libFuzzer target: the strict .cube.bin reader and the report behind
// `zelk-lut info`. A file the strict reader accepts encodes back to its own bytes.

#include "CubeBin.h"
#include "CubeBinReport.h"
#include "LutError.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace zelk::lut;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const CubeBinReport report = inspectCubeBin(bytes);
    if (report.applied && report.count > report.entriesHeld)
        std::abort();
    try {
        const LatticeLut lut = parseCubeBin(bytes, "fuzz.cube.bin");
        const std::string encoded = encodeCubeBin(lut);
        if (bytes.substr(0, encoded.size()) != encoded || report.count != lut.entryCount())
            std::abort();
    } catch (const LutError&) {
    }
    return 0;
}
