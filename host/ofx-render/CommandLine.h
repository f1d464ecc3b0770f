// ofx-render's command line: what the user asked for, checked for form only.
#pragma once

#include "zelk/ImageFile.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace ofxrender {

// A mistake in the command line itself; the tool exits with status 2.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class GpuMode { Cpu, OpenCl, Cuda };

// An input clip and the image or frame pattern that feeds it (--input CLIP=PATTERN; INPUT
// feeds "Source").
struct InputArg {
    std::string clip;
    std::string pattern;
};

// The picture of an effect without inputs (--size WIDTHxHEIGHT).
struct PictureSize {
    int width = 0;
    int height = 0;
};

struct Options {
    bool help = false;
    bool version = false;
    bool describe = false;
    bool listLooks = false;
    std::string bundle;  // path or bundle name; empty: the default bundle on the search path
    std::string effect;  // ID[:MAJOR[.MINOR]]; empty: the bundle's only effect
    std::string context; // "filter", "general" (or the full name); empty: chosen by the clips
    std::vector<std::pair<std::string, std::string>> params; // --set NAME=VALUE, in order
                                                             // (NAME: script name or label)
    unsigned threads = 0;     // 0: the machine's cores (the plug-in's and OpenEXR's threads)
    std::vector<long> frames; // --frames, ascending; empty: every frame found
    bool overwrite = false;
    bool skipExisting = false;
    bool progress = false; // a line per frame on stderr even when it is not a terminal
    bool quiet = false;    // errors only on stderr
    GpuMode gpu = GpuMode::Cpu;
    int device = -1;                       // -1: the back-end's default device
    std::optional<zelk::SampleType> depth; // graded channels' samples; default from the input
    std::optional<zelk::CompressionChoice> compression; // EXR; default the input's
    zelk::ReadOptions read;                             // --part, --layer, --max-pixels
    std::vector<InputArg> inputs;    // Source (from INPUT) first, then each --input in order
    std::optional<PictureSize> size; // given only without inputs: a generator's picture
    std::string output;
};

// Throws UsageError naming the offending argument.
Options parseCommandLine(const std::vector<std::string>& args);

const char* helpText();

} // namespace ofxrender
