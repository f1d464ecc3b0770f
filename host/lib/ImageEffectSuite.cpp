// The image-effect suite: descriptor and instance side, images, abort and image memory.
#include "HostCore.h"
#include "InstanceData.h"

#include <ofxhost/Error.h>

#include <atomic>
#include <cstdlib>
#include <string>

struct OfxImageMemoryStruct {
    std::uint32_t magic;
    void* data;
    int locks;
};

namespace ofxhost {
namespace {

std::atomic<unsigned long long> g_imageSerial{0};

OfxStatus getPropertySet(OfxImageEffectHandle h, OfxPropertySetHandle* props)
{
    EffectObject* e = EffectObject::fromHandle(h);
    if (!e)
        return kOfxStatErrBadHandle;
    if (!props)
        return kOfxStatErrValue;
    *props = e->props.handle();
    return kOfxStatOK;
}

OfxStatus getParamSet(OfxImageEffectHandle h, OfxParamSetHandle* paramSet)
{
    EffectObject* e = EffectObject::fromHandle(h);
    if (!e)
        return kOfxStatErrBadHandle;
    if (!paramSet)
        return kOfxStatErrValue;
    *paramSet = reinterpret_cast<OfxParamSetHandle>(&e->paramSet);
    return kOfxStatOK;
}

OfxStatus clipDefine(OfxImageEffectHandle h, const char* name, OfxPropertySetHandle* props)
{
    EffectObject* e = EffectObject::fromHandle(h);
    if (!e || e->isInstance)
        return kOfxStatErrBadHandle;
    if (!name || !*name)
        return kOfxStatErrValue;
    std::lock_guard<std::mutex> lock(e->clipMutex);
    for (const auto& c : e->clips) {
        if (c->name == name) {
            if (props)
                *props = c->props.handle();
            return kOfxStatErrExists;
        }
    }
    auto clip = std::make_unique<ClipObject>();
    clip->name = name;
    clip->effect = e;
    initClipDescriptorProps(clip->props, name);
    if (props)
        *props = clip->props.handle();
    e->clips.push_back(std::move(clip));
    return kOfxStatOK;
}

OfxStatus clipGetHandle(OfxImageEffectHandle h, const char* name, OfxImageClipHandle* clip,
                        OfxPropertySetHandle* props)
{
    EffectObject* e = EffectObject::fromHandle(h);
    if (!e)
        return kOfxStatErrBadHandle;
    if (!name || !clip)
        return kOfxStatErrValue;
    ClipObject* c = e->findClip(name);
    if (!c)
        return kOfxStatErrUnknown;
    *clip = reinterpret_cast<OfxImageClipHandle>(c);
    if (props)
        *props = c->props.handle();
    return kOfxStatOK;
}

OfxStatus clipGetPropertySet(OfxImageClipHandle h, OfxPropertySetHandle* props)
{
    ClipObject* c = ClipObject::fromHandle(h);
    if (!c)
        return kOfxStatErrBadHandle;
    if (!props)
        return kOfxStatErrValue;
    *props = c->props.handle();
    return kOfxStatOK;
}

std::unique_ptr<PropertySet> makeImageProps(const ImageDesc& d)
{
    auto p = std::make_unique<PropertySet>(PropertySet::Policy::Closed);
    const OfxRectI rod = d.regionOfDefinition.value_or(d.bounds);
    p->defineString(kOfxPropType, {kOfxTypeImage}, 1);
    p->definePointer(kOfxImagePropData, {d.data}, 1);
    p->defineInt(kOfxImagePropBounds, {d.bounds.x1, d.bounds.y1, d.bounds.x2, d.bounds.y2}, 4);
    p->defineInt(kOfxImagePropRegionOfDefinition, {rod.x1, rod.y1, rod.x2, rod.y2}, 4);
    p->defineInt(kOfxImagePropRowBytes, {d.rowBytes}, 1);
    p->defineString(kOfxImageEffectPropPixelDepth, {d.pixelDepth}, 1);
    p->defineString(kOfxImageEffectPropComponents, {d.components}, 1);
    p->defineString(kOfxImageEffectPropPreMultiplication, {d.preMultiplication}, 1);
    p->defineDouble(kOfxImagePropPixelAspectRatio, {d.pixelAspectRatio}, 1);
    p->defineString(kOfxImagePropField, {kOfxImageFieldNone}, 1);
    p->defineString(kOfxImagePropUniqueIdentifier,
                    {"ofxhost-image-" + std::to_string(++g_imageSerial)}, 1);
    p->defineDouble(kOfxImageEffectPropRenderScale, {1.0, 1.0}, 2);
    return p;
}

// The frame in the format the clip shows: the frame itself when they agree (or the clip is
// pinned to what was attached), else a converted copy that lives as long as the image.
std::optional<ClipFrame> shownFrame(ClipObject& clip, ClipFrame frame)
{
    std::string depth, components;
    {
        std::lock_guard<std::mutex> lock(clip.mutex);
        if (clip.pinned)
            return frame;
        depth = clip.depth;
        components = clip.components;
    }
    checkImage(clip.name, frame.image);
    if (frame.image.pixelDepth == depth && frame.image.components == components)
        return frame;
    const auto to = parseFormat(depth, components);
    if (!to)
        throw Error("clip \"" + clip.name + "\" shows depth \"" + depth + "\" and components \"" +
                    components + "\", which the host does not convert to");
    PixelBuffer converted = convertPixels(frame.image, *to);
    auto owners = std::make_shared<std::pair<std::shared_ptr<const void>, std::shared_ptr<void>>>(
        std::move(frame.owner), converted.memory);
    return ClipFrame{converted.image, owners};
}

OfxStatus clipGetImage(OfxImageClipHandle h, OfxTime time, const OfxRectD*,
                       OfxPropertySetHandle* image)
{
    ClipObject* c = ClipObject::fromHandle(h);
    if (!c || !c->effect || !c->effect->isInstance)
        return kOfxStatErrBadHandle;
    if (!image)
        return kOfxStatErrValue;
    std::optional<ClipFrame> frame;
    try {
        frame = c->frameAt(time);
        if (frame)
            frame = shownFrame(*c, std::move(*frame));
    } catch (const std::exception& e) {
        // A frame that cannot be read or converted is no image; the log says why.
        if (HostCore* core = c->effect->core)
            core->addMessage(
                {kOfxMessageError, "ofxhost",
                 "clip \"" + c->name + "\" at time " + numberText(time) + ": " + e.what(), false});
        return kOfxStatFailed;
    }
    if (!frame)
        return kOfxStatFailed; // no image: the plug-in sees a null fetch
    auto props = makeImageProps(frame->image);
    *image = registerImage(std::move(props), c->effect, std::move(frame->owner))->handle();
    return kOfxStatOK;
}

OfxStatus clipReleaseImage(OfxPropertySetHandle image)
{
    return releaseImage(image);
}

OfxStatus clipGetRegionOfDefinition(OfxImageClipHandle h, OfxTime time, OfxRectD* bounds)
{
    ClipObject* c = ClipObject::fromHandle(h);
    if (!c || !c->effect || !c->effect->isInstance)
        return kOfxStatErrBadHandle;
    if (!bounds)
        return kOfxStatErrValue;
    try {
        *bounds = clipRegionOfDefinition(*c, time);
    } catch (const std::exception&) {
        return kOfxStatFailed;
    }
    return kOfxStatOK;
}

int abortRender(OfxImageEffectHandle h)
{
    EffectObject* e = EffectObject::fromHandle(h);
    if (!e)
        return 0;
    std::function<bool()> hook;
    {
        std::lock_guard<std::mutex> lock(e->abortMutex);
        hook = e->abortHook;
    }
    return hook && hook() ? 1 : 0;
}

OfxStatus imageMemoryAlloc(OfxImageEffectHandle, size_t nBytes, OfxImageMemoryHandle* memory)
{
    if (!memory)
        return kOfxStatErrValue;
    *memory = nullptr;
    const size_t rounded = ((nBytes ? nBytes : 1) + 15) / 16 * 16;
    if (rounded < nBytes)
        return kOfxStatErrMemory;
    void* data = std::aligned_alloc(16, rounded);
    if (!data)
        return kOfxStatErrMemory;
    *memory = new OfxImageMemoryStruct{kMemoryMagic, data, 0};
    return kOfxStatOK;
}

OfxImageMemoryStruct* memoryOf(OfxImageMemoryHandle h)
{
    return h && h->magic == kMemoryMagic ? h : nullptr;
}

OfxStatus imageMemoryFree(OfxImageMemoryHandle h)
{
    OfxImageMemoryStruct* m = memoryOf(h);
    if (!m)
        return kOfxStatErrBadHandle;
    std::free(m->data);
    m->magic = kDeadObject;
    delete m;
    return kOfxStatOK;
}

OfxStatus imageMemoryLock(OfxImageMemoryHandle h, void** ptr)
{
    OfxImageMemoryStruct* m = memoryOf(h);
    if (!m)
        return kOfxStatErrBadHandle;
    if (!ptr)
        return kOfxStatErrValue;
    ++m->locks;
    *ptr = m->data;
    return kOfxStatOK;
}

OfxStatus imageMemoryUnlock(OfxImageMemoryHandle h)
{
    OfxImageMemoryStruct* m = memoryOf(h);
    if (!m)
        return kOfxStatErrBadHandle;
    if (m->locks > 0)
        --m->locks;
    return kOfxStatOK;
}

const OfxImageEffectSuiteV1 kSuite = {
    getPropertySet,     getParamSet,      clipDefine,       clipGetHandle,
    clipGetPropertySet, clipGetImage,     clipReleaseImage, clipGetRegionOfDefinition,
    abortRender,        imageMemoryAlloc, imageMemoryFree,  imageMemoryLock,
    imageMemoryUnlock,
};

} // namespace

const void* imageEffectSuite()
{
    return &kSuite;
}

} // namespace ofxhost
