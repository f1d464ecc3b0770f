#include "TestBundle.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace looktest {

namespace fs = std::filesystem;

void writeLookFile(const std::string& path, const Lut& lut)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    const uint64_t count = lut.size();
    unsigned char header[8];
    for (int i = 0; i < 8; ++i)
        header[i] = static_cast<unsigned char>(count >> (8 * i));
    out.write(reinterpret_cast<const char*>(header), sizeof header);
    // x86-64 stores floats little-endian already.
    out.write(reinterpret_cast<const char*>(lut.data()),
              static_cast<std::streamsize>(lut.size() * sizeof(lut[0])));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

std::string makeTestBundle(const std::string& builtBundle, const std::string& dir,
                           const std::vector<NamedLook>& looks)
{
    const fs::path from(builtBundle);
    const fs::path to = fs::path(dir) / from.filename();
    fs::remove_all(to);
    fs::create_directories(to / "Contents");
    fs::copy(from / "Contents" / "Linux-x86-64", to / "Contents" / "Linux-x86-64",
             fs::copy_options::recursive);
    for (const char* sub : {"looks_bin_tevo", "looks_bin_tevo4"}) {
        const fs::path lookDir = to / "Contents" / "Resources" / sub;
        fs::create_directories(lookDir);
        for (const NamedLook& look : looks)
            writeLookFile((lookDir / (look.name + ".cube.bin")).string(), look.lut);
    }
    return to.string();
}

} // namespace looktest
