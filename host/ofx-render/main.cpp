// ofx-render: renders images and image sequences through an OFX image effect.
#include "CommandLine.h"
#include "FrameList.h"
#include "FramePattern.h"
#include "FramePipeline.h"
#include "Progress.h"
#include "RenderSession.h"
#include "SignalCleanup.h"

#include <ofxhost/Describe.h>
#include <ofxhost/Text.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <thread>
#include <unistd.h>

namespace {

using namespace ofxrender;

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

struct Job {
    std::vector<FramePattern> inputs; // as options.inputs; the first gives the frames found
    FramePattern output;
    bool sequence = false;
    std::vector<long> frames; // to render; {0} for a single image
    std::size_t skipped = 0;  // frames whose output exists (--skip-existing)
    zelk::FileFormat format = zelk::FileFormat::Exr;
};

bool outputExists(const std::string& path)
{
    std::error_code ec;
    return std::filesystem::symlink_status(path, ec).type() !=
           std::filesystem::file_type::not_found;
}

// Which frames to render, from the patterns and options; reports gaps in a
// sequence found on disk.
Job planJob(const Options& options)
{
    Job job{{}, FramePattern(options.output), false, {}, 0, zelk::FileFormat::Exr};
    for (const InputArg& input : options.inputs)
        job.inputs.emplace_back(input.pattern);
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
    // A sequence in, a sequence out; images that are not patterns show at every frame. Without
    // inputs, OUTPUT alone says.
    const auto sequenceIn = std::find_if(job.inputs.begin(), job.inputs.end(),
                                         [](const FramePattern& p) { return p.isSequence(); });
    if (!job.inputs.empty() && (sequenceIn != job.inputs.end()) != job.output.isSequence())
        throw UsageError("INPUT and OUTPUT must both be frame patterns, or neither");
    job.sequence = job.output.isSequence();
    if (!job.sequence && !options.frames.empty())
        throw UsageError(job.inputs.empty() ? "--frames needs a frame pattern in OUTPUT"
                                            : "--frames needs frame patterns in INPUT and OUTPUT");

    if (!job.sequence) {
        job.frames = {0};
    } else if (!options.frames.empty()) {
        job.frames = options.frames;
    } else if (job.inputs.empty()) {
        throw UsageError("--frames is needed: without inputs there are no frames to find");
    } else {
        job.frames = sequenceIn->existingFrames();
        if (job.frames.empty())
            throw std::runtime_error("'" + sequenceIn->path() + "': no frames found");
        const std::string gaps = describeGaps(job.frames);
        if (!gaps.empty() && !options.quiet)
            std::cerr << "ofx-render: warning: '" << ofxhost::escapedText(sequenceIn->path())
                      << "' lacks frames " << gaps << " (between " << job.frames.front() << " and "
                      << job.frames.back() << "); rendering the others\n";
    }
    if (options.skipExisting) {
        const auto before = job.frames.size();
        job.frames.erase(
            std::remove_if(job.frames.begin(), job.frames.end(),
                           [&](long f) { return outputExists(job.output.fileForFrame(f)); }),
            job.frames.end());
        job.skipped = before - job.frames.size();
    }
    return job;
}

// Checks the inputs and outputs of every frame before anything renders, so a
// run fails early rather than half-way through a sequence.
void checkFiles(const Options& options, const Job& job)
{
    for (long frame : job.frames) {
        for (const FramePattern& input : job.inputs)
            if (input.isSequence() || frame == job.frames.front())
                zelk::checkRegularFile(input.fileForFrame(frame));
        const std::string out = job.output.fileForFrame(frame);
        if (!options.overwrite && outputExists(out))
            throw std::runtime_error("'" + out + "': output exists (use -y to replace it)");
    }
}

// The frames of the job and their output files.
std::vector<FrameJob> frameJobs(const Job& job)
{
    std::vector<FrameJob> jobs;
    for (long frame : job.frames)
        jobs.push_back(FrameJob{frame, job.output.fileForFrame(frame)});
    return jobs;
}

unsigned threadCount(const Options& options)
{
    return options.threads > 0 ? options.threads
                               : std::max(1u, std::thread::hardware_concurrency());
}

int run(const Options& options)
{
    if (options.version) {
        std::cout << "ofx-render " OFX_RENDER_VERSION " (ZELK Look Library)\n";
        return 0;
    }
    if (options.describe) {
        ofxhost::HostOptions named;
        named.displayName = "ofx-render";
        ofxhost::Host host(named);
        ofxhost::Bundle& bundle = host.loadBundle(resolveBundlePath(host, options.bundle));
        ofxhost::printDescription(std::cout, bundle);
        return 0;
    }
    if (options.listLooks) {
        RenderSession session(options, 0, 0);
        for (const std::string& look : session.lookNames())
            std::cout << ofxhost::escapedText(look) << '\n';
        return 0;
    }

    const Job job = planJob(options);
    if (job.skipped > 0 && !options.quiet)
        std::cerr << "ofx-render: " << job.skipped << (job.skipped == 1 ? " frame" : " frames")
                  << " already rendered, skipped\n";
    if (job.frames.empty())
        return 0;
    checkFiles(options, job);
    installSignalCleanup();
    zelk::setCodecThreads(threadCount(options));
    RenderSession session(options, job.frames.front(), job.frames.back());

    PipelineOptions pipeline;
    pipeline.write.format = job.format;
    pipeline.write.sample = options.depth;
    pipeline.write.compression = options.compression;
    pipeline.overwrite = options.overwrite;

    const bool progress =
        job.sequence && !options.quiet && (options.progress || ::isatty(STDERR_FILENO));
    ProgressReport report(std::cerr, job.frames.size());
    FrameSteps steps;
    steps.readAhead = [&](long frame) { session.readAhead(frame); };
    steps.render = [&](long frame, zelk::PixelBuffer& target) {
        RenderedOutput rendered = session.renderFrame(frame, target);
        session.flushMessages();
        // EXR keeps the rest of the input's part only where the effect kept its data window.
        if (rendered.resized && job.format == zelk::FileFormat::Exr && rendered.rest) {
            rendered.rest = nullptr;
            if (frame == job.frames.front() && !options.quiet)
                std::cerr << "ofx-render: warning: the effect changes the data window; the EXR "
                             "output keeps only the channels it graded\n";
        }
        return rendered;
    };
    steps.written = [&](const FrameJob& frame) {
        if (progress)
            report.frameWritten(frame.frame);
    };

    if (job.sequence)
        session.beginSequence(job.frames.front(), job.frames.back());
    renderFrames(frameJobs(job), pipeline, steps);
    if (job.sequence)
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
        std::cerr << "ofx-render: " << ofxhost::escapedText(e.what())
                  << "\n(ofx-render --help for usage)\n";
        return kExitUsage;
    }
    if (options.help) {
        std::cout << helpText();
        return 0;
    }
    try {
        return run(options);
    } catch (const UsageError& e) {
        std::cerr << "ofx-render: " << ofxhost::escapedText(e.what()) << "\n";
        return kExitUsage;
    } catch (const std::exception& e) {
        std::cerr << "ofx-render: " << ofxhost::escapedText(e.what()) << "\n";
        return kExitFailure;
    }
}
