#include "BenchBundle.h"

#include "BenchData.h"

#include <filesystem>

namespace zelkbench {

namespace fs = std::filesystem;

std::string makeBenchBundle(const std::string& bundlePath, const std::string& dir)
{
    const fs::path from(bundlePath);
    const fs::path to = fs::path(dir) / from.filename();
    fs::remove_all(to);
    fs::create_directories(to / "Contents");
    fs::copy(from / "Contents" / "Linux-x86-64", to / "Contents" / "Linux-x86-64",
             fs::copy_options::recursive);
    for (const char* sub : {"looks_bin_tevo", "looks_bin_tevo4"}) {
        const fs::path looks = to / "Contents" / "Resources" / sub;
        fs::create_directories(looks);
        for (int n : {33, 65}) {
            writeLookFile((looks / ("bench" + std::to_string(n) + ".cube.bin")).string(),
                          makeLook(n), n);
        }
    }
    return to.string();
}

} // namespace zelkbench
