// The .cube.bin format: the encoding, the strict reader's rejections, what
// `info` reports, and the lenient reader of the plug-in.

#include "CubeBin.h"
#include "CubeBinReport.h"
#include "LutError.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

using namespace zelk::lut;
namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t kMaxCount = std::numeric_limits<std::uint64_t>::max();

std::string header(std::uint64_t count)
{
    std::string h;
    for (int i = 0; i < 8; ++i)
        h.push_back(static_cast<char>((count >> (8 * i)) & 0xff));
    return h;
}

// A file announcing `count` entries and holding `held` zero entries.
std::string fileOf(std::uint64_t count, std::uint64_t held)
{
    return header(count) + std::string(static_cast<std::size_t>(12 * held), '\0');
}

// A scratch directory for one test, removed with it.
class ScratchDir {
public:
    ScratchDir() { fs::create_directories(m_path); }
    ~ScratchDir() { fs::remove_all(m_path); }
    // `name` in the directory, holding `bytes`.
    std::string file(const std::string& name, const std::string& bytes) const
    {
        std::ofstream(m_path / name, std::ios::binary) << bytes;
        return path(name);
    }
    std::string path(const std::string& name) const { return (m_path / name).string(); }

private:
    fs::path m_path = fs::temp_directory_path() / ("zelk-cubebin-" + std::to_string(::getpid()));
};

struct LenientRead {
    CubeBinLoad load;
    std::vector<zelk_vec3<float>> lut;
    std::vector<std::string> log;
};

// Read into a LUT holding one entry (9, 8, 7).
LenientRead readLeniently(const std::string& path)
{
    LenientRead read{{}, {{9.0f, 8.0f, 7.0f}}, {}};
    read.load = readCubeBinLenient(path, read.lut,
                                   [&](const std::string& line) { read.log.push_back(line); });
    return read;
}

long peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

std::string rejection(const std::string& bytes)
{
    try {
        parseCubeBin(bytes, "x.cube.bin");
    } catch (const LutError& e) {
        return e.what();
    }
    return "(accepted)";
}

} // namespace

TEST(CubeBin, EncodesLittleEndianBlueFastestAndBothModesReadItBack)
{
    // The size-2 identity: count 8, then (0,0,0), (0,0,1), (0,1,0), ... as r, g, b.
    const std::string bytes = encodeCubeBin(identityLattice(2));
    ASSERT_EQ(bytes.size(), 104u);
    const std::string one("\x00\x00\x80\x3f", 4), zero(4, '\0'); // 1.0f, 0.0f
    EXPECT_EQ(bytes.substr(0, 8 + 24), header(8) + zero + zero + zero + zero + zero + one);
    EXPECT_EQ(bytes.substr(8 + 48, 12), one + zero + zero); // entry 4: red step

    std::string warning;
    LatticeLut lut = identityLattice(18);
    lut.values[4] = -0.5f;
    lut.values[3 * 5832 - 1] = 1.75f;
    EXPECT_EQ(parseCubeBin(encodeCubeBin(lut) + "xyz", "id.cube.bin", &warning).values, lut.values);
    EXPECT_EQ(warning, "id.cube.bin: warning: 3 bytes after the last entry are ignored");

    const ScratchDir dir;
    const LenientRead read = readLeniently(dir.file("l.cube.bin", encodeCubeBin(lut)));
    ASSERT_TRUE(read.load.loaded());
    ASSERT_EQ(read.lut.size(), lut.entryCount());
    EXPECT_EQ(std::memcmp(read.lut.data(), lut.values.data(), 4 * lut.values.size()), 0);
}

TEST(CubeBin, StrictReaderRejectsWithReason)
{
    EXPECT_EQ(rejection("1234567"), "x.cube.bin: too short for the 8-byte entry count (7 bytes)");
    EXPECT_EQ(rejection(fileOf(0, 0)), "x.cube.bin: holds no entries (count 0)");
    // A hostile count is compared with the file's length, never allocated.
    EXPECT_EQ(rejection(fileOf(kMaxCount, 1)),
              "x.cube.bin: truncated: the header announces 18446744073709551615 entries, the file "
              "holds 1");
    EXPECT_EQ(rejection(fileOf(35000, 35000)),
              "x.cube.bin: 35000 entries are not a whole lattice (N x N x N)");
    EXPECT_EQ(rejection(fileOf(1, 1)),
              "x.cube.bin: lattice of 1 points per axis is outside 2 to 256");

    std::string bad = encodeCubeBin(identityLattice(2));
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::memcpy(&bad[8 + 12 * 5 + 4], &nan, 4);
    EXPECT_EQ(rejection(bad), "x.cube.bin: entry 5 holds a non-finite green value");
}

TEST(CubeBin, ReportSaysWhetherThePlugInAppliesIt)
{
    EXPECT_FALSE(inspectCubeBin(fileOf(4913, 4913)).applied); // 17 points
    const CubeBinReport spare = inspectCubeBin(fileOf(36000, 36000));
    EXPECT_TRUE(spare.applied);
    EXPECT_FALSE(spare.exactCube);
    EXPECT_EQ(spare.ruleSize, 33);

    const CubeBinReport truncated = inspectCubeBin(fileOf(5832, 5000));
    EXPECT_FALSE(truncated.applied);
    EXPECT_EQ(truncated.entriesHeld, 5000u);
    EXPECT_NE(truncated.reason.find("treats it as unreadable"), std::string::npos);
    EXPECT_FALSE(inspectCubeBin("abc").applied);

    // Value range and non-finite entries are reported, not fatal.
    LatticeLut lut = identityLattice(18);
    lut.values[7] = -0.25f;
    lut.values[8] = std::numeric_limits<float>::infinity();
    const CubeBinReport odd = inspectCubeBin(encodeCubeBin(lut) + "tail");
    EXPECT_TRUE(odd.applied);
    EXPECT_EQ(odd.minValue, -0.25f);
    EXPECT_EQ(odd.maxValue, 1.0f);
    EXPECT_EQ(odd.nonFinite, 1u);
    EXPECT_EQ(odd.trailingBytes, 4u);
}

// (A FIFO and a sparse lattice of 400: through a render, tests/render.)
TEST(CubeBin, LenientReaderLoadsWhatIsCompleteAndLeavesTheLutOtherwise)
{
    const ScratchDir dir;
    fs::create_directory(dir.path("adir.cube.bin"));
    fs::create_symlink(dir.file("27.cube.bin", fileOf(27, 27)), dir.path("link.cube.bin"));
    const std::string sparse = dir.file("257.cube.bin", header(257ull * 257 * 257));
    fs::resize_file(sparse, 8 + 12 * 257ull * 257 * 257);
    const std::string truncated = dir.file("10.cube.bin", fileOf(10, 5));

    const struct {
        std::string path;
        CubeBinLoad::Outcome outcome;
        std::size_t entries; // after the read: 1 when left as it was
        std::string problem;
    } cases[] = {
        // Anything complete loads, even what the strict reader refuses.
        {dir.file("35000.cube.bin", fileOf(35000, 35000) + "tail"), CubeBinLoad::Loaded, 35000, ""},
        {dir.file("0.cube.bin", fileOf(0, 0)), CubeBinLoad::Loaded, 0, ""},
        {dir.path("link.cube.bin"), CubeBinLoad::Loaded, 27, ""},
        {truncated, CubeBinLoad::Unreadable, 1,
         "is truncated: the header announces 10 entries, the file holds 5"},
        {dir.file("max.cube.bin", fileOf(kMaxCount, 1)), CubeBinLoad::Unreadable, 1,
         "is truncated: the header announces " + std::to_string(kMaxCount) +
             " entries, the file holds 1"},
        {dir.file("7.cube.bin", "1234567"), CubeBinLoad::Unreadable, 1,
         "is shorter than its 8-byte header (7 bytes)"},
        {dir.path("missing.cube.bin"), CubeBinLoad::Unreadable, 1,
         "cannot be opened (No such file or directory)"},
        {dir.path("adir.cube.bin"), CubeBinLoad::Unreadable, 1, "is not a regular file"},
        // Complete but never applied: not even read.
        {sparse, CubeBinLoad::TooLarge, 1,
         "holds 16974593 entries; its lattice of 257 points per axis is above the plug-in's "
         "maximum of 256"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const long peakBefore = peakMegabytes();
        const LenientRead read = readLeniently(c.path);
        EXPECT_LT(peakMegabytes() - peakBefore, 100) << "allocated for entries it did not load";
        EXPECT_EQ(read.load.outcome, c.outcome);
        EXPECT_EQ(read.load.problem, c.problem);
        ASSERT_EQ(read.lut.size(), c.entries);
        if (c.outcome != CubeBinLoad::Loaded) {
            EXPECT_EQ(read.lut[0].g, 8.0f);
        }
    }
    // The host's log: the announced size, then why nothing was loaded.
    EXPECT_EQ(readLeniently(truncated).log,
              (std::vector<std::string>{
                  "read_triplets size: 10", "cant open file for reading: " + truncated,
                  "read_triplets: the header announces 10 entries, the file holds 5"}));
}
