#include "LookLibrary.h"

#include <algorithm>
#include <filesystem>
#include <iostream>

#include "CubeBin.h"
#include "ofxsLog.h"

namespace fs = std::filesystem;

namespace zelk {

namespace {

std::string lookNameOf(const fs::path& file)
{
    std::string name = file.filename().string();
    const std::string suffix = kLookFileSuffix;
    if (name.size() >= suffix.size() &&
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
        name.erase(name.size() - suffix.size());
    }
    return name;
}

} // namespace

std::vector<std::string> listLookNames(const std::string& directory)
{
    std::vector<std::string> names;
    try {
        for (const fs::directory_entry& entry : fs::directory_iterator(directory)) {
            // is_regular_file() uses the type the listing reported and asks for the
            // status (following links) only when that was unknown or a link.
            if (!entry.is_regular_file()) {
                continue;
            }
            names.push_back(lookNameOf(entry.path()));
        }
    } catch (const fs::filesystem_error& e) {
        std::cerr << "Error access Dir: " << e.what() << std::endl;
        return names;
    }
    // std::string orders by unsigned bytes, a prefix before its extensions.
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace zelk

zelk::lut::CubeBinLoad read_triplets(const std::string& path, std::vector<zelk_vec3<float>>& lut)
{
    return zelk::lut::readCubeBinLenient(
        path, lut, [](const std::string& line) { OFX::Log::print("%s", line.c_str()); });
}
