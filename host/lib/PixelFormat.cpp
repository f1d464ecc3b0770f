// Pixel formats and the conversions between them.
#include "PixelFormat.h"

#include <ofxhost/Error.h>

#include <ofxImageEffect.h>

#include <Imath/half.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

namespace ofxhost {

std::optional<Depth> parseDepth(const std::string& text)
{
    if (text == kOfxBitDepthByte)
        return Depth::Byte;
    if (text == kOfxBitDepthShort)
        return Depth::Short;
    if (text == kOfxBitDepthHalf)
        return Depth::Half;
    if (text == kOfxBitDepthFloat)
        return Depth::Float;
    return std::nullopt;
}

std::optional<Channels> parseChannels(const std::string& text)
{
    if (text == kOfxImageComponentRGBA)
        return Channels::RGBA;
    if (text == kOfxImageComponentRGB)
        return Channels::RGB;
    if (text == kOfxImageComponentAlpha)
        return Channels::Alpha;
    return std::nullopt;
}

std::optional<PixelFormat> parseFormat(const std::string& depth, const std::string& components)
{
    const auto d = parseDepth(depth);
    const auto c = parseChannels(components);
    if (!d || !c)
        return std::nullopt;
    return PixelFormat{*d, *c};
}

const char* depthName(Depth depth)
{
    switch (depth) {
    case Depth::Byte:
        return kOfxBitDepthByte;
    case Depth::Short:
        return kOfxBitDepthShort;
    case Depth::Half:
        return kOfxBitDepthHalf;
    case Depth::Float:
        return kOfxBitDepthFloat;
    }
    return kOfxBitDepthNone;
}

const char* channelsName(Channels channels)
{
    switch (channels) {
    case Channels::RGBA:
        return kOfxImageComponentRGBA;
    case Channels::RGB:
        return kOfxImageComponentRGB;
    case Channels::Alpha:
        return kOfxImageComponentAlpha;
    }
    return kOfxImageComponentNone;
}

int depthRank(Depth depth)
{
    return static_cast<int>(depth);
}

namespace {

int sampleBytes(Depth depth)
{
    return depth == Depth::Byte ? 1 : depth == Depth::Float ? 4 : 2;
}

int channelCount(Channels channels)
{
    return channels == Channels::RGBA ? 4 : channels == Channels::RGB ? 3 : 1;
}

} // namespace

long bytesPerPixel(PixelFormat format)
{
    return static_cast<long>(sampleBytes(format.depth)) * channelCount(format.channels);
}

PixelBuffer allocatePixels(const OfxRectI& bounds, PixelFormat format)
{
    const long width = static_cast<long>(bounds.x2) - bounds.x1;
    const long height = static_cast<long>(bounds.y2) - bounds.y1;
    if (width < 0 || height < 0)
        throw Error("cannot allocate an image with inverted bounds");
    const long row = width * bytesPerPixel(format);
    if (row > 0x7fffffffL)
        throw Error("an image row of " + std::to_string(width) + " pixels is too wide");
    const std::size_t bytes = static_cast<std::size_t>(row) * static_cast<std::size_t>(height);
    void* data = std::aligned_alloc(16, (bytes + 16) / 16 * 16);
    if (!data)
        throw std::bad_alloc();
    PixelBuffer buffer;
    buffer.memory = std::shared_ptr<void>(data, std::free);
    buffer.image.data = data;
    buffer.image.rowBytes = static_cast<int>(row);
    buffer.image.bounds = bounds;
    buffer.image.pixelDepth = depthName(format.depth);
    buffer.image.components = channelsName(format.channels);
    return buffer;
}

namespace {

float readSample(const unsigned char* p, Depth depth)
{
    switch (depth) {
    case Depth::Byte:
        return *p / 255.0f;
    case Depth::Short: {
        std::uint16_t v;
        std::memcpy(&v, p, sizeof v);
        return v / 65535.0f;
    }
    case Depth::Half: {
        std::uint16_t v;
        std::memcpy(&v, p, sizeof v);
        Imath::half h;
        h.setBits(v);
        return h;
    }
    case Depth::Float: {
        float v;
        std::memcpy(&v, p, sizeof v);
        return v;
    }
    }
    return 0.0f;
}

float unitClamped(float v)
{
    return v > 0.0f ? (v < 1.0f ? v : 1.0f) : 0.0f; // NaN fails v > 0 and lands on 0
}

void writeSample(unsigned char* p, Depth depth, float v)
{
    switch (depth) {
    case Depth::Byte:
        *p = static_cast<unsigned char>(unitClamped(v) * 255.0f + 0.5f);
        return;
    case Depth::Short: {
        const auto s = static_cast<std::uint16_t>(unitClamped(v) * 65535.0f + 0.5f);
        std::memcpy(p, &s, sizeof s);
        return;
    }
    case Depth::Half: {
        const std::uint16_t h = Imath::half(v).bits();
        std::memcpy(p, &h, sizeof h);
        return;
    }
    case Depth::Float:
        std::memcpy(p, &v, sizeof v);
        return;
    }
}

void readPixel(const unsigned char* p, PixelFormat f, float rgba[4])
{
    const int step = sampleBytes(f.depth);
    switch (f.channels) {
    case Channels::RGBA:
        for (int c = 0; c < 4; ++c)
            rgba[c] = readSample(p + c * step, f.depth);
        return;
    case Channels::RGB:
        for (int c = 0; c < 3; ++c)
            rgba[c] = readSample(p + c * step, f.depth);
        rgba[3] = 1.0f;
        return;
    case Channels::Alpha:
        rgba[0] = rgba[1] = rgba[2] = rgba[3] = readSample(p, f.depth);
        return;
    }
}

void writePixel(unsigned char* p, PixelFormat f, const float rgba[4])
{
    const int step = sampleBytes(f.depth);
    switch (f.channels) {
    case Channels::RGBA:
        for (int c = 0; c < 4; ++c)
            writeSample(p + c * step, f.depth, rgba[c]);
        return;
    case Channels::RGB:
        for (int c = 0; c < 3; ++c)
            writeSample(p + c * step, f.depth, rgba[c]);
        return;
    case Channels::Alpha:
        writeSample(p, f.depth, rgba[3]);
        return;
    }
}

PixelFormat formatOf(const ImageDesc& image)
{
    const auto f = parseFormat(image.pixelDepth, image.components);
    if (!f)
        throw Error("cannot convert pixels of depth \"" + image.pixelDepth +
                    "\" and components \"" + image.components + "\"");
    return *f;
}

} // namespace

void copyPixels(const ImageDesc& source, const ImageDesc& target)
{
    const PixelFormat from = formatOf(source), to = formatOf(target);
    const OfxRectI& b = source.bounds;
    const long inStep = bytesPerPixel(from), outStep = bytesPerPixel(to);
    for (int y = b.y1; y < b.y2; ++y) {
        const auto* in = static_cast<const unsigned char*>(source.data) +
                         static_cast<long>(y - b.y1) * source.rowBytes;
        auto* out = static_cast<unsigned char*>(target.data) +
                    static_cast<long>(y - target.bounds.y1) * target.rowBytes +
                    static_cast<long>(b.x1 - target.bounds.x1) * outStep;
        if (from == to) {
            std::memcpy(out, in, static_cast<std::size_t>((b.x2 - b.x1) * inStep));
            continue;
        }
        float rgba[4] = {}; // every channel set by readPixel; zeroed for the compiler
        for (int x = b.x1; x < b.x2; ++x, in += inStep, out += outStep) {
            readPixel(in, from, rgba);
            writePixel(out, to, rgba);
        }
    }
}

PixelBuffer convertPixels(const ImageDesc& source, PixelFormat to)
{
    PixelBuffer buffer = allocatePixels(source.bounds, to);
    buffer.image.preMultiplication = source.preMultiplication;
    buffer.image.pixelAspectRatio = source.pixelAspectRatio;
    buffer.image.regionOfDefinition = source.regionOfDefinition;
    copyPixels(source, buffer.image);
    return buffer;
}

} // namespace ofxhost
