#include "LoadLook.h"

#include "AtomicFile.h"
#include "Bake.h"
#include "CubeBin.h"
#include "CubeText.h"
#include "ocio/OcioFile.h"

#include <cstdio>

namespace zelk::lut::cli {

namespace {

bool endsWith(const std::string& s, const std::string& tail)
{
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

} // namespace

bool isCubeBin(const std::string& path, const std::string& bytes)
{
    if (endsWith(path, ".cube.bin"))
        return true;
    if (endsWith(path, ".cube"))
        return false;
    // A byte-order mark starts text, whatever bytes follow.
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 || bytes.compare(0, 2, "\xFF\xFE") == 0 ||
        bytes.compare(0, 2, "\xFE\xFF") == 0)
        return false;
    for (std::size_t i = 0; i < bytes.size() && i < 8; ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c < 0x09 || (c > 0x0d && c < 0x20))
            return true;
    }
    return false;
}

void printWarnings(const std::vector<std::string>& warnings)
{
    for (const std::string& w : warnings)
        std::fprintf(stderr, "%s\n", w.c_str());
}

LoadedLook loadLook(const std::string& path, int size)
{
    if (ocio::readByOpenColorIo(path)) {
        Conversion conversion = ocio::convertOcioFile(path, size);
        return {std::move(conversion.lut), std::move(conversion.report)};
    }
    const std::string bytes = readWholeFile(path);
    CubeText cube;
    if (isCubeBin(path, bytes)) {
        std::string warning;
        cube = plainCube(parseCubeBin(bytes, path, &warning));
        if (!warning.empty())
            std::fprintf(stderr, "%s\n", warning.c_str());
    } else {
        cube = parseCubeText(bytes, path);
        printWarnings(cube.warnings);
    }
    Conversion conversion = convertWithReport(cube, size, path);
    return {std::move(conversion.lut), std::move(conversion.report)};
}

void printReport(const std::string& first, const std::vector<std::string>& report,
                 const char* indent)
{
    for (std::size_t i = 0; i < report.size(); ++i)
        std::printf("%s%s\n", i == 0 ? first.c_str() : indent, report[i].c_str());
}

} // namespace zelk::lut::cli
