// OpenEXR output: the graded part is written from the caller's pixels and the
// channels kept beside them; every other part is copied from the input chunk by
// chunk, unchanged. A single-part file is written as one (the multi-part writer
// would add a "type" attribute the input did not have).
#include "ExrFormat.h"
#include "FdStream.h"
#include "FormatIO.h"
#include "HalfConvert.h"

#include <Imath/half.h>
#include <ImfFloatAttribute.h>
#include <ImfFrameBuffer.h>
#include <ImfInputPart.h>
#include <ImfMultiPartOutputFile.h>
#include <ImfOutputFile.h>
#include <ImfOutputPart.h>
#include <ImfThreading.h>
#include <ImfTiledInputPart.h>
#include <ImfTiledOutputFile.h>
#include <ImfTiledOutputPart.h>

#include <algorithm>
#include <exception>
#include <vector>

namespace zelk::detail {

namespace {

// The fewest lines handed to the library at a time, and the chunks per codec
// thread in one call (see bandLinesFor).
constexpr int kBandLines = 64;
constexpr int kChunksPerThread = 4;

const char* const kRgba[4] = {"R", "G", "B", "A"};

Imf::Compression toImf(ExrCompression method)
{
    switch (method) {
    case ExrCompression::None:
        return Imf::NO_COMPRESSION;
    case ExrCompression::Rle:
        return Imf::RLE_COMPRESSION;
    case ExrCompression::Zips:
        return Imf::ZIPS_COMPRESSION;
    case ExrCompression::Zip:
        return Imf::ZIP_COMPRESSION;
    case ExrCompression::Piz:
        return Imf::PIZ_COMPRESSION;
    case ExrCompression::Pxr24:
        return Imf::PXR24_COMPRESSION;
    case ExrCompression::B44:
        return Imf::B44_COMPRESSION;
    case ExrCompression::B44a:
        return Imf::B44A_COMPRESSION;
    case ExrCompression::Dwaa:
        return Imf::DWAA_COMPRESSION;
    case ExrCompression::Dwab:
        return Imf::DWAB_COMPRESSION;
    }
    return Imf::ZIP_COMPRESSION;
}

void applyCompression(Imf::Header& header, const std::optional<CompressionChoice>& choice)
{
    if (!choice)
        return;
    header.compression() = toImf(choice->method);
    // The attribute records the level in the file, where a later writer finds it.
    if (choice->dwaLevel)
        header.insert("dwaCompressionLevel", Imf::FloatAttribute(*choice->dwaLevel));
}

// The graded channels as they are written: names and sample types.
struct GradedLayout {
    int count = 3;
    std::string names[4];
    Imf::PixelType types[4] = {Imf::FLOAT, Imf::FLOAT, Imf::FLOAT, Imf::FLOAT};
};

Imf::PixelType pixelTypeOf(SampleType sample)
{
    return sample == SampleType::Half ? Imf::HALF : Imf::FLOAT;
}

// The input header with its graded channels replaced by those written.
Imf::Header gradedHeader(const ExrPassthrough& rest, const WriteOptions& options,
                         GradedLayout& layout)
{
    const GradedChannels& graded = rest.graded;
    Imf::Header header = rest.headers[std::size_t(graded.part)];
    const Imf::ChannelList& input = header.channels();
    Imf::ChannelList channels;
    for (auto it = input.begin(); it != input.end(); ++it)
        if (!graded.isGraded(it.name()))
            channels.insert(it.name(), it.channel());
    layout.count = graded.hasAlpha ? 4 : 3;
    for (int c = 0; c < layout.count; ++c) {
        const std::string source = graded.name(graded.grey && c < 3 ? "Y" : kRgba[c]);
        Imf::Channel channel = input[source];
        if (options.sample)
            channel.type = pixelTypeOf(*options.sample);
        layout.names[c] = graded.name(kRgba[c]);
        layout.types[c] = channel.type;
        channels.insert(layout.names[c], channel);
    }
    header.channels() = channels;
    applyCompression(header, options.compression);
    return header;
}

Imath::Box2i boxOf(const PixelRect& r)
{
    return Imath::Box2i(Imath::V2i(r.x, r.y), Imath::V2i(r.x + r.width - 1, r.y + r.height - 1));
}

// The header of an image without an EXR part to follow: its windows, ZIP unless
// the options say otherwise, R, G, B and (where it had one) A.
Imf::Header freshHeader(const ImageInfo& info, const WriteOptions& options, GradedLayout& layout)
{
    const PixelRect& display = info.displayWindow.width > 0 && info.displayWindow.height > 0
                                   ? info.displayWindow
                                   : info.dataWindow;
    Imf::Header header(boxOf(display), boxOf(info.dataWindow));
    header.pixelAspectRatio() = info.pixelAspect;
    header.compression() = Imf::ZIP_COMPRESSION;
    applyCompression(header, options.compression);
    layout.count = info.hadAlpha ? 4 : 3;
    const Imf::PixelType type =
        pixelTypeOf(options.sample.value_or(defaultSampleType(FileFormat::Exr, info.storedAs)));
    for (int c = 0; c < layout.count; ++c) {
        layout.names[c] = kRgba[c];
        layout.types[c] = type;
        header.channels().insert(kRgba[c], Imf::Channel(type));
    }
    return header;
}

// Frame buffers for bands of lines of the graded part: float channels straight
// from the caller's pixels, half channels through a band converted here.
class BandSource {
public:
    BandSource(const Imf::Header& header, const PixelView& pixels, const GradedLayout& layout,
               const std::vector<KeptChannel>* kept, int bandLines)
        : m_window(header.dataWindow()), m_pixels(pixels), m_layout(layout), m_kept(kept),
          m_bandLines(bandLines)
    {
        for (int c = 0; c < layout.count; ++c)
            m_anyHalf = m_anyHalf || layout.types[c] == Imf::HALF;
        if (m_anyHalf)
            m_band.resize(std::size_t(std::min(bandLines, pixels.height)) *
                          std::size_t(pixels.width) * 4);
    }

    // The frame buffer for the `lines` lines from y (`lines` <= bandLines).
    Imf::FrameBuffer band(int y, int lines)
    {
        const std::size_t width = std::size_t(m_pixels.width);
        if (m_anyHalf)
            for (int i = 0; i < lines; ++i)
                floatsToHalves(m_pixels.row(y - m_window.min.y + i),
                               m_band.data() + std::size_t(i) * width * 4, width * 4);
        Imf::FrameBuffer frame;
        const Imath::V2i bandOrigin(m_window.min.x, y);
        for (int c = 0; c < m_layout.count; ++c) {
            if (m_layout.types[c] == Imf::HALF)
                frame.insert(m_layout.names[c],
                             Imf::Slice::Make(Imf::HALF, m_band.data() + c, bandOrigin,
                                              m_pixels.width, lines, 4 * sizeof(half),
                                              width * 4 * sizeof(half)));
            else
                frame.insert(m_layout.names[c],
                             Imf::Slice::Make(Imf::FLOAT, m_pixels.data + c, m_window,
                                              4 * sizeof(float),
                                              std::size_t(m_pixels.rowStride) * sizeof(float)));
        }
        if (m_kept)
            for (const KeptChannel& k : *m_kept)
                frame.insert(k.name,
                             Imf::Slice::Make(k.channel.type, k.samples.get(), m_window, k.xStride,
                                              k.yStride, k.channel.xSampling, k.channel.ySampling));
        return frame;
    }

    int bandLines() const { return m_bandLines; }

private:
    Imath::Box2i m_window;
    PixelView m_pixels;
    GradedLayout m_layout;
    const std::vector<KeptChannel>* m_kept;
    int m_bandLines;
    bool m_anyHalf = false;
    std::vector<half> m_band;
};

// Bands in the order the file stores its lines.
template <typename Part>
void writeScanlines(Part& part, const Imf::Header& header, BandSource& source)
{
    const Imath::Box2i window = header.dataWindow();
    const int height = window.max.y - window.min.y + 1;
    const bool downwards = header.lineOrder() == Imf::DECREASING_Y;
    for (int done = 0; done < height;) {
        const int lines = std::min(source.bandLines(), height - done);
        const int y = downwards ? window.max.y - done - lines + 1 : window.min.y + done;
        part.setFrameBuffer(source.band(y, lines));
        part.writePixels(lines);
        done += lines;
    }
}

// One row of tiles at a time, in the order the file stores its lines.
template <typename Part> void writeTiles(Part& part, const Imf::Header& header, BandSource& source)
{
    const Imath::Box2i window = header.dataWindow();
    const int tileHeight = int(header.tileDescription().ySize);
    const int rows = part.numYTiles(0);
    const bool downwards = header.lineOrder() == Imf::DECREASING_Y;
    for (int i = 0; i < rows; ++i) {
        const int row = downwards ? rows - 1 - i : i;
        const int y = window.min.y + row * tileHeight;
        part.setFrameBuffer(source.band(y, std::min(tileHeight, window.max.y - y + 1)));
        part.writeTiles(0, part.numXTiles(0) - 1, row, row);
    }
}

// Scan lines per chunk: what each compression method compresses as one block.
int linesPerChunk(Imf::Compression compression)
{
    switch (compression) {
    case Imf::ZIP_COMPRESSION:
    case Imf::PXR24_COMPRESSION:
        return 16;
    case Imf::PIZ_COMPRESSION:
    case Imf::B44_COMPRESSION:
    case Imf::B44A_COMPRESSION:
    case Imf::DWAA_COMPRESSION:
        return 32;
    case Imf::DWAB_COMPRESSION:
        return 256;
    default:
        return 1;
    }
}

// Lines handed to the library at a time. A call returns only once all its
// chunks are compressed and written, so each call carries several chunks for
// every codec thread; a tiled part goes a row of tiles at a time.
int bandLinesFor(const Imf::Header& header)
{
    if (header.hasTileDescription())
        return int(header.tileDescription().ySize);
    const int threads = std::max(1, Imf::globalThreadCount());
    return std::max(kBandLines, linesPerChunk(header.compression()) * kChunksPerThread * threads);
}

void writeSinglePart(FdOStream& stream, const Imf::Header& header, BandSource& source)
{
    if (header.hasTileDescription()) {
        Imf::TiledOutputFile file(stream, header);
        writeTiles(file, header, source);
    } else {
        Imf::OutputFile file(stream, header);
        writeScanlines(file, header, source);
    }
}

void writeMultiPart(FdOStream& stream, const std::vector<Imf::Header>& headers, int graded,
                    BandSource& source, ExrSource& input)
{
    Imf::MultiPartOutputFile file(stream, headers.data(), int(headers.size()));
    for (int p = 0; p < int(headers.size()); ++p) {
        const bool tiled = headers[std::size_t(p)].hasTileDescription();
        if (p == graded && tiled) {
            Imf::TiledOutputPart part(file, p);
            writeTiles(part, headers[std::size_t(p)], source);
        } else if (p == graded) {
            Imf::OutputPart part(file, p);
            writeScanlines(part, headers[std::size_t(p)], source);
        } else if (tiled) {
            Imf::TiledInputPart from(input.parts, p);
            Imf::TiledOutputPart(file, p).copyPixels(from);
        } else {
            Imf::InputPart from(input.parts, p);
            Imf::OutputPart(file, p).copyPixels(from);
        }
    }
}

} // namespace

void writeExr(int fd, const std::string& name, const ImageInfo& info, const PixelView& pixels,
              const Passthrough* rest, const WriteOptions& options)
{
    try {
        const auto* exr = dynamic_cast<const ExrPassthrough*>(rest);
        GradedLayout layout;
        FdOStream stream(fd, name);
        if (!exr) {
            const Imf::Header header = freshHeader(info, options, layout);
            BandSource source(header, pixels, layout, nullptr, bandLinesFor(header));
            writeSinglePart(stream, header, source);
        } else {
            std::vector<Imf::Header> headers = exr->headers;
            Imf::Header& header = headers[std::size_t(exr->graded.part)];
            header = gradedHeader(*exr, options, layout);
            BandSource source(header, pixels, layout, &exr->kept, bandLinesFor(header));
            if (exr->multiPart)
                writeMultiPart(stream, headers, exr->graded.part, source, *exr->source);
            else
                writeSinglePart(stream, header, source);
        }
        stream.finish();
    } catch (const ImageIOError&) {
        throw;
    } catch (const std::exception& e) {
        fail(name, std::string("cannot write EXR: ") + e.what());
    }
}

} // namespace zelk::detail
