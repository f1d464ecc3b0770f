// Where images lie: the regions of definition of clips and of the effect, the regions of its
// inputs it needs for a region of output, and the frames of them it needs for one frame.
#include "InstanceData.h"

#include <ofxhost/Error.h>

#include <algorithm>
#include <cmath>

namespace ofxhost {
namespace {

bool isEmpty(const OfxRectD& r)
{
    return !(r.x2 > r.x1 && r.y2 > r.y1);
}

OfxRectD unite(const OfxRectD& a, const OfxRectD& b)
{
    if (isEmpty(a))
        return b;
    if (isEmpty(b))
        return a;
    return {std::min(a.x1, b.x1), std::min(a.y1, b.y1), std::max(a.x2, b.x2), std::max(a.y2, b.y2)};
}

OfxRectD projectWindow(const ProjectSettings& p)
{
    return {p.offset.x, p.offset.y, p.offset.x + p.size.x, p.offset.y + p.size.y};
}

bool isOptional(const ClipObject& clip)
{
    return clip.props.has(kOfxImageClipPropOptional) &&
           clip.props.getInt(kOfxImageClipPropOptional) != 0;
}

std::vector<ClipObject*> inputClips(EffectObject& effect)
{
    std::lock_guard<std::mutex> lock(effect.clipMutex);
    std::vector<ClipObject*> inputs;
    for (const auto& clip : effect.clips)
        if (!clip->isOutput())
            inputs.push_back(clip.get());
    return inputs;
}

OfxRectD rectOf(const PropertySet& props, const std::string& name)
{
    const auto v = props.getDoubles(name);
    if (v.size() != 4)
        throw Error(name + " holds " + std::to_string(v.size()) + " values, not 4");
    return {v[0], v[1], v[2], v[3]};
}

void addCommonArgs(PropertySet& in, double time)
{
    in.defineDouble(kOfxPropTime, {time}, 1);
    addRenderScale(in);
    in.defineString(kOfxImageEffectPropThumbnailRender, {"false"}, 1);
}

} // namespace

OfxRectD clipRegionOfDefinition(ClipObject& clip, double time)
{
    if (const auto frame = clip.frameAt(time)) {
        const OfxRectI r = frame->image.regionOfDefinition.value_or(frame->image.bounds);
        const double par = frame->image.pixelAspectRatio > 0 ? frame->image.pixelAspectRatio : 1.0;
        return {r.x1 * par, double(r.y1), r.x2 * par, double(r.y2)};
    }
    if (clip.isOutput())
        return defaultRegionOfDefinition(*clip.effect, time);
    return {0, 0, 0, 0}; // unconnected, or nothing at that time
}

// A generator fills the project; other effects cover their mandatory inputs (and Source, when
// connected), the project when they have none of them.
OfxRectD defaultRegionOfDefinition(EffectObject& effect, double time)
{
    OfxRectD rod{0, 0, 0, 0};
    if (effect.context != kOfxImageEffectContextGenerator) {
        for (ClipObject* clip : inputClips(effect)) {
            bool connected = false;
            {
                std::lock_guard<std::mutex> lock(clip->mutex);
                connected = clip->connected;
            }
            if (connected && (!isOptional(*clip) || clip->name == "Source"))
                rod = unite(rod, clipRegionOfDefinition(*clip, time));
        }
    }
    return isEmpty(rod) ? projectWindow(effect.project) : rod;
}

OfxRectD Instance::regionOfDefinition(double time)
{
    refreshClipPreferences(*m_data);
    EffectObject& e = *m_data->object;
    const OfxRectD fallback = defaultRegionOfDefinition(e, time);
    PropertySet in(PropertySet::Policy::Closed);
    addCommonArgs(in, time);
    PropertySet out(PropertySet::Policy::Closed);
    out.defineDouble(kOfxImageEffectPropRegionOfDefinition,
                     {fallback.x1, fallback.y1, fallback.x2, fallback.y2}, 4);
    m_data->effect->perform(kOfxImageEffectActionGetRegionOfDefinition,
                            kOfxImageEffectActionGetRegionOfDefinition, e.handle(), &in, &out);
    const OfxRectD rod = rectOf(out, kOfxImageEffectPropRegionOfDefinition);
    if (std::isnan(rod.x1) || std::isnan(rod.y1) || std::isnan(rod.x2) || std::isnan(rod.y2) ||
        rod.x2 < rod.x1 || rod.y2 < rod.y1)
        throw Error(m_data->effect->identifier + ": its region of definition at time " +
                    numberText(time) + " is not a rectangle (" + numberText(rod.x1) + ", " +
                    numberText(rod.y1) + ", " + numberText(rod.x2) + ", " + numberText(rod.y2) +
                    ")");
    return rod;
}

std::map<std::string, OfxRectD> Instance::regionsOfInterest(double time, const OfxRectD& region)
{
    refreshClipPreferences(*m_data);
    EffectObject& e = *m_data->object;
    PropertySet in(PropertySet::Policy::Closed);
    addCommonArgs(in, time);
    in.defineDouble(kOfxImageEffectPropRegionOfInterest,
                    {region.x1, region.y1, region.x2, region.y2}, 4);
    // By default each input is needed where the output is asked for.
    PropertySet out(PropertySet::Policy::Closed);
    const auto inputs = inputClips(e);
    for (ClipObject* clip : inputs)
        out.defineDouble(kOfxImageClipPropRoI_ + clip->name,
                         {region.x1, region.y1, region.x2, region.y2}, 4);
    m_data->effect->perform(kOfxImageEffectActionGetRegionsOfInterest,
                            kOfxImageEffectActionGetRegionsOfInterest, e.handle(), &in, &out);
    std::map<std::string, OfxRectD> regions;
    for (ClipObject* clip : inputs)
        regions[clip->name] = rectOf(out, kOfxImageClipPropRoI_ + clip->name);
    return regions;
}

std::map<std::string, std::vector<OfxRangeD>> Instance::framesNeeded(double time)
{
    refreshClipPreferences(*m_data);
    EffectObject& e = *m_data->object;
    const auto inputs = inputClips(e);
    PropertySet out(PropertySet::Policy::Closed);
    for (ClipObject* clip : inputs)
        out.defineDouble(kOfxImageClipPropFrameRange_ + clip->name, {time, time});
    // Only an effect that asked for temporal access is asked; others need the frame itself.
    if (e.props.has(kOfxImageEffectPropTemporalClipAccess) &&
        e.props.getInt(kOfxImageEffectPropTemporalClipAccess) != 0) {
        PropertySet in(PropertySet::Policy::Closed);
        in.defineDouble(kOfxPropTime, {time}, 1);
        in.defineString(kOfxImageEffectPropThumbnailRender, {"false"}, 1);
        m_data->effect->perform(kOfxImageEffectActionGetFramesNeeded,
                                kOfxImageEffectActionGetFramesNeeded, e.handle(), &in, &out);
    }
    std::map<std::string, std::vector<OfxRangeD>> frames;
    for (ClipObject* clip : inputs) {
        const auto v = out.getDoubles(kOfxImageClipPropFrameRange_ + clip->name);
        if (v.size() % 2 != 0)
            throw Error(m_data->effect->identifier + ": the frames it needs of clip \"" +
                        clip->name + "\" are not pairs of first and last frame");
        auto& ranges = frames[clip->name];
        for (size_t i = 0; i < v.size(); i += 2)
            ranges.push_back({v[i], v[i + 1]});
    }
    return frames;
}

} // namespace ofxhost
