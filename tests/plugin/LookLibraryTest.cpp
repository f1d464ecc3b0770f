// The look library on its own: directory listing, the ".cube.bin" reader and the
// LUT-size rule.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "LookLibrary.h"

namespace fs = std::filesystem;

namespace {

class TempDir {
public:
    TempDir()
    {
        static int serial = 0;
        m_path = fs::temp_directory_path() /
                 ("zelk-looklib-" + std::to_string(::getpid()) + "-" + std::to_string(serial++));
        fs::remove_all(m_path);
        fs::create_directories(m_path);
    }
    ~TempDir()
    {
        std::error_code ec;
        fs::remove_all(m_path, ec);
    }
    const fs::path& path() const { return m_path; }

private:
    fs::path m_path;
};

void touch(const fs::path& path) { std::ofstream(path) << "x"; }

// Header with `count`, then `entries` entries (r, g, b) = (i, i + 0.25, i + 0.5).
void writeRaw(const fs::path& path, std::uint64_t count, std::uint64_t entries)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(&count), sizeof count);
    for (std::uint64_t i = 0; i < entries; ++i) {
        const float rgb[3] = {float(i), float(i) + 0.25f, float(i) + 0.5f};
        out.write(reinterpret_cast<const char*>(rgb), sizeof rgb);
    }
}

std::vector<zelk_vec3<float>> sentinelLut()
{
    return {{9.0f, 9.0f, 9.0f}, {8.0f, 8.0f, 8.0f}, {7.0f, 7.0f, 7.0f}};
}

bool sameLut(const std::vector<zelk_vec3<float>>& a, const std::vector<zelk_vec3<float>>& b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].r != b[i].r || a[i].g != b[i].g || a[i].b != b[i].b) {
            return false;
        }
    }
    return true;
}

} // namespace

TEST(ListLookNames, SortsBytewiseAndKeepsEveryRegularFile)
{
    TempDir dir;
    const fs::path d = dir.path();
    for (const char* name : {"b.cube.bin", "Zeta.cube.bin", "A.cube.bin", "alpha.cube.bin",
                             "9lives.cube.bin", "readme.txt", ".hidden", ".cube.bin",
                             "x.cube.bin.old", "x", "x.cube.bin", "A.CUBE.BIN", "Ab.cube.bin"}) {
        touch(d / name);
    }
    fs::create_directory(d / "sub.cube.bin");
    touch(d / "sub.cube.bin" / "inner.cube.bin");
    TempDir other;
    touch(other.path() / "target");
    fs::create_symlink(other.path() / "target", d / "linked.cube.bin");
    fs::create_symlink(d / "missing", d / "dangling.cube.bin");
    fs::create_directory_symlink(other.path(), d / "dirlink.cube.bin");

    const std::vector<std::string> expected = {
        "", ".hidden", "9lives", "A", "A.CUBE.BIN", "Ab", "Zeta", "alpha", "b", "linked",
        "readme.txt", "x", "x", "x.cube.bin.old"};
    EXPECT_EQ(zelk::listLookNames(d.string()), expected);
}

TEST(ListLookNames, EmptyAndMissingDirectories)
{
    TempDir dir;
    EXPECT_TRUE(zelk::listLookNames(dir.path().string()).empty());

    testing::internal::CaptureStderr();
    const std::vector<std::string> names = zelk::listLookNames((dir.path() / "nope").string());
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(err.rfind("Error access Dir: ", 0), 0u) << err;
    EXPECT_EQ(err.back(), '\n');
    EXPECT_NE(err.find("nope"), std::string::npos) << "the error names the directory: " << err;
}

TEST(LutSize, WorkedValuesAndEveryPerfectCube)
{
    EXPECT_EQ(zelk::lutSizeForCount(0), 0);
    EXPECT_EQ(zelk::lutSizeForCount(4913), 17);
    EXPECT_EQ(zelk::lutSizeForCount(5832), 18);
    EXPECT_EQ(zelk::lutSizeForCount(35937), 33);
    EXPECT_EQ(zelk::lutSizeForCount(274625), 65);
    EXPECT_EQ(zelk::lutSizeForCount(35000), 33);
    for (int n = 1; n <= 300; ++n) {
        EXPECT_EQ(zelk::lutSizeForCount(size_t(n) * n * n), n) << n;
    }
}

TEST(LutSize, OnlyFullLatticesOfEighteenOrMoreAreUsable)
{
    EXPECT_FALSE(zelk::lutIsUsable(0, 0));
    EXPECT_FALSE(zelk::lutIsUsable(4913, 17));
    EXPECT_TRUE(zelk::lutIsUsable(5832, 18));
    EXPECT_TRUE(zelk::lutIsUsable(35937, 33));
    EXPECT_FALSE(zelk::lutIsUsable(35000, zelk::lutSizeForCount(35000)));
    // Rounding down leaves spare entries, which are never addressed.
    EXPECT_TRUE(zelk::lutIsUsable(36000, zelk::lutSizeForCount(36000)));
    EXPECT_TRUE(zelk::lutIsUsable(274625, 65));
}

TEST(ReadTriplets, ReadsEntriesInFileOrder)
{
    TempDir dir;
    const fs::path file = dir.path() / "look.cube.bin";
    writeRaw(file, 8, 8);
    {
        // Bytes after the last entry are ignored.
        std::ofstream(file, std::ios::binary | std::ios::app) << "trailing";
    }
    std::vector<zelk_vec3<float>> lut;
    read_triplets(file.string(), lut);
    ASSERT_EQ(lut.size(), 8u);
    for (size_t i = 0; i < lut.size(); ++i) {
        EXPECT_EQ(lut[i].r, float(i));
        EXPECT_EQ(lut[i].g, float(i) + 0.25f);
        EXPECT_EQ(lut[i].b, float(i) + 0.5f);
    }
    // Reading again gives the same; a shorter file shrinks the vector; count 0 empties it.
    const std::vector<zelk_vec3<float>> first = lut;
    read_triplets(file.string(), lut);
    EXPECT_TRUE(sameLut(lut, first));
    writeRaw(file, 2, 2);
    read_triplets(file.string(), lut);
    ASSERT_EQ(lut.size(), 2u);
    EXPECT_EQ(lut[1].b, 1.5f);
    writeRaw(file, 0, 0);
    read_triplets(file.string(), lut);
    EXPECT_TRUE(lut.empty());
}

TEST(ReadTriplets, BadFilesLeaveTheLutUnchanged)
{
    TempDir dir;
    const fs::path d = dir.path();
    writeRaw(d / "truncated.cube.bin", 10, 5);
    writeRaw(d / "huge.cube.bin", std::uint64_t(1) << 60, 2);
    writeRaw(d / "maxcount.cube.bin", ~std::uint64_t(0), 1);
    std::ofstream(d / "short.cube.bin", std::ios::binary) << "abc";
    std::ofstream(d / "empty.cube.bin", std::ios::binary);
    fs::create_directory(d / "adir.cube.bin");

    for (const char* name : {"missing.cube.bin", "truncated.cube.bin", "huge.cube.bin",
                             "maxcount.cube.bin", "short.cube.bin", "empty.cube.bin",
                             "adir.cube.bin"}) {
        std::vector<zelk_vec3<float>> lut = sentinelLut();
        EXPECT_NO_THROW(read_triplets((d / name).string(), lut)) << name;
        EXPECT_TRUE(sameLut(lut, sentinelLut())) << name;
    }
}
