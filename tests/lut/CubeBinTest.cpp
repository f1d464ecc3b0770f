// The .cube.bin format: the encoding, the strict reader's rejections, the
// lenient reader's log and what `info` concludes from the size rule.

#include "CubeBin.h"
#include "CubeBinReport.h"
#include "LutError.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <limits>
#include <string>
#include <vector>

using namespace zelk::lut;

namespace {

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

// A file holding `bytes` for one test, removed with it.
class ScratchFile {
public:
    explicit ScratchFile(const std::string& bytes)
    {
        std::ofstream(m_path, std::ios::binary) << bytes;
    }
    ~ScratchFile() { std::filesystem::remove(m_path); }
    const std::string& path() const { return m_path; }

private:
    static inline int s_serial = 0;
    std::string m_path =
        (std::filesystem::temp_directory_path() / ("zelk-cubebin-" + std::to_string(::getpid()) +
                                                   "-" + std::to_string(s_serial++) + ".cube.bin"))
            .string();
};

struct LenientRead {
    bool loaded;
    CubeBinLoad load;
    std::vector<zelk_vec3<float>> lut;
    std::vector<std::string> log;
};

LenientRead readLeniently(const std::string& path)
{
    LenientRead read{false, {}, {{9.0f, 8.0f, 7.0f}}, {}};
    read.load = readCubeBinLenient(path, read.lut,
                                   [&](const std::string& line) { read.log.push_back(line); });
    read.loaded = read.load.loaded();
    return read;
}

// The peak memory of this process so far, in megabytes.
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

TEST(CubeBin, EncodesLittleEndianBlueFastest)
{
    // The size-2 identity: count 8, then (0,0,0), (0,0,1), (0,1,0), ... as r, g, b.
    const std::string bytes = encodeCubeBin(identityLattice(2));
    ASSERT_EQ(bytes.size(), 104u);
    const std::string one("\x00\x00\x80\x3f", 4), zero(4, '\0'); // 1.0f, 0.0f
    EXPECT_EQ(bytes.substr(0, 8 + 24), header(8) + zero + zero + zero + zero + zero + one);
    EXPECT_EQ(bytes.substr(8 + 48, 12), one + zero + zero); // entry 4: red step

    std::string warning;
    EXPECT_EQ(parseCubeBin(bytes + "xyz", "id.cube.bin", &warning).values,
              identityLattice(2).values);
    EXPECT_EQ(warning, "id.cube.bin: warning: 3 bytes after the last entry are ignored");
}

TEST(CubeBin, StrictReaderRejectsWithReason)
{
    EXPECT_EQ(rejection("1234567"), "x.cube.bin: too short for the 8-byte entry count (7 bytes)");
    EXPECT_EQ(rejection(fileOf(0, 0)), "x.cube.bin: holds no entries (count 0)");
    EXPECT_EQ(rejection(fileOf(27, 26) + "12345"),
              "x.cube.bin: truncated: the header announces 27 entries, the file holds 26");
    // A hostile count is compared with the file's length, never allocated.
    EXPECT_EQ(rejection(fileOf(std::numeric_limits<std::uint64_t>::max(), 1)),
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

TEST(CubeBin, ReportFollowsThePlugInsSizeRule)
{
    // The worked values of the rule, and whether the plug-in applies each.
    struct Case {
        std::uint64_t count;
        int size;
        bool applied;
    };
    const Case cases[] = {{0, 0, false},     {4913, 17, false},  {5832, 18, true},
                          {35937, 33, true}, {274625, 65, true}, {35000, 33, false},
                          {36000, 33, true}};
    for (const Case& c : cases) {
        const CubeBinReport r = inspectCubeBin(fileOf(c.count, c.count));
        EXPECT_EQ(r.ruleSize, c.size) << c.count;
        EXPECT_EQ(r.applied, c.applied) << c.count << ": " << r.reason;
        EXPECT_EQ(r.exactCube, std::uint64_t(c.size) * c.size * c.size == c.count) << c.count;
    }
    EXPECT_EQ(inspectCubeBin(fileOf(35000, 35000)).reason,
              "35000 entries do not fill the lattice of 33 points per axis (35937 entries)");

    const CubeBinReport truncated = inspectCubeBin(fileOf(5832, 5000));
    EXPECT_FALSE(truncated.applied);
    EXPECT_EQ(truncated.entriesHeld, 5000u);
    EXPECT_NE(truncated.reason.find("treats it as unreadable"), std::string::npos);

    const CubeBinReport tiny = inspectCubeBin("abc");
    EXPECT_FALSE(tiny.hasHeader);
    EXPECT_FALSE(tiny.applied);

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

TEST(CubeBin, LenientReaderLogsEachOutcomeAsThePlugInAlwaysHas)
{
    using Lines = std::vector<std::string>;
    {
        // Anything complete loads, even what the strict reader refuses.
        ScratchFile file(fileOf(35000, 35000) + "tail");
        const LenientRead read = readLeniently(file.path());
        EXPECT_TRUE(read.loaded);
        EXPECT_EQ(read.lut.size(), 35000u);
        EXPECT_EQ(read.log, Lines{"read_triplets size: 35000"});
    }
    const std::string cantOpen = "cant open file for reading: ";
    {
        ScratchFile file(fileOf(10, 5));
        const LenientRead read = readLeniently(file.path());
        EXPECT_FALSE(read.loaded);
        EXPECT_EQ(read.log, (Lines{"read_triplets size: 10", cantOpen + file.path(),
                                   "read_triplets: the header announces 10 entries, the file "
                                   "holds 5"}));
    }
    {
        ScratchFile file("1234567");
        const LenientRead read = readLeniently(file.path());
        EXPECT_FALSE(read.loaded);
        EXPECT_EQ(read.log, (Lines{cantOpen + file.path(),
                                   "read_triplets: the file is shorter than its 8-byte header"}));
    }
    const LenientRead missing = readLeniently("/nonexistent/x.cube.bin");
    EXPECT_FALSE(missing.loaded);
    EXPECT_EQ(missing.log, Lines{cantOpen + "/nonexistent/x.cube.bin"});
    EXPECT_EQ(missing.load.problem, "cannot be opened (No such file or directory)");
    // Refused files leave the LUT as it was.
    EXPECT_EQ(missing.lut.size(), 1u);
    EXPECT_EQ(missing.lut[0].g, 8.0f);
}

TEST(CubeBin, LenientReaderOpensOnlyRegularFilesWithoutBlocking)
{
    const std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                      ("zelk-cubebin-special-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir / "adir.cube.bin");
    const std::string fifo = (dir / "fifo.cube.bin").string();
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

    // Opened for reading, a FIFO would wait for a writer for ever: read on the
    // side, and should it block, give it a writer so the test fails, not hangs.
    auto reading = std::async(std::launch::async, [&] { return readLeniently(fifo); });
    if (reading.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        ::close(writer);
        FAIL() << "reading a FIFO blocked";
    }
    for (const LenientRead& read :
         {reading.get(), readLeniently((dir / "adir.cube.bin").string())}) {
        EXPECT_FALSE(read.loaded);
        EXPECT_EQ(read.load.outcome, CubeBinLoad::Unreadable);
        EXPECT_EQ(read.load.problem, "is not a regular file");
        ASSERT_EQ(read.log.size(), 2u);
        EXPECT_EQ(read.log[0].rfind("cant open file for reading: ", 0), 0u);
        EXPECT_EQ(read.log[1], "read_triplets: not a regular file");
        EXPECT_EQ(read.lut.size(), 1u);
    }

    // A link to a look file is followed.
    ScratchFile look(fileOf(27, 27));
    std::filesystem::create_symlink(look.path(), dir / "link.cube.bin");
    EXPECT_TRUE(readLeniently((dir / "link.cube.bin").string()).loaded);
    std::filesystem::remove_all(dir);
}

TEST(CubeBin, LenientReaderNeverReadsALatticeTooLargeToApply)
{
    // Lattice 400, sparse: a few bytes on disk, 768 MB of entries.
    const std::uint64_t count = 400ull * 400 * 400;
    ScratchFile file(header(count));
    std::filesystem::resize_file(file.path(), 8 + 12 * count);
    const long before = peakMegabytes();
    const LenientRead read = readLeniently(file.path());
    EXPECT_LT(peakMegabytes() - before, 100) << "the entries were allocated";
    EXPECT_EQ(read.load.outcome, CubeBinLoad::TooLarge);
    EXPECT_EQ(read.load.problem, "holds 64000000 entries; its lattice of 400 points per axis is "
                                 "above the plug-in's maximum of 256");
    EXPECT_EQ(read.log, (std::vector<std::string>{"read_triplets size: 64000000",
                                                  "read_triplets: its lattice of 400 points per "
                                                  "axis is above the plug-in's maximum of 256"}));
    EXPECT_EQ(read.lut.size(), 1u);

    // The first lattice refused; a truncated file stays unreadable, however large.
    ScratchFile first(header(257ull * 257 * 257));
    std::filesystem::resize_file(first.path(), 8 + 12 * 257ull * 257 * 257);
    EXPECT_EQ(readLeniently(first.path()).load.outcome, CubeBinLoad::TooLarge);
    ScratchFile truncated(fileOf(count, 2));
    EXPECT_EQ(readLeniently(truncated.path()).load.problem,
              "is truncated: the header announces 64000000 entries, the file holds 2");
}

TEST(CubeBin, BothModesReadALatticeAlike)
{
    LatticeLut lut = identityLattice(18);
    lut.values[4] = -0.5f;
    lut.values[3 * 5832 - 1] = 1.75f;
    ScratchFile file(encodeCubeBin(lut));
    const LenientRead read = readLeniently(file.path());
    ASSERT_TRUE(read.loaded);
    ASSERT_EQ(read.lut.size(), lut.entryCount());
    EXPECT_EQ(std::memcmp(read.lut.data(), lut.values.data(), 4 * lut.values.size()), 0);

    std::ifstream in(file.path(), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(parseCubeBin(bytes, "x.cube.bin").values, lut.values);
}
