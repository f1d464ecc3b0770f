#include "CommandLine.h"

#include "FrameList.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace ofxrender {

namespace {

long parseInteger(const std::string& text, const std::string& what)
{
    if (text.empty())
        throw UsageError(what + ": missing number");
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || errno == ERANGE || text[0] == ' ')
        throw UsageError(what + ": '" + text + "' is not a whole number");
    return value;
}

// "WIDTHxHEIGHT", each from 1 to 2^24.
PictureSize parseSize(const std::string& text)
{
    const auto x = text.find('x');
    if (x == std::string::npos)
        throw UsageError("--size: '" + text + "' is not WIDTHxHEIGHT");
    const long width = parseInteger(text.substr(0, x), "--size width");
    const long height = parseInteger(text.substr(x + 1), "--size height");
    constexpr long kLargest = 1L << 24;
    if (width < 1 || height < 1 || width > kLargest || height > kLargest)
        throw UsageError("--size: '" + text + "': width and height must be between 1 and " +
                         std::to_string(kLargest));
    return PictureSize{int(width), int(height)};
}

GpuMode parseGpu(const std::string& text)
{
    if (text == "cpu")
        return GpuMode::Cpu;
    if (text == "opencl")
        return GpuMode::OpenCl;
    if (text == "cuda")
        return GpuMode::Cuda;
    throw UsageError("--gpu: unknown mode '" + text + "' (use cpu, opencl or cuda)");
}

} // namespace

Options parseCommandLine(const std::vector<std::string>& args)
{
    Options options;
    std::vector<std::string> positional;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        // "--name=value" is the same as "--name value".
        std::optional<std::string> inlineValue;
        if (arg.rfind("--", 0) == 0) {
            const auto eq = arg.find('=');
            if (eq != std::string::npos) {
                inlineValue = arg.substr(eq + 1);
                arg = arg.substr(0, eq);
            }
        }
        auto value = [&]() -> std::string {
            if (inlineValue)
                return *inlineValue;
            if (i + 1 >= args.size())
                throw UsageError(arg + ": missing value");
            return args[++i];
        };
        auto noValue = [&] {
            if (inlineValue)
                throw UsageError(arg + " takes no value");
        };

        if (arg == "-h" || arg == "--help") {
            noValue();
            options.help = true;
        } else if (arg == "--version") {
            noValue();
            options.version = true;
        } else if (arg == "-y" || arg == "--overwrite") {
            noValue();
            options.overwrite = true;
        } else if (arg == "--skip-existing") {
            noValue();
            options.skipExisting = true;
        } else if (arg == "--progress") {
            noValue();
            options.progress = true;
        } else if (arg == "-q" || arg == "--quiet") {
            noValue();
            options.quiet = true;
        } else if (arg == "--list-looks") {
            noValue();
            options.listLooks = true;
        } else if (arg == "--describe") {
            options.describe = true;
            if (inlineValue)
                options.bundle = *inlineValue;
        } else if (arg == "--bundle") {
            options.bundle = value();
        } else if (arg == "--effect") {
            options.effect = value();
        } else if (arg == "--context") {
            options.context = value();
            if (options.context.empty())
                throw UsageError("--context: missing context name");
        } else if (arg == "--input") {
            const std::string assignment = value();
            const auto eq = assignment.find('=');
            if (eq == std::string::npos || eq == 0 || eq + 1 == assignment.size())
                throw UsageError("--input: '" + assignment + "' is not CLIP=PATTERN");
            options.inputs.push_back({assignment.substr(0, eq), assignment.substr(eq + 1)});
        } else if (arg == "--size") {
            options.size = parseSize(value());
        } else if (arg == "--set") {
            const std::string assignment = value();
            const auto eq = assignment.find('=');
            if (eq == std::string::npos || eq == 0)
                throw UsageError("--set: '" + assignment + "' is not NAME=VALUE");
            options.params.emplace_back(assignment.substr(0, eq), assignment.substr(eq + 1));
        } else if (arg == "--threads") {
            const long n = parseInteger(value(), "--threads");
            if (n < 1 || n > 1024)
                throw UsageError("--threads: must be between 1 and 1024");
            options.threads = unsigned(n);
        } else if (arg == "--frames") {
            options.frames = parseFrameList(value());
        } else if (arg == "--gpu") {
            options.gpu = parseGpu(value());
        } else if (arg == "--device") {
            const long n = parseInteger(value(), "--device");
            if (n < 0 || n > INT_MAX)
                throw UsageError("--device: must be 0 or more");
            options.device = int(n);
        } else if (arg == "--depth") {
            try {
                options.depth = zelk::parseSampleType(value());
            } catch (const std::invalid_argument& e) {
                throw UsageError(std::string("--depth: ") + e.what());
            }
        } else if (arg == "--compression") {
            try {
                options.compression = zelk::parseCompression(value());
            } catch (const std::invalid_argument& e) {
                throw UsageError(std::string("--compression: ") + e.what());
            }
        } else if (arg == "--part") {
            options.read.part = value();
            if (options.read.part.empty())
                throw UsageError("--part: missing part index or name");
        } else if (arg == "--layer") {
            options.read.layer = value();
            if (options.read.layer.empty())
                throw UsageError("--layer: missing layer name");
        } else if (arg == "--max-pixels") {
            const long n = parseInteger(value(), "--max-pixels");
            if (n < 1)
                throw UsageError("--max-pixels: must be 1 or more");
            options.read.maxPixels = n;
        } else {
            throw UsageError("unknown option '" + arg + "'");
        }
    }

    if (options.help || options.version)
        return options;
    if (options.overwrite && options.skipExisting)
        throw UsageError("-y and --skip-existing contradict each other (-y replaces existing "
                         "outputs, --skip-existing keeps them and renders only the missing ones)");
    if (options.progress && options.quiet)
        throw UsageError("-q and --progress contradict each other (-q prints errors only)");
    if (options.listLooks) {
        if (!positional.empty() || options.size)
            throw UsageError("--list-looks takes no INPUT, OUTPUT or --size");
        return options;
    }
    if (options.describe) {
        // "--describe [BUNDLE]": the one optional operand names the bundle.
        if (positional.size() > 1)
            throw UsageError("--describe takes at most one bundle");
        if (positional.size() == 1) {
            if (!options.bundle.empty())
                throw UsageError("--describe: bundle given twice");
            options.bundle = positional[0];
        }
        return options;
    }
    if (options.device >= 0 && options.gpu == GpuMode::Cpu)
        throw UsageError("--device needs --gpu opencl or --gpu cuda");
    if (options.size) {
        // An effect without inputs: OUTPUT alone.
        if (options.gpu != GpuMode::Cpu)
            throw UsageError("--gpu renders effects with a Source input only");
        if (!options.inputs.empty() || positional.size() == 2)
            throw UsageError("--size is for effects without inputs (an input gives the picture "
                             "its size)");
        if (static_cast<long long>(options.size->width) * options.size->height >
            options.read.maxPixels)
            throw UsageError("--size: " + std::to_string(options.size->width) + "x" +
                             std::to_string(options.size->height) + " is more than --max-pixels (" +
                             std::to_string(options.read.maxPixels) + ")");
        if (positional.size() != 1)
            throw UsageError(positional.empty() ? "expected OUTPUT"
                                                : "too many arguments (expected OUTPUT)");
        options.output = positional.back();
        return options;
    }
    // With --input, INPUT may be left out: OUTPUT alone then.
    const std::size_t wanted = options.inputs.empty() || positional.size() == 2 ? 2 : 1;
    if (positional.size() != wanted)
        throw UsageError(positional.size() < wanted
                             ? "expected INPUT and OUTPUT"
                             : "too many arguments (expected INPUT and OUTPUT)");
    if (wanted == 2)
        options.inputs.insert(options.inputs.begin(), InputArg{"Source", positional[0]});
    options.output = positional.back();
    for (std::size_t i = 0; i < options.inputs.size(); ++i)
        for (std::size_t j = 0; j < i; ++j)
            if (options.inputs[i].clip == options.inputs[j].clip)
                throw UsageError("clip '" + options.inputs[i].clip + "' is given two inputs" +
                                 (i == 1 && wanted == 2 ? " (INPUT feeds Source)" : ""));
    return options;
}

const char* helpText()
{
    return R"(usage: ofx-render [options] INPUT OUTPUT
       ofx-render [options] --input CLIP=INPUT ... OUTPUT
       ofx-render [options] --size WIDTHxHEIGHT OUTPUT
       ofx-render --list-looks [--bundle B] [--set ...]
       ofx-render --describe [BUNDLE]
       ofx-render --version

Renders INPUT through an OFX image effect into OUTPUT. Images: OpenEXR (.exr),
PNG (.png) and TIFF (.tif, .tiff), graded as RGBA 32-bit float (alpha 1 when
the file has none). OUTPUT's format follows its extension. Written in the
input's format, OUTPUT keeps everything that is not graded: EXR windows,
channels, parts, attributes, tiling and compression; TIFF and PNG resolution,
ICC profile and text.

The looks of ZELK Look Library expect log-encoded input, in one of two
transfer curves: "Tevo4/QXR4" (the default) or "Tevo3/QXR3", chosen with
--set colorSpaceTransform=NAME (or --set "I/O Space=NAME"). The curves are
defined in looks/README.md of the source; convert a scene-linear image to one
of them before grading it (scene 0.18 is code 0.5 in both): the OpenColorIO
config that "zelk-lut ocio-config BUNDLE DIR" writes has both as colour spaces.

options:
  --bundle PATH|NAME   the plug-in bundle: a bundle directory, or a bundle name
                       looked up in OFX_PLUGIN_PATH, then /usr/OFX/Plugins
                       (default: ZELK-Look-Lib)
  --effect ID[:VERSION]  the effect's identifier, and its major or
                       MAJOR.MINOR version (default: the bundle's only effect,
                       its highest version)
  --context NAME       filter, general, transition or generator (default: the
                       first of them that has the clips given; generator first
                       where there are none)
  --input CLIP=INPUT   an image or frame pattern for the effect's input clip
                       CLIP (INPUT alone feeds "Source"); clips given none stay
                       unconnected
  --size WIDTHxHEIGHT  the picture of an effect without inputs (a generator):
                       OUTPUT alone then, and --frames for a sequence
  --set NAME=VALUE     set a parameter by script name or label; a choice takes
                       an option text or index, 2D/3D and colour parameters
                       their values X,Y[,Z[,A]] (canonical coordinates),
                       booleans true/false, a parametric parameter its curves'
                       points POS:VALUE ..., one list for all or one per curve
                       separated by ';'
  --list-looks         print the looks the effect offers, one a line
  --describe [BUNDLE]  print every effect of the bundle as a host sees it
  --threads N          CPUs the plug-in renders on, and threads that decode
                       and encode EXR files (default: all the machine's)
  --frames LIST        frames of a sequence: A, A-B or A-BxSTEP (or A-B:STEP),
                       joined by commas (1001-1100x2,1200); default: every
                       frame found
  --skip-existing      render only the frames whose OUTPUT is missing (to
                       resume a stopped run); cannot go with -y
  --progress           a line per frame of a sequence on stderr (frame,
                       seconds, frames per second, time left); the default
                       when stderr is a terminal
  -q, --quiet          print errors only
  --gpu cpu|opencl|cuda  where the plug-in renders (default: cpu)
  --device N           the OpenCL or CUDA device (default: the first)
  --depth 8|16|half|float  samples of the graded channels (default: the
                       input's, where the output format has them)
  --compression NAME   EXR compression of the graded part: none, rle, zips,
                       zip, piz, pxr24, b44, b44a, dwaa[:LEVEL], dwab[:LEVEL]
                       (default: the input's; ZIP for a PNG or TIFF input)
  --part N|NAME        the EXR part to grade (default: the first with R, G, B)
  --layer NAME         grade the EXR layer NAME (NAME.R, .G, .B and .A)
  --max-pixels N       refuse larger images before reading them
                       (default: 268435456, 16384 x 16384)
  -y, --overwrite      replace an existing OUTPUT
  --version            the version of ofx-render
  -h, --help           this text

Sequences: a run of '#' (one digit each, zero-padded) or a printf-style %d or
%04d in INPUT and OUTPUT stands for the frame number; each frame renders at
its frame number as time, and an effect may read other frames of an input
sequence (none where the sequence has no file). Without --frames, missing
frames between the first and the last found are reported. An input that is
not a pattern shows the same image at every frame. While a frame renders, the
next is read and the one before written, so at most three frames are in
memory.

The project (its size and offset, for effects whose defaults are relative to
it) is the display window of the first input's first frame, or --size
without inputs; the output has the size the effect gives it. A transition (--input SourceFrom=... --input
SourceTo=...) runs its "Transition" parameter from 0 at the first frame of the
input sequences to 1 at their last, unless --set gives it a value.

An output file appears only when its frame rendered completely; SIGINT,
SIGTERM and SIGHUP remove the frame being written and end the run (status
130, 143, 129). Exit status: 0 success, 1 failure, 2 usage error (options,
parameter names and values).

environment:
  OFX_PLUGIN_PATH      where bundles are looked for (':'-separated)
  OFX_PLUGIN_LOGFILE   the plug-in's trace log; without it, it writes none
)";
}

} // namespace ofxrender
