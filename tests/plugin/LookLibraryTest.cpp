// read_triplets on real files: what the render does with a look file. The
// directory listing is checked end to end, as a host sees the look options
// (tests/render); the reader's modes and the size rule in tests/lut.

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

using Lut = std::vector<zelk_vec3<float>>;

class ReadTriplets : public ::testing::Test {
protected:
    ReadTriplets() { fs::create_directories(dir); }
    ~ReadTriplets() override
    {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }

    // Header with `count`, then `entries` entries (r, g, b) = (i, i + 0.25, i + 0.5).
    fs::path writeRaw(const std::string& name, std::uint64_t count, std::uint64_t entries) const
    {
        std::ofstream out(dir / name, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(&count), sizeof count);
        for (std::uint64_t i = 0; i < entries; ++i) {
            const float rgb[3] = {float(i), float(i) + 0.25f, float(i) + 0.5f};
            out.write(reinterpret_cast<const char*>(rgb), sizeof rgb);
        }
        return dir / name;
    }

    const fs::path dir = fs::temp_directory_path() / ("zelk-looklib-" + std::to_string(::getpid()));
};

bool sameLut(const Lut& a, const Lut& b)
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

TEST_F(ReadTriplets, ReadsEntriesInFileOrderAndResizes)
{
    const fs::path file = writeRaw("look.cube.bin", 8, 8);
    std::ofstream(file, std::ios::binary | std::ios::app) << "trailing"; // ignored
    Lut lut;
    read_triplets(file.string(), lut);
    ASSERT_EQ(lut.size(), 8u);
    for (size_t i = 0; i < lut.size(); ++i) {
        EXPECT_EQ(lut[i].r, float(i));
        EXPECT_EQ(lut[i].g, float(i) + 0.25f);
        EXPECT_EQ(lut[i].b, float(i) + 0.5f);
    }
    // A shorter file shrinks the vector; count 0 empties it.
    read_triplets(writeRaw("look.cube.bin", 2, 2).string(), lut);
    ASSERT_EQ(lut.size(), 2u);
    EXPECT_EQ(lut[1].b, 1.5f);
    read_triplets(writeRaw("look.cube.bin", 0, 0).string(), lut);
    EXPECT_TRUE(lut.empty());
}

TEST_F(ReadTriplets, BadFilesLeaveTheLutUnchanged)
{
    // Headers announcing more than the file holds must not be allocated for.
    writeRaw("truncated.cube.bin", 10, 5);
    writeRaw("huge.cube.bin", std::uint64_t(1) << 60, 2);
    writeRaw("maxcount.cube.bin", ~std::uint64_t(0), 1);
    std::ofstream(dir / "short.cube.bin", std::ios::binary) << "abc";
    std::ofstream(dir / "empty.cube.bin", std::ios::binary);
    fs::create_directory(dir / "adir.cube.bin");

    const Lut sentinel = {{9.0f, 9.0f, 9.0f}, {8.0f, 8.0f, 8.0f}, {7.0f, 7.0f, 7.0f}};
    for (const char* name :
         {"missing.cube.bin", "truncated.cube.bin", "huge.cube.bin", "maxcount.cube.bin",
          "short.cube.bin", "empty.cube.bin", "adir.cube.bin"}) {
        Lut lut = sentinel;
        EXPECT_NO_THROW(read_triplets((dir / name).string(), lut)) << name;
        EXPECT_TRUE(sameLut(lut, sentinel)) << name;
    }
}
