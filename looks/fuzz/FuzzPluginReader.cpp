// libFuzzer target: the plug-in's look-file reader (the lenient mode behind
// read_triplets), fed through a real file. It must take exactly the entries the
// header announces when the file holds them (and their lattice is one the plug-in
// applies or smaller), and otherwise leave the LUT as it was.

#include "CubeBin.h"
#include "LutRules.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

const std::string& scratchPath()
{
    static const std::string path = [] {
        char name[] = "/tmp/zelk-fuzz-lookXXXXXX";
        const int fd = mkstemp(name);
        if (fd < 0)
            std::abort();
        close(fd);
        return std::string(name);
    }();
    return path;
}

void writeScratch(const std::uint8_t* data, std::size_t size)
{
    FILE* f = std::fopen(scratchPath().c_str(), "wb");
    if (!f || std::fwrite(data, 1, size, f) != size || std::fclose(f) != 0)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    writeScratch(data, size);
    // A LUT from an earlier render: what a rejected file must leave alone.
    std::vector<zelk_vec3<float>> lut(3, zelk_vec3<float>{0.25f, 0.5f, 0.75f});
    const std::vector<zelk_vec3<float>> before = lut;
    const bool loaded =
        zelk::lut::readCubeBinLenient(scratchPath(), lut, [](const std::string&) {}).loaded();

    std::uint64_t count = 0;
    if (size >= 8)
        std::memcpy(&count, data, 8);
    const bool complete = size >= 8 && count <= (size - 8) / 12 &&
                          zelk::lut::lutSizeForCount(count) <= zelk::lut::kMaxCubeSize;
    if (loaded != complete)
        std::abort();
    if (!complete) {
        if (lut.size() != before.size() ||
            std::memcmp(lut.data(), before.data(), before.size() * sizeof before[0]) != 0)
            std::abort();
        return 0;
    }
    if (lut.size() != count || (count && std::memcmp(lut.data(), data + 8, count * 12) != 0))
        std::abort();
    return 0;
}
