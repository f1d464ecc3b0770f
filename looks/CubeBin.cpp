#include "CubeBin.h"

#include "AtomicFile.h"
#include "LutError.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace zelk::lut {

namespace {

constexpr std::size_t kHeaderBytes = 8;
constexpr std::size_t kEntryBytes = 12;

// The files are little-endian, like every machine the plug-in ships for.
std::uint64_t loadU64(const char* p)
{
    std::uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(p[i]);
    return v;
}

float loadF32(const char* p)
{
    std::uint32_t bits = 0;
    for (int i = 3; i >= 0; --i)
        bits = (bits << 8) | static_cast<unsigned char>(p[i]);
    float v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

void storeU64(std::string& out, std::uint64_t v)
{
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xffu));
}

void storeF32(std::string& out, float v)
{
    std::uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<char>((bits >> (8 * i)) & 0xffu));
}

} // namespace

LatticeLut makeLattice(int size)
{
    LatticeLut lut;
    lut.size = size;
    const std::size_t n = static_cast<std::size_t>(size);
    lut.values.assign(3 * n * n * n, 0.0f);
    return lut;
}

LatticeLut identityLattice(int size)
{
    LatticeLut lut = makeLattice(size);
    const float last = static_cast<float>(size - 1);
    for (int r = 0; r < size; ++r)
        for (int g = 0; g < size; ++g)
            for (int b = 0; b < size; ++b) {
                float* e = lut.entry(r, g, b);
                e[0] = static_cast<float>(r) / last;
                e[1] = static_cast<float>(g) / last;
                e[2] = static_cast<float>(b) / last;
            }
    return lut;
}

int lutSizeRule(std::uint64_t count)
{
    const double oneThird = static_cast<double>(1.0f / 3.0f);
    const float root = static_cast<float>(std::pow(static_cast<double>(count), oneThird));
    return static_cast<int>(std::round(root));
}

CubeBinReport inspectCubeBin(std::string_view bytes)
{
    CubeBinReport r;
    r.fileBytes = bytes.size();
    if (bytes.size() < kHeaderBytes) {
        r.reason = "the file is shorter than its 8-byte header; the plug-in leaves the look "
                   "unloaded";
        return r;
    }
    r.hasHeader = true;
    r.count = loadU64(bytes.data());
    r.entriesHeld = (bytes.size() - kHeaderBytes) / kEntryBytes;
    if (r.count <= r.entriesHeld)
        r.trailingBytes = bytes.size() - kHeaderBytes - r.count * kEntryBytes;
    r.ruleSize = lutSizeRule(r.count);
    const std::uint64_t n = static_cast<std::uint64_t>(r.ruleSize);
    // n <= 2^21 for any 64-bit count, so n^3 cannot overflow.
    const std::uint64_t cube = n * n * n;
    r.exactCube = cube == r.count;

    const std::uint64_t scanned = r.count < r.entriesHeld ? r.count : r.entriesHeld;
    bool first = true;
    for (std::uint64_t i = 0; i < 3 * scanned; ++i) {
        const float v = loadF32(bytes.data() + kHeaderBytes + 4 * i);
        if (!std::isfinite(v)) {
            ++r.nonFinite;
            continue;
        }
        if (first || v < r.minValue)
            r.minValue = v;
        if (first || v > r.maxValue)
            r.maxValue = v;
        first = false;
    }

    if (r.count > r.entriesHeld)
        r.reason = "the header announces " + std::to_string(r.count) + " entries but the file " +
                   "holds only " + std::to_string(r.entriesHeld) +
                   "; the plug-in treats it as unreadable";
    else if (r.ruleSize < kMinAppliedSize)
        r.reason = "its lattice of " + std::to_string(r.ruleSize) +
                   " points per axis is below the plug-in's minimum of " +
                   std::to_string(kMinAppliedSize);
    else if (r.count < cube)
        r.reason = std::to_string(r.count) + " entries do not fill the lattice of " +
                   std::to_string(r.ruleSize) + " points per axis (" + std::to_string(cube) +
                   " entries)";
    else
        r.applied = true;
    return r;
}

LatticeLut parseCubeBin(std::string_view bytes, const std::string& name, std::string* warning)
{
    if (bytes.size() < kHeaderBytes)
        throw LutError(where(name) + "too short for the 8-byte entry count (" +
                       std::to_string(bytes.size()) + " bytes)");
    const std::uint64_t count = loadU64(bytes.data());
    const std::uint64_t held = (bytes.size() - kHeaderBytes) / kEntryBytes;
    if (count == 0)
        throw LutError(where(name) + "holds no entries (count 0)");
    if (count > held)
        throw LutError(where(name) + "truncated: the header announces " + std::to_string(count) +
                       " entries, the file holds " + std::to_string(held));
    const int n = lutSizeRule(count);
    const std::uint64_t un = static_cast<std::uint64_t>(n);
    if (un * un * un != count)
        throw LutError(where(name) + std::to_string(count) +
                       " entries are not a whole lattice (N x N x N)");
    if (n < kMinCubeSize || n > kMaxCubeSize)
        throw LutError(where(name) + "lattice of " + std::to_string(n) +
                       " points per axis is outside 2 to 256");
    const std::uint64_t trailing = bytes.size() - kHeaderBytes - count * kEntryBytes;
    if (trailing > 0 && warning)
        *warning = where(name) + "warning: " + std::to_string(trailing) +
                   " bytes after the last entry are ignored";

    LatticeLut lut = makeLattice(n);
    for (std::size_t i = 0; i < lut.values.size(); ++i) {
        const float v = loadF32(bytes.data() + kHeaderBytes + 4 * i);
        if (!std::isfinite(v))
            throw LutError(where(name) + "entry " + std::to_string(i / 3) + " holds a non-finite " +
                           (i % 3 == 0   ? "red"
                            : i % 3 == 1 ? "green"
                                         : "blue") +
                           " value");
        lut.values[i] = v;
    }
    return lut;
}

LatticeLut readCubeBin(const std::string& path, std::string* warning)
{
    return parseCubeBin(readWholeFile(path), path, warning);
}

std::string encodeCubeBin(const LatticeLut& lut)
{
    std::string out;
    out.reserve(kHeaderBytes + 4 * lut.values.size());
    storeU64(out, lut.entryCount());
    for (float v : lut.values)
        storeF32(out, v);
    return out;
}

void writeCubeBin(const std::string& path, const LatticeLut& lut)
{
    writeFileAtomic(path, encodeCubeBin(lut));
}

} // namespace zelk::lut
