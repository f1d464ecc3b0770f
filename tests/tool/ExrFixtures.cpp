#include "ExrFixtures.h"

#include <Imath/half.h>
#include <ImfChannelList.h>
#include <ImfDeepFrameBuffer.h>
#include <ImfDeepScanLineOutputFile.h>
#include <ImfFrameBuffer.h>
#include <ImfInputPart.h>
#include <ImfMultiPartInputFile.h>
#include <ImfMultiPartOutputFile.h>
#include <ImfOutputFile.h>
#include <ImfOutputPart.h>
#include <ImfPartType.h>
#include <ImfStdIO.h>
#include <ImfTiledInputPart.h>
#include <ImfTiledOutputFile.h>
#include <ImfTiledOutputPart.h>
#include <ImfVersion.h>

#include <cstring>
#include <memory>

namespace exrtest {

namespace {

std::size_t sizeOf(Imf::PixelType type)
{
    return type == Imf::HALF ? 2 : 4;
}

// Buffers for every channel of a part, and the frame buffer over them.
struct PartPixels {
    std::vector<std::vector<char>> samples;
    std::vector<std::string> names;
    Imf::FrameBuffer frame;

    explicit PartPixels(const Imf::Header& header)
    {
        const Imath::Box2i w = header.dataWindow();
        const int width = w.max.x - w.min.x + 1, height = w.max.y - w.min.y + 1;
        for (auto it = header.channels().begin(); it != header.channels().end(); ++it) {
            const Imf::Channel& c = it.channel();
            const std::size_t size = sizeOf(c.type);
            const std::size_t columns = std::size_t(width / c.xSampling);
            names.push_back(it.name());
            samples.emplace_back(size * columns * std::size_t(height / c.ySampling));
            frame.insert(it.name(), Imf::Slice::Make(c.type, samples.back().data(), w, size,
                                                     size * columns, c.xSampling, c.ySampling));
        }
    }

    void fill(const Imf::Header& header, int part)
    {
        for (std::size_t c = 0; c < names.size(); ++c) {
            const Imf::PixelType type = header.channels()[names[c]].type;
            char* p = samples[c].data();
            for (std::size_t i = 0; i < samples[c].size() / sizeOf(type); ++i) {
                const float v = 0.001f * float((i * 37 + c * 101 + std::size_t(part) * 7) % 997);
                if (type == Imf::HALF) {
                    const half h(v);
                    std::memcpy(p + 2 * i, &h, 2);
                } else if (type == Imf::FLOAT) {
                    std::memcpy(p + 4 * i, &v, 4);
                } else {
                    const unsigned u = unsigned(i * 7919 + c);
                    std::memcpy(p + 4 * i, &u, 4);
                }
            }
        }
    }
};

template <typename Part> void writeTiledPart(Part& part, PartPixels& pixels)
{
    part.setFrameBuffer(pixels.frame);
    part.writeTiles(0, part.numXTiles(0) - 1, 0, part.numYTiles(0) - 1);
}

} // namespace

Imf::Header makeHeader(int x, int y, int width, int height,
                       const std::vector<std::string>& channels, Imf::PixelType type)
{
    const Imath::Box2i window(Imath::V2i(x, y), Imath::V2i(x + width - 1, y + height - 1));
    Imf::Header header(window, window);
    for (const std::string& name : channels)
        header.channels().insert(name, Imf::Channel(type));
    return header;
}

void writeExr(const std::string& path, const std::vector<Imf::Header>& headers)
{
    std::vector<Imf::Header> parts = headers;
    for (std::size_t p = 0; p < parts.size(); ++p) {
        if (parts.size() > 1 && !parts[p].hasName())
            parts[p].setName("part" + std::to_string(p));
        if (parts.size() > 1)
            parts[p].setType(parts[p].hasTileDescription() ? Imf::TILEDIMAGE : Imf::SCANLINEIMAGE);
    }
    std::vector<std::unique_ptr<PartPixels>> pixels;
    for (std::size_t p = 0; p < parts.size(); ++p) {
        pixels.push_back(std::make_unique<PartPixels>(parts[p]));
        pixels.back()->fill(parts[p], int(p));
    }
    if (parts.size() == 1 && !parts[0].hasType()) {
        // A single-part file as the classic writers make it, without "type".
        if (parts[0].hasTileDescription()) {
            Imf::TiledOutputFile file(path.c_str(), parts[0]);
            writeTiledPart(file, *pixels[0]);
        } else {
            Imf::OutputFile file(path.c_str(), parts[0]);
            file.setFrameBuffer(pixels[0]->frame);
            file.writePixels(parts[0].dataWindow().max.y - parts[0].dataWindow().min.y + 1);
        }
        return;
    }
    Imf::MultiPartOutputFile file(path.c_str(), parts.data(), int(parts.size()));
    for (std::size_t p = 0; p < parts.size(); ++p) {
        if (parts[p].hasTileDescription()) {
            Imf::TiledOutputPart part(file, int(p));
            writeTiledPart(part, *pixels[p]);
        } else {
            Imf::OutputPart part(file, int(p));
            part.setFrameBuffer(pixels[p]->frame);
            part.writePixels(parts[p].dataWindow().max.y - parts[p].dataWindow().min.y + 1);
        }
    }
}

void writeDeepExr(const std::string& path)
{
    Imf::Header header(4, 3);
    header.channels().insert("Z", Imf::Channel(Imf::FLOAT));
    header.setType(Imf::DEEPSCANLINE);
    header.compression() = Imf::ZIPS_COMPRESSION;
    std::vector<unsigned> counts(12, 1);
    std::vector<float> depths(12, 1.0f);
    std::vector<float*> pointers(12);
    for (std::size_t i = 0; i < 12; ++i)
        pointers[i] = &depths[i];
    Imf::DeepFrameBuffer frame;
    frame.insertSampleCountSlice(
        Imf::Slice(Imf::UINT, (char*)counts.data(), sizeof(unsigned), 4 * sizeof(unsigned)));
    frame.insert("Z", Imf::DeepSlice(Imf::FLOAT, (char*)pointers.data(), sizeof(float*),
                                     4 * sizeof(float*), sizeof(float)));
    Imf::DeepScanLineOutputFile file(path.c_str(), header);
    file.setFrameBuffer(frame);
    file.writePixels(3);
}

ChannelBytes readChannels(const std::string& path, int part)
{
    Imf::MultiPartInputFile file(path.c_str());
    const Imf::Header& header = file.header(part);
    PartPixels pixels(header);
    if (header.hasTileDescription()) {
        Imf::TiledInputPart in(file, part);
        in.setFrameBuffer(pixels.frame);
        in.readTiles(0, in.numXTiles(0) - 1, 0, in.numYTiles(0) - 1);
    } else {
        Imf::InputPart in(file, part);
        in.setFrameBuffer(pixels.frame);
        in.readPixels(header.dataWindow().min.y, header.dataWindow().max.y);
    }
    ChannelBytes channels;
    for (std::size_t c = 0; c < pixels.names.size(); ++c)
        channels[pixels.names[c]] = std::move(pixels.samples[c]);
    return channels;
}

std::vector<Imf::Header> readHeaders(const std::string& path)
{
    Imf::MultiPartInputFile file(path.c_str());
    std::vector<Imf::Header> headers;
    for (int p = 0; p < file.parts(); ++p)
        headers.push_back(file.header(p));
    return headers;
}

std::map<std::string, std::string> attributes(const Imf::Header& header)
{
    std::map<std::string, std::string> values;
    for (auto it = header.begin(); it != header.end(); ++it) {
        if (std::string(it.name()) == "channels")
            continue;
        Imf::StdOSStream out;
        it.attribute().writeValueTo(out, Imf::EXR_VERSION);
        values[it.name()] = std::string(it.attribute().typeName()) + ":" + out.str();
    }
    return values;
}

} // namespace exrtest
