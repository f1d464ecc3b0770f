// What the EXR reader hands the EXR writer: the headers of every part, the
// graded part's other channels and the open input for copying the other parts.
#pragma once

#include "FdStream.h"
#include "InputFile.h"
#include "zelk/ImageFile.h"

#include <ImfChannelList.h>
#include <ImfHeader.h>
#include <ImfMultiPartInputFile.h>

#include <memory>
#include <string>
#include <vector>

namespace zelk::detail {

// The channels a part is graded from: a layer's R, G, B and (if present) A, or
// a lone Y (a grey image; graded into R, G and B).
struct GradedChannels {
    int part = 0;
    std::string prefix; // "" or "LAYER."
    bool grey = false;
    bool hasAlpha = false;

    std::string name(const char* channel) const { return prefix + channel; }
    bool isGraded(const std::string& channel) const;
};

// Picks the part and channels `options` ask for (by default the first part
// with R, G and B). Throws ImageIOError saying what the file offers instead.
GradedChannels chooseGradedChannels(const std::string& path,
                                    const std::vector<Imf::Header>& headers,
                                    const ReadOptions& options);

// A channel of the graded part that is not graded, decoded as it is stored.
struct KeptChannel {
    std::string name;
    Imf::Channel channel;
    std::unique_ptr<char[]> samples;
    std::size_t xStride = 0; // bytes
    std::size_t yStride = 0;
};

// The input, open until every part that is copied unchanged has been written.
struct ExrSource {
    explicit ExrSource(std::unique_ptr<InputFile> input);
    std::unique_ptr<InputFile> file;
    FdIStream stream;
    Imf::MultiPartInputFile parts;
};

class ExrPassthrough : public Passthrough {
public:
    FileFormat format() const override { return FileFormat::Exr; }

    std::vector<Imf::Header> headers; // every part's, as read
    bool multiPart = false;
    GradedChannels graded;
    std::vector<KeptChannel> kept;
    std::shared_ptr<ExrSource> source;
};

// Checks that no part is deep and that every chunk of every part lies inside
// the file, so nothing is allocated for data a damaged or cut file lacks.
// Returns whether the first part's header holds a "type" attribute itself
// (the multi-part reader adds one to single-part headers).
bool checkExrStructure(const InputFile& file);

} // namespace zelk::detail
