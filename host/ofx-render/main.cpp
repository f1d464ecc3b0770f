// ofx-render: renders images and image sequences through an OFX image effect.
#include "CommandLine.h"
#include "FramePattern.h"
#include "OutputFile.h"
#include "RenderSession.h"

#include <ofxhost/Describe.h>

#include <filesystem>
#include <iostream>
#include <unistd.h>

namespace {

using namespace ofxrender;

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

struct Job {
    FramePattern input;
    FramePattern output;
    std::vector<long> frames; // empty for a single image
    zelk::FileFormat format;
};

// Checks the inputs and outputs of every frame before anything renders, so a
// run fails early rather than half-way through a sequence.
Job planJob(const Options& options)
{
    Job job{FramePattern(options.input), FramePattern(options.output), {}, {}};
    try {
        job.format = zelk::formatFromFileName(options.output);
    } catch (const zelk::ImageIOError& e) {
        throw UsageError(e.what());
    }
    if (options.depth && !zelk::formatSupports(job.format, *options.depth))
        throw UsageError(std::string("--depth ") + zelk::sampleTypeName(*options.depth) +
                         ": the output format cannot store it");
    if (options.compression && job.format != zelk::FileFormat::Exr)
        throw UsageError("--compression applies to EXR output only");
    if (job.input.isSequence() != job.output.isSequence())
        throw UsageError("INPUT and OUTPUT must both be frame patterns, or neither");
    if (!job.input.isSequence()) {
        if (options.frames)
            throw UsageError("--frames needs frame patterns in INPUT and OUTPUT");
        return job;
    }
    if (options.frames) {
        for (long f = options.frames->first; f <= options.frames->last; ++f)
            job.frames.push_back(f);
    } else {
        job.frames = job.input.existingFrames();
        if (job.frames.empty())
            throw std::runtime_error("'" + options.input + "': no frames found");
    }
    return job;
}

void checkFiles(const Options& options, const Job& job)
{
    const std::vector<long> single{0};
    for (long frame : job.frames.empty() ? single : job.frames) {
        const std::string in = job.input.fileForFrame(frame);
        const std::string out = job.output.fileForFrame(frame);
        std::error_code ec;
        if (!std::filesystem::exists(in, ec))
            throw std::runtime_error("'" + in + "': no such file");
        if (!options.overwrite && std::filesystem::exists(std::filesystem::symlink_status(out, ec)))
            throw std::runtime_error("'" + out + "': output exists (use -y to replace it)");
    }
}

// The buffers of the frame in flight, kept from frame to frame.
struct FrameBuffers {
    zelk::PixelBuffer source;
    zelk::PixelBuffer output;
};

void renderOne(RenderSession& session, const Options& options, const Job& job,
               FrameBuffers& buffers, const std::string& in, const std::string& out, double time)
{
    const auto reader = zelk::ImageReader::open(in, options.read);
    const zelk::ImageInfo& info = reader->info();
    Frame frame;
    frame.source = buffers.source.view(info.width(), info.height());
    frame.output = buffers.output.view(info.width(), info.height());
    frame.bounds = ofxBounds(info);
    frame.pixelAspect = info.pixelAspect;
    const auto rest = reader->read(frame.source);
    const bool rendered = session.renderFrame(frame, time);

    zelk::WriteOptions write;
    write.format = job.format;
    write.sample = options.depth;
    write.compression = options.compression;
    PendingOutput output(out, options.overwrite);
    zelk::writeImage(output.fd(), out, info, rendered ? frame.output : frame.source, rest.get(),
                     write);
    output.commit();
}

int run(const Options& options)
{
    if (options.describe) {
        ofxhost::Host host;
        ofxhost::Bundle& bundle = host.loadBundle(resolveBundlePath(host, options.bundle));
        ofxhost::printDescription(std::cout, bundle);
        return 0;
    }

    const Job job = planJob(options);
    checkFiles(options, job);
    RenderSession session(options);
    FrameBuffers buffers;
    if (job.frames.empty()) {
        renderOne(session, options, job, buffers, options.input, options.output, 0.0);
        return 0;
    }

    const bool progress = ::isatty(STDOUT_FILENO);
    session.beginSequence(job.frames.front(), job.frames.back());
    std::size_t done = 0;
    for (long frame : job.frames) {
        const std::string out = job.output.fileForFrame(frame);
        renderOne(session, options, job, buffers, job.input.fileForFrame(frame), out,
                  double(frame));
        ++done;
        if (progress)
            std::cout << "frame " << frame << " (" << done << "/" << job.frames.size() << ") -> "
                      << out << std::endl;
    }
    session.endSequence();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    try {
        options = parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const UsageError& e) {
        std::cerr << "ofx-render: " << e.what() << "\n(ofx-render --help for usage)\n";
        return kExitUsage;
    }
    if (options.help) {
        std::cout << helpText();
        return 0;
    }
    try {
        return run(options);
    } catch (const UsageError& e) {
        std::cerr << "ofx-render: " << e.what() << "\n";
        return kExitUsage;
    } catch (const std::exception& e) {
        std::cerr << "ofx-render: " << e.what() << "\n";
        return kExitFailure;
    }
}
