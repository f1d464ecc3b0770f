// OpenEXR through the library's general scan-line interface (tiled files read
// through it as well); the data window is the image, the display window is ignored.
#include "FdStream.h"
#include "FormatIO.h"

#include <Imath/half.h>
#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfInputFile.h>
#include <ImfOutputFile.h>

#include <exception>
#include <vector>

namespace zelk::detail {

namespace {

const char* const kRgba[4] = {"R", "G", "B", "A"};

} // namespace

RgbaImage readExr(const std::string& path)
{
    try {
        Imf::InputFile file(path.c_str());
        const Imath::Box2i window = file.header().dataWindow();
        const long long width = (long long)window.max.x - window.min.x + 1;
        const long long height = (long long)window.max.y - window.min.y + 1;
        checkDimensions(path, width, height);

        const Imf::ChannelList& channels = file.header().channels();
        const Imf::Channel* found[4] = {};
        for (int c = 0; c < 4; ++c)
            found[c] = channels.findChannel(kRgba[c]);
        const Imf::Channel* luminance = channels.findChannel("Y");
        const bool hasColour = found[0] || found[1] || found[2];
        if (!hasColour && !luminance)
            fail(path, "EXR image has no R, G, B or Y channel");

        RgbaImage image{int(width), int(height)};
        image.hadAlpha = found[3] != nullptr;
        bool allHalf = true;
        for (const Imf::Channel* ch :
             {found[0], found[1], found[2], hasColour ? nullptr : luminance})
            if (ch && ch->type != Imf::HALF)
                allHalf = false;
        image.storedAs = allHalf ? SampleType::Half : SampleType::Float;

        const std::size_t xStride = 4 * sizeof(float);
        const std::size_t yStride = xStride * std::size_t(width);
        // The library fills a channel missing from the file with the slice's fill
        // value, so alpha defaults to 1. A grey file reads Y into R, copied after.
        Imf::FrameBuffer frame;
        for (int c = 0; c < 4; ++c) {
            if (!hasColour && (c == 1 || c == 2))
                continue;
            const char* name = (!hasColour && c == 0) ? "Y" : kRgba[c];
            frame.insert(name, Imf::Slice::Make(Imf::FLOAT, image.pixels.data() + c, window,
                                                xStride, yStride, 1, 1, c == 3 ? 1.0 : 0.0));
        }
        file.setFrameBuffer(frame);
        file.readPixels(window.min.y, window.max.y);
        if (!hasColour)
            for (std::size_t i = 0; i < image.pixels.size(); i += 4)
                image.pixels[i + 1] = image.pixels[i + 2] = image.pixels[i];
        return image;
    } catch (const ImageIOError&) {
        throw;
    } catch (const std::exception& e) {
        fail(path, std::string("cannot read EXR: ") + e.what());
    }
}

void writeExr(int fd, const std::string& path, const RgbaImage& image, SampleType sample)
{
    try {
        const Imf::PixelType type = sample == SampleType::Half ? Imf::HALF : Imf::FLOAT;
        Imf::Header header(image.width, image.height);
        header.compression() = Imf::ZIP_COMPRESSION;
        for (const char* name : kRgba)
            header.channels().insert(name, Imf::Channel(type));

        // The library converts between sample types only on reading; a half file
        // is written from a half buffer.
        std::vector<half> halves;
        const char* base = reinterpret_cast<const char*>(image.pixels.data());
        std::size_t sampleSize = sizeof(float);
        if (type == Imf::HALF) {
            halves.assign(image.pixels.begin(), image.pixels.end());
            base = reinterpret_cast<const char*>(halves.data());
            sampleSize = sizeof(half);
        }
        const std::size_t xStride = 4 * sampleSize;
        const std::size_t yStride = xStride * std::size_t(image.width);
        Imf::FrameBuffer frame;
        for (int c = 0; c < 4; ++c)
            frame.insert(kRgba[c], Imf::Slice(type, const_cast<char*>(base + c * sampleSize),
                                              xStride, yStride));
        FdOStream stream(fd, path);
        {
            Imf::OutputFile file(stream, header);
            file.setFrameBuffer(frame);
            file.writePixels(image.height);
        }
        stream.finish();
    } catch (const std::exception& e) {
        fail(path, std::string("cannot write EXR: ") + e.what());
    }
}

} // namespace zelk::detail
