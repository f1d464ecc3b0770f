#include "LookNames.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace zelk::lut {

namespace fs = std::filesystem;

std::string lookNameOfFile(const std::string& fileName)
{
    const std::size_t n = std::strlen(kLookFileSuffix);
    if (fileName.size() >= n && fileName.compare(fileName.size() - n, n, kLookFileSuffix) == 0)
        return fileName.substr(0, fileName.size() - n);
    return fileName;
}

std::vector<std::string> listLookNames(const std::string& directory,
                                       const std::function<void(const char*)>& onError)
{
    std::vector<std::string> names;
    try {
        for (const fs::directory_entry& entry : fs::directory_iterator(directory)) {
            // is_regular_file() uses the type the listing reported and asks for the
            // status (following links) only when that was unknown or a link.
            if (entry.is_regular_file())
                names.push_back(lookNameOfFile(entry.path().filename().string()));
        }
    } catch (const fs::filesystem_error& e) {
        onError(e.what());
        return names;
    }
    // std::string orders by unsigned bytes, a prefix before its extensions.
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace zelk::lut
