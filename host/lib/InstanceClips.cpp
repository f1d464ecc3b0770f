// Clip instances: inputs connected as a host connects them, images attached as given, and what a
// fetch hands the effect.
#include "InstanceData.h"

#include <ofxhost/Error.h>

#include <cstdlib>
#include <tuple>

namespace ofxhost {

ClipObject& findClip(EffectObject& e, const std::string& name)
{
    ClipObject* c = e.findClip(name);
    if (c)
        return *c;
    std::string inputs;
    {
        std::lock_guard<std::mutex> lock(e.clipMutex);
        for (const auto& clip : e.clips)
            if (!clip->isOutput())
                inputs += (inputs.empty() ? "\"" : ", \"") + clip->name + "\"";
    }
    throw Error("the effect has no clip \"" + name +
                "\" (its input clips: " + (inputs.empty() ? std::string("none") : inputs) + ")");
}

std::optional<ClipFrame> ClipObject::frameAt(double time)
{
    std::shared_ptr<const ClipInput> source;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!connected || !input || !input->frameAt)
            return std::nullopt;
        source = input;
    }
    std::lock_guard<std::mutex> serial(frameMutex);
    return source->frameAt(time);
}

// An image the plug-in would read out of bounds from is refused before it gets near the plug-in.
void checkImage(const std::string& clip, const ImageDesc& image)
{
    const OfxRectI& b = image.bounds;
    if (b.x2 < b.x1 || b.y2 < b.y1)
        throw Error("image for clip \"" + clip + "\" has inverted bounds");
    const long width = static_cast<long>(b.x2) - b.x1;
    if (width == 0 || b.y2 == b.y1)
        return;
    if (!image.data)
        throw Error("image for clip \"" + clip + "\" has no data");
    const auto format = parseFormat(image.pixelDepth, image.components);
    const long needed = format ? width * bytesPerPixel(*format) : 0;
    if (std::labs(static_cast<long>(image.rowBytes)) < needed)
        throw Error("image for clip \"" + clip + "\": row bytes " + std::to_string(image.rowBytes) +
                    " are fewer than the " + std::to_string(needed) + " bytes of one row");
}

namespace {

// An input that shows the one image at every time.
std::shared_ptr<const ClipInput> constantInput(const ImageDesc& image, const ProjectSettings& p)
{
    auto input = std::make_shared<ClipInput>();
    input->frameAt = [image](double) {
        return std::optional<ClipFrame>(ClipFrame{image, nullptr});
    };
    input->frameRange = p.frames;
    input->frameRate = p.frameRate;
    input->pixelDepth = image.pixelDepth;
    input->components = image.components;
    input->preMultiplication = image.preMultiplication;
    input->pixelAspectRatio = image.pixelAspectRatio;
    return input;
}

} // namespace

std::vector<std::string> Instance::clipNames() const
{
    std::lock_guard<std::mutex> lock(m_data->object->clipMutex);
    std::vector<std::string> names;
    for (const auto& c : m_data->object->clips)
        names.push_back(c->name);
    return names;
}

PropertySet& Instance::clipProperties(const std::string& name)
{
    return findClip(*m_data->object, name).props;
}

void Instance::setClipFormat(const std::string& clip, const std::string& pixelDepth,
                             const std::string& components)
{
    ClipObject& c = findClip(*m_data->object, clip);
    std::lock_guard<std::mutex> lock(c.mutex);
    c.pinned = true;
    c.depth = pixelDepth;
    c.components = components;
    publishClipState(c);
}

void Instance::setClipImage(const std::string& clip, const ImageDesc& image)
{
    ClipObject& c = findClip(*m_data->object, clip);
    checkImage(clip, image);
    bool connecting = false;
    {
        std::lock_guard<std::mutex> lock(c.mutex);
        connecting = !c.connected;
        c.pinned = true;
        c.connected = true;
        c.depth = image.pixelDepth;
        c.components = image.components;
        c.input = constantInput(image, m_data->object->project);
        publishClipState(c);
    }
    if (connecting)
        markPreferencesStale(*m_data->object);
}

void Instance::clearClipImage(const std::string& clip)
{
    ClipObject& c = findClip(*m_data->object, clip);
    std::lock_guard<std::mutex> lock(c.mutex);
    c.input.reset();
}

void Instance::connectClip(const std::string& clip, ClipInput input)
{
    ClipObject& c = findClip(*m_data->object, clip);
    if (c.isOutput())
        throw Error("the Output clip is rendered, not connected");
    if (!input.frameAt)
        throw Error("clip \"" + clip + "\": an input needs a way to fetch its frames");
    if (!parseFormat(input.pixelDepth, input.components))
        throw Error("clip \"" + clip + "\": the host converts no pixels of depth \"" +
                    input.pixelDepth + "\" and components \"" + input.components + "\"");
    {
        std::lock_guard<std::mutex> lock(c.mutex);
        c.pinned = false;
        c.connected = true;
        c.input = std::make_shared<const ClipInput>(std::move(input));
        publishClipState(c);
    }
    markPreferencesStale(*m_data->object);
}

void Instance::disconnectClip(const std::string& clip)
{
    ClipObject& c = findClip(*m_data->object, clip);
    if (c.isOutput())
        throw Error("the Output clip cannot be disconnected");
    {
        std::lock_guard<std::mutex> lock(c.mutex);
        c.pinned = false;
        c.connected = false;
        c.input.reset();
        publishClipState(c);
    }
    markPreferencesStale(*m_data->object);
}

bool Instance::clipConnected(const std::string& clip) const
{
    ClipObject& c = findClip(*m_data->object, clip);
    std::lock_guard<std::mutex> lock(c.mutex);
    return c.connected;
}

int Instance::liveImageCount() const
{
    return m_data->object->liveImages.load();
}

namespace {

// Attaches images to a clip for one render and leaves the clip as it was however it ends.
class AttachedImage {
public:
    AttachedImage(Instance& instance, ClipObject& clip, const ImageDesc& image) : m_clip(clip)
    {
        std::lock_guard<std::mutex> lock(m_clip.mutex);
        m_saved = {m_clip.connected, m_clip.pinned, m_clip.depth, m_clip.components, m_clip.input};
        m_instance = &instance;
        m_image = image;
    }
    void attach() { m_instance->setClipImage(m_clip.name, m_image); }
    ~AttachedImage()
    {
        bool reconnected = false;
        {
            std::lock_guard<std::mutex> lock(m_clip.mutex);
            reconnected = m_clip.connected != std::get<0>(m_saved);
            std::tie(m_clip.connected, m_clip.pinned, m_clip.depth, m_clip.components,
                     m_clip.input) = m_saved;
            publishClipState(m_clip);
        }
        if (reconnected)
            markPreferencesStale(*m_clip.effect);
    }
    AttachedImage(const AttachedImage&) = delete;
    AttachedImage& operator=(const AttachedImage&) = delete;

private:
    ClipObject& m_clip;
    Instance* m_instance = nullptr;
    ImageDesc m_image;
    std::tuple<bool, bool, std::string, std::string, std::shared_ptr<const ClipInput>> m_saved;
};

} // namespace

OfxStatus renderImages(Instance& instance, double time, const ImageDesc& source,
                       const ImageDesc& output, const OfxRectI& window, const GpuRenderArgs& gpu)
{
    AttachedImage src(instance, findClip(*instance.m_data->object, "Source"), source);
    AttachedImage dst(instance, findClip(*instance.m_data->object, "Output"), output);
    src.attach();
    dst.attach();
    return instance.render(time, window, gpu);
}

OfxStatus renderWholeFrame(Instance& instance, double time, const void* source, void* output,
                           int width, int height, const GpuRenderArgs& gpu)
{
    ImageDesc image;
    image.rowBytes = width * 4 * int(sizeof(float));
    image.bounds = OfxRectI{0, 0, width, height};
    image.data = const_cast<void*>(source);
    ImageDesc out = image;
    out.data = output;
    return renderImages(instance, time, image, out, image.bounds, gpu);
}

} // namespace ofxhost
