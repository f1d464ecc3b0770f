#include "LookLibrary.h"

#include <iostream>

#include "CubeBin.h"
#include "ofxsLog.h"

namespace zelk {

std::vector<std::string> listLookNames(const std::string& directory)
{
    return lut::listLookNames(directory, [](const char* error) {
        std::cerr << "Error access Dir: " << error << std::endl;
    });
}

} // namespace zelk

zelk::lut::CubeBinLoad read_triplets(const std::string& path, std::vector<zelk_vec3<float>>& lut)
{
    return zelk::lut::readCubeBinLenient(
        path, lut, [](const std::string& line) { OFX::Log::print("%s", line.c_str()); });
}
