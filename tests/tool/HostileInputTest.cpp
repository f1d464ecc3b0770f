// Inputs that are not what they claim: headers declaring far more pixels than
// the file holds, and things that are not files at all. Each is refused with a
// message that says why, quickly and in little memory, and nothing is written.
#include "OfxRenderFixture.h"

#include <Imath/half.h>
#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfOutputFile.h>
#include <tiffio.h>
#include <zlib.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>

namespace fs = std::filesystem;
using namespace tooltest;

namespace {

// Beyond what rendering a tiny image takes: far below what the declared
// images would (1 to 4 GB).
constexpr long kExtraMemoryKb = 64 * 1024;

void appendChunk(std::string& png, const char* type, const std::string& data)
{
    const std::uint32_t length = std::uint32_t(data.size());
    for (int i = 3; i >= 0; --i)
        png += char(length >> (8 * i));
    const std::string body = std::string(type, 4) + data;
    png += body;
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size()));
    for (int i = 3; i >= 0; --i)
        png += char(crc >> (8 * i));
}

// A PNG of 16384 x 16384 RGBA pixels in about 140 bytes.
void writeHugePng(const std::string& path)
{
    std::string png = "\x89PNG\r\n\x1a\n";
    appendChunk(png, "IHDR", std::string("\0\0\x40\0\0\0\x40\0\x08\x06\0\0\0", 13));
    std::string raw(4096, '\0');
    std::string deflated(compressBound(uLong(raw.size())), '\0');
    uLongf size = uLongf(deflated.size());
    compress(reinterpret_cast<Bytef*>(deflated.data()), &size,
             reinterpret_cast<const Bytef*>(raw.data()), uLong(raw.size()));
    appendChunk(png, "IDAT", deflated.substr(0, size));
    appendChunk(png, "IEND", "");
    std::ofstream(path, std::ios::binary) << png;
}

// A TIFF of 16384 x 16384 float RGBA pixels in one deflated strip of 9 KB.
void writeHugeTiff(const std::string& path)
{
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 16384);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 16384);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 4);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 32);
    TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_IEEEFP);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    const std::uint16_t extra[1] = {EXTRASAMPLE_UNASSALPHA};
    TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, extra);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 16384);
    std::vector<unsigned char> junk(9000, 0x5A);
    TIFFWriteRawStrip(tif, 0, junk.data(), tmsize_t(junk.size()));
    TIFFClose(tif);
}

// An EXR of 8192 x 8192 pixels (one black channel), cut to its first 140 KB.
void writeTruncatedExr(const std::string& path)
{
    Imf::Header header(8192, 8192);
    header.channels().insert("Y", Imf::Channel(Imf::HALF));
    const std::vector<half> black(8192, half(0.0f)); // every row
    Imf::FrameBuffer frame;
    frame.insert("Y", Imf::Slice(Imf::HALF, (char*)black.data(), sizeof(half), 0));
    {
        Imf::OutputFile file(path.c_str(), header);
        file.setFrameBuffer(frame);
        file.writePixels(8192);
    }
    fs::resize_file(path, 140 * 1024);
}

} // namespace

TEST_F(OfxRenderTest, HeadersDeclaringMoreThanTheFileHoldsFailFastInLittleMemory)
{
    writeHugePng(file("huge.png"));
    writeHugeTiff(file("huge.tif"));
    writeTruncatedExr(file("cut.exr"));
    ASSERT_LT(fs::file_size(file("huge.png")), 200u);
    // The baseline, spawned as the others are (a child's peak starts at the
    // test's own size until it runs the program).
    writeChart("chart.exr", 64, 36);
    const RunResult tiny = renderWithBundle({"chart.exr", "tiny.exr"});
    ASSERT_EQ(tiny.exitCode, 0) << tiny.err;
    const auto before = listing();
    for (const char* name : {"huge.png", "huge.tif", "cut.exr"}) {
        SCOPED_TRACE(name);
        const RunResult r = renderWithBundle({name, "out.exr"});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(contains(r.err, name)) << r.err;
        EXPECT_TRUE(contains(r.err, "cut short")) << r.err;
        EXPECT_LT(r.peakMemoryKb, tiny.peakMemoryKb + kExtraMemoryKb);
    }
    EXPECT_EQ(listing(), before);

    const RunResult small = renderWithBundle({"--max-pixels", "2000", "chart.exr", "out.exr"});
    EXPECT_EQ(small.exitCode, 1);
    EXPECT_TRUE(contains(small.err, "64 x 36")) << small.err;
    EXPECT_TRUE(contains(small.err, "2000")) << small.err;
}

TEST_F(OfxRenderTest, InputsThatAreNotFilesAreRefusedAtOnceSayingWhatTheyAre)
{
    ASSERT_EQ(::mkfifo(file("pipe.exr").c_str(), 0600), 0);
    fs::create_directory(file("dir.exr"));
    const struct {
        std::string input;
        const char* kind;
    } cases[] = {{"pipe.exr", "FIFO"}, {"dir.exr", "directory"}, {"/dev/null", "device"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.input);
        const RunResult r = renderWithBundle({c.input, "out.exr"});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(contains(r.err, c.kind)) << r.err;
        EXPECT_FALSE(fs::exists(file("out.exr")));
    }
}
