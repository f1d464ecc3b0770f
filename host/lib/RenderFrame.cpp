// One frame rendered as a host renders it: the output image sized by the effect's region of
// definition, allocated in the format the effect prefers, and given back as float RGBA.
#include "InstanceData.h"

#include <ofxhost/Error.h>

#include <cmath>
#include <cstring>

namespace ofxhost {
namespace {

// A signalling NaN with an unusual payload: arithmetic never produces it, so an output sample
// still holding it after the render was not written by the effect.
constexpr std::uint32_t kUnwrittenBits = 0x7FA1DEADu;
// 16384 x 16384 pixels: 4 GiB of float RGBA.
constexpr double kMaxPixels = 268435456.0;
// Beyond this an edge stands for "unbounded" (effects say so with INT_MIN / INT_MAX or more).
constexpr double kUnbounded = 1073741824.0;

// The pixels of a canonical region, widened to whole pixels; unbounded edges stop at the
// project's.
OfxRectI pixelRegion(const OfxRectD& rod, const ProjectSettings& project, double time)
{
    const double par = project.pixelAspectRatio > 0 ? project.pixelAspectRatio : 1.0;
    auto edge = [](double v, double fallback, bool low) {
        if (!(std::fabs(v) < kUnbounded))
            return fallback;
        return low ? std::floor(v) : std::ceil(v);
    };
    const double x1 = edge(rod.x1 / par, std::floor(project.offset.x / par), true);
    const double y1 = edge(rod.y1, std::floor(project.offset.y), true);
    const double x2 =
        edge(rod.x2 / par, std::ceil((project.offset.x + project.size.x) / par), false);
    const double y2 = edge(rod.y2, std::ceil(project.offset.y + project.size.y), false);
    if (!(x2 > x1 && y2 > y1))
        throw Error("the effect's region of definition at time " + numberText(time) + " is empty");
    if ((x2 - x1) * (y2 - y1) > kMaxPixels)
        throw Error("the effect's region of definition at time " + numberText(time) + " is " +
                    numberText(x2 - x1) + " x " + numberText(y2 - y1) +
                    " pixels, more than the host renders at once");
    return {int(x1), int(y1), int(x2), int(y2)};
}

bool sameRect(const OfxRectI& a, const OfxRectI& b)
{
    return a.x1 == b.x1 && a.y1 == b.y1 && a.x2 == b.x2 && a.y2 == b.y2;
}

// Calls f(row, samples) for each row of a float RGBA image, whichever way its rows run.
template <typename F> void forEachRow(const ImageDesc& image, F f)
{
    const size_t samples = static_cast<size_t>(image.bounds.x2 - image.bounds.x1) * 4;
    for (int y = 0; y < image.bounds.y2 - image.bounds.y1; ++y)
        f(reinterpret_cast<float*>(static_cast<char*>(image.data) +
                                   static_cast<std::ptrdiff_t>(y) * image.rowBytes),
          samples);
}

// Whether any sample of the row still holds the mark: one pass the compiler
// vectorises, so a frame written whole costs a read of it and no more.
bool anyUnwritten(const float* row, size_t n)
{
    std::uint32_t found = 0;
    for (size_t i = 0; i < n; ++i) {
        std::uint32_t bits;
        std::memcpy(&bits, row + i, sizeof bits);
        found |= bits == kUnwrittenBits;
    }
    return found != 0;
}

// Counts the pixels still marked unwritten and makes them transparent black.
size_t scrubUnwritten(const ImageDesc& image)
{
    size_t count = 0;
    forEachRow(image, [&count](float* row, size_t n) {
        if (!anyUnwritten(row, n))
            return;
        for (size_t i = 0; i < n; i += 4) {
            bool unwritten = false;
            for (size_t c = 0; c < 4; ++c)
                if (isUnwrittenSample(row[i + c])) {
                    unwritten = true;
                    row[i + c] = 0.0f;
                }
            count += unwritten ? 1 : 0;
        }
    });
    return count;
}

// The image as float RGBA in a frame of its own.
RenderedFrame floatFrame(const ImageDesc& image)
{
    RenderedFrame frame;
    frame.bounds = image.bounds;
    const int width = image.bounds.x2 - image.bounds.x1;
    frame.pixels.resize(static_cast<size_t>(width) * (image.bounds.y2 - image.bounds.y1) * 4);
    ImageDesc rgba;
    rgba.data = frame.pixels.data();
    rgba.rowBytes = width * 16;
    rgba.bounds = image.bounds;
    copyPixels(image, rgba);
    return frame;
}

void requireMandatoryInputs(EffectObject& e)
{
    std::lock_guard<std::mutex> lock(e.clipMutex);
    for (const auto& clip : e.clips) {
        if (clip->isOutput() || (clip->props.has(kOfxImageClipPropOptional) &&
                                 clip->props.getInt(kOfxImageClipPropOptional) != 0))
            continue;
        std::lock_guard<std::mutex> clipLock(clip->mutex);
        if (!clip->connected)
            throw Error("the effect needs clip \"" + clip->name + "\", which is not connected");
    }
}

// Gives the Output clip this image for one render, and back what it had however it ends.
class OutputAttachment {
public:
    OutputAttachment(ClipObject& clip, const ImageDesc& image) : m_clip(clip)
    {
        auto input = std::make_shared<ClipInput>();
        input->frameAt = [image](double) {
            return std::optional<ClipFrame>(ClipFrame{image, nullptr});
        };
        std::lock_guard<std::mutex> lock(m_clip.mutex);
        input->frameRange = m_clip.effect->project.frames;
        m_previous = m_clip.input;
        m_clip.input = input;
    }
    ~OutputAttachment()
    {
        std::lock_guard<std::mutex> lock(m_clip.mutex);
        m_clip.input = m_previous;
    }
    OutputAttachment(const OutputAttachment&) = delete;
    OutputAttachment& operator=(const OutputAttachment&) = delete;

private:
    ClipObject& m_clip;
    std::shared_ptr<const ClipInput> m_previous;
};

} // namespace

float unwrittenSample()
{
    float f;
    std::memcpy(&f, &kUnwrittenBits, sizeof f);
    return f;
}

bool isUnwrittenSample(float value)
{
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits == kUnwrittenBits;
}

RenderedFrame Instance::renderFrame(double time, const ImageDesc* target)
{
    EffectObject& e = *m_data->object;
    const Effect::Data& effect = *m_data->effect;
    requireMandatoryInputs(e);
    refreshClipPreferences(*m_data);
    const OfxRectI bounds = pixelRegion(regionOfDefinition(time), e.project, time);

    std::vector<std::string> missing;
    const IdentityResult identity = identityAction(*m_data, time, bounds, &missing);
    if (!succeeded(identity.status))
        throw effect.failure(kOfxImageEffectActionIsIdentity, kOfxImageEffectActionIsIdentity,
                             identity.status, missing);
    if (identity.status == kOfxStatOK && !identity.clip.empty()) {
        ClipObject& shown = findClip(e, identity.clip);
        const auto frame = shown.frameAt(identity.time);
        RenderedFrame result;
        if (frame) {
            checkImage(shown.name, frame->image);
            result = floatFrame(frame->image);
        } else { // nothing there: transparent black
            result.bounds = bounds;
            result.pixels.assign(
                static_cast<size_t>(bounds.x2 - bounds.x1) * (bounds.y2 - bounds.y1) * 4, 0.0f);
        }
        result.identityClip = identity.clip;
        result.identityTime = identity.time;
        return result;
    }

    ClipObject& output = findClip(e, "Output");
    std::optional<PixelFormat> format;
    {
        std::lock_guard<std::mutex> lock(output.mutex);
        format = parseFormat(output.depth, output.components);
        if (!format)
            throw Error("the Output clip shows depth \"" + output.depth + "\" and components \"" +
                        output.components + "\", which the host cannot render into");
    }
    // Float RGBA of the caller's bounds goes straight into the caller's image.
    const bool direct = *format == PixelFormat{Depth::Float, Channels::RGBA};
    const bool inTarget = direct && target && target->pixelDepth == kOfxBitDepthFloat &&
                          target->components == kOfxImageComponentRGBA &&
                          sameRect(target->bounds, bounds);
    // Float RGBA goes straight into the frame given back; other formats into a buffer of theirs.
    RenderedFrame result;
    result.bounds = bounds;
    result.inTarget = inTarget;
    PixelBuffer owned;
    ImageDesc image;
    if (inTarget) {
        checkImage("Output", *target);
        image = *target;
    } else if (direct) {
        const int width = bounds.x2 - bounds.x1;
        result.pixels.resize(static_cast<size_t>(width) * (bounds.y2 - bounds.y1) * 4);
        image.data = result.pixels.data();
        image.rowBytes = width * 16;
        image.bounds = bounds;
    } else {
        owned = allocatePixels(bounds, *format);
        image = owned.image;
    }
    if (direct)
        forEachRow(image, [](float* row, size_t n) { std::fill_n(row, n, unwrittenSample()); });
    else
        std::memset(image.data, 0, static_cast<size_t>(image.rowBytes) * (bounds.y2 - bounds.y1));
    image.preMultiplication = output.props.getString(kOfxImageEffectPropPreMultiplication);
    image.pixelAspectRatio = e.project.pixelAspectRatio;
    {
        OutputAttachment attached(output, image);
        const OfxStatus status = renderAction(*m_data, time, bounds, GpuRenderArgs{}, &missing);
        if (!succeeded(status))
            throw effect.failure(kOfxImageEffectActionRender, kOfxImageEffectActionRender, status,
                                 missing);
    }
    if (direct)
        result.unwrittenPixels = scrubUnwritten(image);
    else
        result.pixels = floatFrame(image).pixels;
    return result;
}

} // namespace ofxhost
