// OpenEXR through the multi-part interface, for single- and multi-part files
// alike: the graded channels of one part are decoded into the caller's buffer,
// the part's other channels into buffers of their own, and the other parts are
// left in the file, to be copied chunk by chunk when the output is written.
#include "ExrFormat.h"
#include "FormatIO.h"

#include <ImfFrameBuffer.h>
#include <ImfInputPart.h>
#include <ImfTiledInputPart.h>

#include <exception>

namespace zelk::detail {

ExrSource::ExrSource(std::unique_ptr<InputFile> input)
    : file(std::move(input)), stream(*file), parts(stream)
{
}

namespace {

PixelRect rectOf(const Imath::Box2i& box)
{
    return PixelRect{box.min.x, box.min.y, box.max.x - box.min.x + 1, box.max.y - box.min.y + 1};
}

std::size_t sampleSize(Imf::PixelType type)
{
    return type == Imf::HALF ? 2 : 4;
}

// The header without its "type" attribute. (Header::erase of this OpenEXR
// leaks the attribute, so the others are copied into a new header instead.)
Imf::Header withoutType(const Imf::Header& header)
{
    Imf::Header copy;
    for (auto it = header.begin(); it != header.end(); ++it)
        if (std::string(it.name()) != "type")
            copy.insert(it.name(), it.attribute());
    return copy;
}

class ExrReader : public ImageReader {
public:
    ExrReader(std::unique_ptr<InputFile> file, const ReadOptions& options);
    std::unique_ptr<Passthrough> read(const PixelView& pixels) override;

private:
    void decode(const PixelView& pixels, ExrPassthrough& rest);

    std::shared_ptr<ExrSource> m_source;
    bool m_typeInFile = false;
    GradedChannels m_graded;
    std::vector<Imf::Header> m_headers;
};

ExrReader::ExrReader(std::unique_ptr<InputFile> file, const ReadOptions& options)
    : ImageReader(file->path())
{
    try {
        m_typeInFile = checkExrStructure(*file);
        m_source = std::make_shared<ExrSource>(std::move(file));
        for (int p = 0; p < m_source->parts.parts(); ++p)
            m_headers.push_back(m_source->parts.header(p));
    } catch (const ImageIOError&) {
        throw;
    } catch (const std::exception& e) {
        fail(m_path, std::string("cannot read EXR: ") + e.what());
    }
    m_graded = chooseGradedChannels(m_path, m_headers, options);

    const Imf::Header& header = m_headers[std::size_t(m_graded.part)];
    m_info.format = FileFormat::Exr;
    m_info.dataWindow = rectOf(header.dataWindow());
    m_info.displayWindow = rectOf(header.displayWindow());
    m_info.pixelAspect = header.pixelAspectRatio();
    m_info.hadAlpha = m_graded.hasAlpha;
    checkDimensions(m_path, m_info.dataWindow.width, m_info.dataWindow.height, options.maxPixels);

    bool allHalf = true;
    for (const char* c : {"R", "G", "B", "Y"}) {
        const Imf::Channel* channel = header.channels().findChannel(m_graded.name(c));
        if (channel && m_graded.isGraded(m_graded.name(c)) && channel->type != Imf::HALF)
            allHalf = false;
    }
    m_info.storedAs = allHalf ? SampleType::Half : SampleType::Float;
}

std::unique_ptr<Passthrough> ExrReader::read(const PixelView& pixels)
{
    auto rest = std::make_unique<ExrPassthrough>();
    rest->headers = m_headers;
    rest->multiPart = m_headers.size() > 1;
    if (!rest->multiPart && !m_typeInFile)
        rest->headers[0] = withoutType(rest->headers[0]);
    rest->graded = m_graded;
    rest->source = m_source;
    try {
        decode(pixels, *rest);
    } catch (const ImageIOError&) {
        throw;
    } catch (const std::exception& e) {
        fail(m_path, std::string("cannot read EXR: ") + e.what());
    }
    return rest;
}

void ExrReader::decode(const PixelView& pixels, ExrPassthrough& rest)
{
    const Imf::Header& header = m_headers[std::size_t(m_graded.part)];
    const Imath::Box2i window = header.dataWindow();
    const std::size_t xStride = 4 * sizeof(float);
    const std::size_t yStride = std::size_t(pixels.rowStride) * sizeof(float);

    // A channel the file lacks (alpha) reads as the slice's fill value.
    Imf::FrameBuffer frame;
    const char* const names[4] = {"R", "G", "B", "A"};
    for (int c = 0; c < 4; ++c) {
        if (m_graded.grey && (c == 1 || c == 2))
            continue;
        const std::string name = m_graded.name(m_graded.grey && c == 0 ? "Y" : names[c]);
        frame.insert(name, Imf::Slice::Make(Imf::FLOAT, pixels.data + c, window, xStride, yStride,
                                            1, 1, c == 3 ? 1.0 : 0.0));
    }
    for (auto it = header.channels().begin(); it != header.channels().end(); ++it) {
        if (m_graded.isGraded(it.name()))
            continue;
        const Imf::Channel& channel = it.channel();
        KeptChannel kept{it.name(), channel, nullptr, sampleSize(channel.type), 0};
        const std::size_t columns = std::size_t(m_info.width() / channel.xSampling);
        const std::size_t rows = std::size_t(m_info.height() / channel.ySampling);
        kept.yStride = kept.xStride * columns;
        kept.samples = uninitialised<char>(kept.yStride * rows);
        frame.insert(kept.name,
                     Imf::Slice::Make(channel.type, kept.samples.get(), window, kept.xStride,
                                      kept.yStride, channel.xSampling, channel.ySampling));
        rest.kept.push_back(std::move(kept));
    }

    if (header.hasTileDescription()) {
        Imf::TiledInputPart part(m_source->parts, m_graded.part);
        part.setFrameBuffer(frame);
        part.readTiles(0, part.numXTiles(0) - 1, 0, part.numYTiles(0) - 1);
    } else {
        Imf::InputPart part(m_source->parts, m_graded.part);
        part.setFrameBuffer(frame);
        part.readPixels(window.min.y, window.max.y);
    }
    if (m_graded.grey)
        for (int y = 0; y < pixels.height; ++y)
            for (float* p = pixels.row(y); p < pixels.row(y) + 4 * pixels.width; p += 4)
                p[1] = p[2] = p[0];
}

} // namespace

std::unique_ptr<ImageReader> openExr(std::unique_ptr<InputFile> file, const ReadOptions& options)
{
    return std::make_unique<ExrReader>(std::move(file), options);
}

} // namespace zelk::detail
