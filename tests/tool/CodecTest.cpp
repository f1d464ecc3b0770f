// The EXR codecs' helpers: floats to halves eight at a time giving Imath's
// bits, and zlib's one-call compress and uncompress done by libdeflate
// (linked into this test as into ofx-render) keeping zlib's contract. (Codecs
// on many threads at once: the EXR threads tests.)
#include "HalfConvert.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;

// `data` through zlib's own streaming deflate or inflate, which libdeflate does not replace.
Bytes throughZlibStream(const Bytes& data, bool deflating, std::size_t room)
{
    Bytes out(room);
    z_stream z{};
    EXPECT_EQ(deflating ? deflateInit(&z, 4) : inflateInit(&z), Z_OK);
    z.next_in = const_cast<Bytef*>(data.data());
    z.avail_in = uInt(data.size());
    z.next_out = out.data();
    z.avail_out = uInt(out.size());
    EXPECT_EQ(deflating ? deflate(&z, Z_FINISH) : inflate(&z, Z_FINISH), Z_STREAM_END);
    out.resize(z.total_out);
    deflating ? deflateEnd(&z) : inflateEnd(&z);
    return out;
}

Bytes sampleData(std::size_t size, bool compressible)
{
    Bytes data(size);
    std::mt19937 random(11);
    for (std::size_t i = 0; i < size; ++i)
        data[i] = compressible ? (unsigned char)((i / 64) % 7 + (random() % 4 == 0))
                               : (unsigned char)random();
    return data;
}

Bytes compressed(const Bytes& data, int level)
{
    Bytes stream(compressBound(data.size()));
    uLongf size = stream.size();
    EXPECT_EQ(compress2(stream.data(), &size, data.data(), data.size(), level), Z_OK);
    stream.resize(size);
    return stream;
}

} // namespace

TEST(HalfConvertTest, EveryKindOfFloatGivesImathsHalf)
{
    // Every sign, exponent and top of the mantissa, with the low bits that
    // decide rounding (ties, just under, just over), NaN payloads signalling
    // and quiet, infinities, denormals.
    const std::uint32_t lows[] = {0x0000, 0x0001, 0x0fff, 0x1000, 0x1001, 0x1fff, 0x2000,
                                  0x2001, 0x3000, 0x7fff, 0x8000, 0xefff, 0xf000, 0xffff};
    std::vector<float> in;
    for (std::uint32_t high = 0; high < 0x10000; ++high)
        for (std::uint32_t low : lows) {
            const std::uint32_t bits = high << 16 | low;
            float f;
            std::memcpy(&f, &bits, sizeof f);
            in.push_back(f);
        }
    // Odd offsets and lengths: the eight-at-a-time path and its tails.
    for (std::size_t offset : {0u, 3u}) {
        const std::size_t count = in.size() - offset - 5;
        std::vector<half> out(count);
        zelk::detail::floatsToHalves(in.data() + offset, out.data(), count);
        for (std::size_t i = 0; i < count; ++i)
            ASSERT_EQ(out[i].bits(), half(in[offset + i]).bits())
                << "float bits " << std::hex
                << *reinterpret_cast<const std::uint32_t*>(&in[offset + i]);
    }
}

TEST(ZlibOnLibdeflateTest, StreamsReadBackAndZlibsErrorsHold)
{
    for (bool compressible : {true, false}) {
        const Bytes data = sampleData(300000, compressible);
        // The default level, 0 (zlib's own) and libdeflate's levels.
        for (int level : {Z_DEFAULT_COMPRESSION, 0, 1, 9}) {
            SCOPED_TRACE(testing::Message()
                         << "level " << level << ", compressible " << compressible);
            const Bytes stream = compressed(data, level);
            if (level != 0) {
                EXPECT_EQ(compressible, stream.size() < data.size() / 2);
            }
            EXPECT_TRUE(throughZlibStream(stream, false, data.size() + 1) == data);
            Bytes back(data.size());
            uLongf backSize = back.size();
            ASSERT_EQ(uncompress(back.data(), &backSize, stream.data(), stream.size()), Z_OK);
            EXPECT_EQ(backSize, data.size());
            EXPECT_TRUE(back == data);
            backSize = data.size() - 1; // too little room to decompress into
            EXPECT_EQ(uncompress(back.data(), &backSize, stream.data(), stream.size()),
                      Z_BUF_ERROR);
        }
        // Too little room to compress into: an error, and nothing written past the room.
        Bytes small(200, 0xAB);
        uLongf room = 100;
        EXPECT_EQ(compress2(small.data(), &room, data.data(), data.size(), 4), Z_BUF_ERROR);
        for (std::size_t i = 100; i < small.size(); ++i)
            ASSERT_EQ(small[i], 0xAB) << i;
    }

    // The calls are libdeflate's here, not zlib's, whose stream differs.
    const Bytes data = sampleData(50000, true);
    const Bytes stream = compressed(data, 4);
    EXPECT_FALSE(stream == throughZlibStream(data, true, compressBound(data.size())))
        << "zlib's compress2 is in use";

    // A damaged or cut stream is refused, and so is a level that does not exist.
    Bytes back(data.size());
    for (std::size_t cut : {stream.size() / 2, stream.size()}) {
        Bytes damaged(stream.begin(), stream.begin() + std::ptrdiff_t(cut));
        if (cut == stream.size())
            damaged[cut / 2] ^= 0x5A;
        uLongf backSize = back.size();
        EXPECT_NE(uncompress(back.data(), &backSize, damaged.data(), damaged.size()), Z_OK) << cut;
    }
    uLongf size = back.size();
    EXPECT_EQ(compress2(back.data(), &size, data.data(), data.size(), 10), Z_STREAM_ERROR);
}
