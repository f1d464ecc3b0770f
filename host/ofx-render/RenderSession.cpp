#include "RenderSession.h"

#include "EffectChoice.h"

#include <ofxhost/Error.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <optional>

namespace ofxrender {

namespace {

const char* const kDefaultBundle = "ZELK-Look-Lib";
const char* const kLookParam = "printStock"; // ZELK Look Library's look choice

std::string labelOf(ofxhost::Instance& instance, const std::string& name)
{
    ofxhost::PropertySet& props = instance.paramProperties(name);
    return props.has(kOfxPropLabel) ? props.getString(kOfxPropLabel) : std::string();
}

// The parameters a user can set: not pages or groups.
std::vector<std::string> settableParams(ofxhost::Instance& instance)
{
    std::vector<std::string> names;
    for (const auto& n : instance.paramNames()) {
        const std::string type = instance.paramType(n);
        if (type != kOfxParamTypePage && type != kOfxParamTypeGroup)
            names.push_back(n);
    }
    return names;
}

// The script name `given` stands for: a script name, else a label.
std::string scriptNameOf(ofxhost::Instance& instance, const std::string& given)
{
    const std::vector<std::string> names = settableParams(instance);
    if (std::find(names.begin(), names.end(), given) != names.end())
        return given;
    std::vector<std::string> labelled;
    for (const auto& n : names)
        if (labelOf(instance, n) == given)
            labelled.push_back(n);
    if (labelled.size() == 1)
        return labelled.front();
    std::string known;
    for (const auto& n : labelled.empty() ? names : labelled) {
        const std::string label = labelOf(instance, n);
        known += (known.empty() ? "" : ", ") + n + (label.empty() ? "" : " (\"" + label + "\")");
    }
    if (!labelled.empty())
        throw UsageError("--set: '" + given + "' is the label of more than one parameter (" +
                         known + "); use the script name");
    throw UsageError("unknown parameter '" + given + "' (the effect has " +
                     (known.empty() ? std::string("none") : known) + ")");
}

// The file's data window of pixels the host has at `bounds`, within the display window of
// `info` (the inverse of ofxBounds).
zelk::PixelRect fileWindow(const OfxRectI& bounds, const zelk::ImageInfo& info)
{
    const zelk::PixelRect& display = info.displayWindow;
    const long turn = long(display.y) + long(display.y) + display.height - 1;
    return zelk::PixelRect{bounds.x1, int(turn - bounds.y2 + 1), bounds.x2 - bounds.x1,
                           bounds.y2 - bounds.y1};
}

// The project of a frame: its display window, in the host's coordinates.
ofxhost::ProjectSettings projectOf(const DecodedFrame& frame)
{
    zelk::ImageInfo whole = frame.info;
    whole.dataWindow = whole.displayWindow;
    return ofxhost::ProjectSettings::forWindow(ofxBounds(whole), frame.info.pixelAspect);
}

bool sameRect(const OfxRectI& a, const OfxRectI& b)
{
    return a.x1 == b.x1 && a.y1 == b.y1 && a.x2 == b.x2 && a.y2 == b.y2;
}

std::string inputClipList(ofxhost::Instance& instance)
{
    std::string list;
    for (const auto& clip : instance.clipNames())
        if (clip != "Output")
            list += (list.empty() ? "" : ", ") + clip;
    return list.empty() ? "none" : list;
}

// The frames a transition runs over, as a host's timeline would have it: from the first frame of
// the input sequences to their last, whichever frames this run renders (a farm task renders
// some). Nothing where no input is a sequence or the effect has no transition parameter.
std::optional<std::pair<long, long>>
transitionFrames(ofxhost::Instance& instance,
                 const std::vector<std::unique_ptr<InputFrames>>& inputs)
{
    const auto names = instance.paramNames();
    if (std::find(names.begin(), names.end(), kOfxImageEffectTransitionParamName) == names.end())
        return std::nullopt;
    std::optional<std::pair<long, long>> range;
    for (const auto& input : inputs) {
        const std::vector<long>& frames = input->existingFrames();
        if (!input->pattern().isSequence() || frames.empty())
            continue;
        range = range ? std::make_pair(std::min(range->first, frames.front()),
                                       std::max(range->second, frames.back()))
                      : std::make_pair(frames.front(), frames.back());
    }
    return range;
}

// The file a generator's pictures go into: `size`, at the origin, with alpha, in floats where the
// output format has them.
zelk::ImageInfo generatedInfo(const PictureSize& size, const Options& options)
{
    zelk::ImageInfo info;
    try {
        info.format = zelk::formatFromFileName(options.output);
    } catch (const zelk::ImageIOError& e) {
        throw UsageError(e.what());
    }
    info.dataWindow = info.displayWindow = zelk::PixelRect{0, 0, size.width, size.height};
    info.storedAs = zelk::defaultSampleType(info.format, zelk::SampleType::Float);
    info.hadAlpha = true;
    return info;
}

} // namespace

OfxRectI ofxBounds(const zelk::ImageInfo& info)
{
    const zelk::PixelRect& data = info.dataWindow;
    const zelk::PixelRect& display = info.displayWindow;
    // Row y of the file is row (top + bottom - y) of the host, top and bottom
    // being the display window's first and last rows.
    const long turn = long(display.y) + long(display.y) + display.height - 1;
    return OfxRectI{data.x, int(turn - (long(data.y) + data.height - 1)), data.x + data.width,
                    int(turn - data.y + 1)};
}

std::string resolveBundlePath(const ofxhost::Host& host, const std::string& bundle)
{
    if (bundle.empty())
        return host.findBundle(kDefaultBundle);
    // Anything that looks like a path is one; a plain name is searched for.
    if (bundle.find('/') != std::string::npos || std::filesystem::exists(bundle)) {
        if (!std::filesystem::is_directory(bundle))
            throw ofxhost::Error("bundle '" + bundle + "' not found (no such directory)");
        return bundle;
    }
    return host.findBundle(bundle);
}

RenderSession::RenderSession(const Options& options, long firstFrame, long lastFrame)
    : m_messages(options.quiet)
{
    ofxhost::HostOptions hostOptions;
    hostOptions.reportedCPUs = options.threads;
    hostOptions.displayName = "ofx-render";
    hostOptions.onMessage = [this](const ofxhost::Message& m) { m_messages.post(m); };
    m_host = std::make_unique<ofxhost::Host>(hostOptions);
    ofxhost::Bundle& bundle = m_host->loadBundle(resolveBundlePath(*m_host, options.bundle));
    m_effect = &chooseEffect(bundle, options.effect);

    std::vector<std::string> clips;
    for (const InputArg& input : options.inputs) {
        clips.push_back(input.clip);
        m_inputs.push_back(std::make_unique<InputFrames>(input.clip, input.pattern, options.read));
        m_sequence = m_sequence || m_inputs.back()->pattern().isSequence();
    }
    const std::string context = chooseContext(*m_effect, options.context, clips);

    // The first input's first frame sets the project the effect lives in; without inputs, the
    // size given.
    ofxhost::ProjectSettings project;
    if (options.size) {
        m_generated = generatedInfo(*options.size, options);
        project = ofxhost::ProjectSettings::forWindow(ofxBounds(*m_generated));
        m_sequence = FramePattern(options.output).isSequence();
    } else if (!m_inputs.empty()) {
        const auto first = m_inputs.front()->frame(firstFrame);
        if (!first)
            throw RenderError("'" + m_inputs.front()->pattern().fileForFrame(firstFrame) +
                              "': no such file");
        project = projectOf(*first);
    }
    project.frames = {double(firstFrame), double(lastFrame)};
    m_instance = m_effect->createInstance(context, project);

    for (const auto& input : m_inputs) {
        const auto names = m_instance->clipNames();
        if (input->clip() == "Output" ||
            std::find(names.begin(), names.end(), input->clip()) == names.end())
            throw UsageError("effect " + m_effect->identifier() + " has no input clip '" +
                             input->clip() + "' (its input clips: " + inputClipList(*m_instance) +
                             "); feed them with --input CLIP=INPUT" +
                             (input->clip() == "Source" ? " (INPUT alone feeds Source)" : ""));
        ofxhost::ClipInput clip = input->clipInput();
        if (!input->pattern().isSequence())
            clip.frameRange = project.frames;
        clip.frameRate = project.frameRate;
        clip.pixelAspectRatio = project.pixelAspectRatio;
        m_instance->connectClip(input->clip(), clip);
    }

    bool transitionGiven = false;
    for (const auto& [given, value] : options.params) {
        const std::string name = scriptNameOf(*m_instance, given);
        transitionGiven = transitionGiven || name == kOfxImageEffectTransitionParamName;
        try {
            m_instance->setParamFromText(name, value);
        } catch (const ofxhost::Error& e) {
            throw UsageError(std::string("--set ") + given + "=" + value + ": " + e.what());
        }
        m_instance->paramChanged(name);
    }
    if (context == kOfxImageEffectContextTransition && !transitionGiven)
        m_transitionFrames = transitionFrames(*m_instance, m_inputs);
    if (options.gpu != GpuMode::Cpu)
        m_gpu = std::make_unique<GpuRenderer>(options.gpu, options.device);
}

RenderSession::~RenderSession()
{
    // A frame that failed mid-sequence still ends the sequence the plug-in began.
    if (m_sequenceOpen) {
        try {
            m_instance->endSequenceRender();
        } catch (...) {
        }
    }
    m_instance.reset(); // destroyed before the host unloads the bundle
}

std::vector<std::string> RenderSession::lookNames()
{
    const auto names = m_instance->paramNames();
    if (std::find(names.begin(), names.end(), kLookParam) == names.end() ||
        m_instance->paramType(kLookParam) != kOfxParamTypeChoice)
        throw RenderError("effect '" + m_effect->identifier() + "' has no look choice (\"" +
                          kLookParam + "\")");
    return m_instance->choiceOptions(kLookParam);
}

void RenderSession::beginSequence(long first, long last)
{
    const OfxStatus status = m_instance->beginSequenceRender(double(first), double(last));
    if (status != kOfxStatOK && status != kOfxStatReplyDefault)
        throw RenderError(std::string("the plug-in failed to begin the sequence render (") +
                          ofxhost::statusName(status) + ")");
    m_sequenceOpen = true;
}

void RenderSession::endSequence()
{
    m_sequenceOpen = false;
    const OfxStatus status = m_instance->endSequenceRender();
    if (status != kOfxStatOK && status != kOfxStatReplyDefault)
        throw RenderError(std::string("the plug-in failed to end the sequence render (") +
                          ofxhost::statusName(status) + ")");
}

std::string RenderSession::failureMessage()
{
    const std::string latest = m_messages.takeError();
    if (const std::optional<ofxhost::Message> standing = m_instance->persistentMessage())
        return ": " + standing->text;
    return latest.empty() ? "" : ": " + latest;
}

RenderError RenderSession::renderFailure(const ofxhost::Error& e)
{
    for (const auto& input : m_inputs)
        if (auto failure = input->takeFailure())
            return RenderError(*failure); // the cause, rather than its effect on the render
    if (e.action() == kOfxImageEffectActionRender)
        return RenderError(std::string("the plug-in failed the render (") +
                           ofxhost::statusName(e.status()) + ")" + failureMessage() + e.lacking());
    return RenderError(e.what() + failureMessage());
}

void RenderSession::readAhead(long frame)
{
    for (const auto& input : m_inputs)
        input->readAhead(frame);
}

void RenderSession::advanceTransition(long frame)
{
    const auto [first, last] = *m_transitionFrames;
    const double progress =
        last > first ? std::clamp(double(frame - first) / double(last - first), 0.0, 1.0) : 0.0;
    m_instance->setParam(kOfxImageEffectTransitionParamName, progress);
}

RenderedOutput RenderSession::renderFrame(long frame, zelk::PixelBuffer& buffer)
{
    if (m_transitionFrames)
        advanceTransition(frame);
    RenderedOutput out;
    const DecodedFrame* source = nullptr;
    if (m_generated) {
        out.info = *m_generated;
    } else {
        InputFrames& primary = *m_inputs.front();
        out.source = primary.frame(frame);
        if (!out.source)
            throw RenderError("'" + primary.pattern().fileForFrame(frame) + "': no such file");
        source = out.source.get();
        out.info = source->info;
        out.rest = source->rest.get();
    }
    const double time = m_sequence ? double(frame) : 0.0;
    const int width = out.info.width(), height = out.info.height();
    if (width > INT_MAX / int(4 * sizeof(float)))
        throw RenderError("the image is too wide for an OFX image (" + std::to_string(width) +
                          " pixels)");
    const zelk::PixelView target = buffer.view(width, height);
    if (m_gpu && source) {
        try {
            out.pixels =
                m_gpu->render(*m_instance, time, *source, target) ? target : source->pixels;
        } catch (const RenderError& e) {
            throw RenderError(e.what() + failureMessage());
        }
        return out;
    }

    // Rendered straight into the output buffer when it has the input's size.
    ofxhost::ImageDesc into;
    into.data = target.row(height - 1);
    into.rowBytes = -int(target.rowStride * std::ptrdiff_t(sizeof(float)));
    into.bounds = ofxBounds(out.info);
    into.pixelAspectRatio = out.info.pixelAspect;
    ofxhost::RenderedFrame rendered;
    try {
        rendered = m_instance->renderFrame(time, &into);
    } catch (const ofxhost::Error& e) {
        throw renderFailure(e);
    }
    for (const auto& input : m_inputs)
        if (auto failure = input->takeFailure())
            throw RenderError(*failure);
    const OfxRectI& b = rendered.bounds;
    if (rendered.unwrittenPixels > 0)
        throw RenderError("the plug-in did not write the output image (" +
                          std::to_string(rendered.unwrittenPixels) + " of " +
                          std::to_string(std::size_t(b.x2 - b.x1) * (b.y2 - b.y1)) +
                          " pixels unwritten; its log may say why)");
    if (rendered.inTarget) {
        out.pixels = target;
        return out;
    }
    const int w = b.x2 - b.x1, h = b.y2 - b.y1;
    out.hostPixels = std::move(rendered.pixels);
    out.pixels = zelk::PixelView{out.hostPixels.data() + std::ptrdiff_t(h - 1) * w * 4,
                                 -std::ptrdiff_t(w) * 4, w, h};
    if (!sameRect(b, into.bounds)) {
        out.info.dataWindow = fileWindow(b, out.info);
        out.resized = true;
    }
    return out;
}

} // namespace ofxrender
