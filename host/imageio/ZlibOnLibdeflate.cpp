// zlib's one-call compress2(), compress() and uncompress(), done by libdeflate.
//
// OpenEXR 3.1 (Debian 12's) compresses ZIP, ZIPS and PXR24 chunks and the
// lossless parts of DWAA and DWAB chunks through these calls, and they are most
// of the time a float EXR takes to write and read. libdeflate makes the same
// standard zlib streams at the same levels in about half the time and reads
// them in two thirds (OpenEXR 3.2 and later use it themselves). Linked into an
// executable (ofx-render), these definitions take the place of zlib's for every
// library in the process; libpng and libtiff use zlib's streaming calls, which
// stay zlib's. Any zlib reader reads what these write; the compressed bytes
// are libdeflate's, not zlib's.
#include <libdeflate.h>
#include <zlib.h>

#include <climits>
#include <memory>

namespace {

constexpr int kLevels = 10; // zlib's 0 to 9

struct CompressorDeleter {
    void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};
struct DecompressorDeleter {
    void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

// One compressor per level and one decompressor per thread: libdeflate's
// objects are not shared between threads, and making one costs more than a chunk.
libdeflate_compressor* compressorFor(int level)
{
    thread_local std::unique_ptr<libdeflate_compressor, CompressorDeleter> compressors[kLevels];
    if (!compressors[level])
        compressors[level].reset(libdeflate_alloc_compressor(level));
    return compressors[level].get();
}

libdeflate_decompressor* decompressor()
{
    thread_local std::unique_ptr<libdeflate_decompressor, DecompressorDeleter> instance(
        libdeflate_alloc_decompressor());
    return instance.get();
}

// zlib's own one-call compression, through its streaming calls: for what
// libdeflate does not take (level 0, an output buffer it cannot fill).
int zlibCompress(Bytef* dest, uLongf* destLen, const Bytef* source, uLong sourceLen, int level)
{
    if (sourceLen > UINT_MAX || *destLen > UINT_MAX)
        return Z_BUF_ERROR;
    z_stream stream{};
    int status = deflateInit(&stream, level);
    if (status != Z_OK)
        return status;
    stream.next_in = const_cast<Bytef*>(source);
    stream.avail_in = uInt(sourceLen);
    stream.next_out = dest;
    stream.avail_out = uInt(*destLen);
    status = deflate(&stream, Z_FINISH);
    *destLen = stream.total_out;
    deflateEnd(&stream);
    if (status == Z_STREAM_END)
        return Z_OK;
    return status == Z_OK ? Z_BUF_ERROR : status;
}

} // namespace

extern "C" {

int compress2(Bytef* dest, uLongf* destLen, const Bytef* source, uLong sourceLen, int level)
{
    if (level == Z_DEFAULT_COMPRESSION)
        level = 6; // zlib's default
    if (level < 0 || level >= kLevels)
        return Z_STREAM_ERROR;
    libdeflate_compressor* compressor = level > 0 ? compressorFor(level) : nullptr;
    if (compressor) {
        const std::size_t written =
            libdeflate_zlib_compress(compressor, source, sourceLen, dest, *destLen);
        if (written > 0) {
            *destLen = uLongf(written);
            return Z_OK;
        }
    }
    return zlibCompress(dest, destLen, source, sourceLen, level);
}

int compress(Bytef* dest, uLongf* destLen, const Bytef* source, uLong sourceLen)
{
    return compress2(dest, destLen, source, sourceLen, Z_DEFAULT_COMPRESSION);
}

int uncompress(Bytef* dest, uLongf* destLen, const Bytef* source, uLong sourceLen)
{
    libdeflate_decompressor* d = decompressor();
    if (!d)
        return Z_MEM_ERROR;
    std::size_t read = 0, written = 0;
    switch (libdeflate_zlib_decompress_ex(d, source, sourceLen, dest, *destLen, &read, &written)) {
    case LIBDEFLATE_SUCCESS:
        *destLen = uLongf(written);
        return Z_OK;
    case LIBDEFLATE_INSUFFICIENT_SPACE:
        return Z_BUF_ERROR;
    default:
        return Z_DATA_ERROR;
    }
}

} // extern "C"
