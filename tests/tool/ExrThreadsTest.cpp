// EXR files decoded and encoded on many threads are the files one thread
// makes, byte for byte: every compression method, tiles and scan lines in
// either order, and several parts.
#include "ExrFixtures.h"
#include "ToolTestSupport.h"
#include "zelk/ImageFile.h"

#include <gtest/gtest.h>

#include <ImfTileDescription.h>

#include <fcntl.h>
#include <unistd.h>

namespace {

class ExrThreadsTest : public tooltest::ScratchDirTest {
protected:
    void TearDown() override
    {
        zelk::setCodecThreads(0);
        ScratchDirTest::TearDown();
    }

    // Reads in.exr and writes it back (the graded pixels scaled, so they are
    // encoded anew) with `threads` codec threads; returns the bytes written.
    std::string roundTrip(unsigned threads, const zelk::WriteOptions& options = {})
    {
        zelk::setCodecThreads(threads);
        const auto reader = zelk::ImageReader::open(file("in.exr"));
        zelk::PixelBuffer buffer;
        const zelk::PixelView pixels = buffer.view(reader->info().width(), reader->info().height());
        const auto rest = reader->read(pixels);
        for (int y = 0; y < pixels.height; ++y)
            for (float* p = pixels.row(y); p < pixels.row(y) + 4 * pixels.width; ++p)
                *p *= 0.75f;
        const std::string output = file("out.exr");
        const int fd = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        EXPECT_GE(fd, 0);
        zelk::writeImage(fd, output, reader->info(), pixels, rest.get(), options);
        ::close(fd);
        return tooltest::slurp(output);
    }
};

// 700 lines: several of the bands the writer hands over for each count.
Imf::Header plate(Imf::Compression compression, Imf::PixelType type, int width = 67,
                  int height = 700)
{
    Imf::Header header = exrtest::makeHeader(-3, 5, width, height, {"R", "G", "B", "A", "Z"}, type);
    header.compression() = compression;
    return header;
}

} // namespace

TEST_F(ExrThreadsTest, AnyNumberOfThreadsWritesTheBytesOneThreadWrites)
{
    std::vector<std::vector<Imf::Header>> files;
    for (int method = Imf::NO_COMPRESSION; method <= Imf::DWAB_COMPRESSION; ++method)
        for (Imf::PixelType type : {Imf::HALF, Imf::FLOAT})
            files.push_back({plate(Imf::Compression(method), type)});

    Imf::Header random = plate(Imf::ZIP_COMPRESSION, Imf::HALF, 150, 130);
    random.setTileDescription(Imf::TileDescription(32, 16));
    random.lineOrder() = Imf::RANDOM_Y;
    Imf::Header decreasingTiles = plate(Imf::PIZ_COMPRESSION, Imf::FLOAT, 150, 130);
    decreasingTiles.setTileDescription(Imf::TileDescription(64, 64));
    decreasingTiles.lineOrder() = Imf::DECREASING_Y;
    Imf::Header decreasing = plate(Imf::DWAA_COMPRESSION, Imf::HALF);
    decreasing.lineOrder() = Imf::DECREASING_Y;
    Imf::Header other = exrtest::makeHeader(0, 0, 90, 300, {"Y", "depth"}, Imf::FLOAT);
    other.compression() = Imf::ZIP_COMPRESSION;
    std::vector<Imf::Header> parts = {other, decreasing, random};
    for (Imf::Header& part : parts) // the one display window parts of a file share
        part.displayWindow() = Imath::Box2i(Imath::V2i(0, 0), Imath::V2i(199, 799));
    files.insert(files.end(), {{random}, {decreasingTiles}, {decreasing}, parts});

    for (std::size_t f = 0; f < files.size(); ++f) {
        SCOPED_TRACE(testing::Message()
                     << "file " << f << ", compression " << files[f][0].compression());
        exrtest::writeExr(file("in.exr"), files[f]);
        const std::string one = roundTrip(0);
        ASSERT_GT(one.size(), 0u);
        EXPECT_TRUE(roundTrip(2) == one);
        EXPECT_TRUE(roundTrip(7) == one);
    }

    // A changed compression and sample type, encoded on threads, as well.
    exrtest::writeExr(file("in.exr"), {plate(Imf::ZIP_COMPRESSION, Imf::FLOAT)});
    zelk::WriteOptions options;
    options.sample = zelk::SampleType::Half;
    options.compression = zelk::CompressionChoice{zelk::ExrCompression::Dwab, 60.0f};
    const std::string one = roundTrip(0, options);
    EXPECT_TRUE(roundTrip(4, options) == one);
}
