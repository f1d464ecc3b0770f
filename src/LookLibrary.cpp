#include "LookLibrary.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>

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

int lutSizeForCount(std::size_t count)
{
    const double oneThird = static_cast<double>(1.0f / 3.0f); // 0.3333333432674408
    const float root = static_cast<float>(std::pow(static_cast<double>(count), oneThird));
    return static_cast<int>(std::round(root));
}

bool lutIsUsable(std::size_t count, int lutSize)
{
    if (lutSize < 18) {
        return false;
    }
    const std::uint64_t n = static_cast<std::uint64_t>(lutSize);
    return count >= n * n * n;
}

} // namespace zelk

void read_triplets(const std::string& path, std::vector<zelk_vec3<float>>& lut)
{
    std::ifstream file(path, std::ios::binary);
    if (!file.is_open()) {
        OFX::Log::print("cant open file for reading: %s", path.c_str());
        return;
    }

    file.seekg(0, std::ios::end);
    const std::streamoff fileSize = file.tellg();
    file.seekg(0, std::ios::beg);

    std::uint64_t count = 0;
    if (fileSize < 8 || !file.read(reinterpret_cast<char*>(&count), sizeof count)) {
        OFX::Log::print("cant open file for reading: %s", path.c_str());
        OFX::Log::print("read_triplets: the file is shorter than its 8-byte header");
        return;
    }
    OFX::Log::print("read_triplets size: %llu", static_cast<unsigned long long>(count));

    // Checked before allocating: a hostile header must never make us reserve
    // more than the file actually holds.
    const std::uint64_t entriesInFile =
        static_cast<std::uint64_t>(fileSize - 8) / sizeof(zelk_vec3<float>);
    if (count > entriesInFile) {
        OFX::Log::print("cant open file for reading: %s", path.c_str());
        OFX::Log::print("read_triplets: the header announces %llu entries, the file holds %llu",
                        static_cast<unsigned long long>(count),
                        static_cast<unsigned long long>(entriesInFile));
        return;
    }

    std::vector<zelk_vec3<float>> entries(static_cast<std::size_t>(count));
    const std::streamsize bytes =
        static_cast<std::streamsize>(entries.size() * sizeof(zelk_vec3<float>));
    if (bytes > 0 && !file.read(reinterpret_cast<char*>(entries.data()), bytes)) {
        // The file shrank after its size was taken.
        OFX::Log::print("cant open file for reading: %s", path.c_str());
        return;
    }
    lut = std::move(entries);
}
