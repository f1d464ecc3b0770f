// The clip preferences action: the host proposes a depth and components for each clip, the
// effect may change them, and the host then converts what each clip shows to that.
#include "InstanceData.h"

#include <ofxhost/Error.h>

#include <algorithm>

namespace ofxhost {
namespace {

const std::string kDepthOf = "OfxImageClipPropDepth_";
const std::string kComponentsOf = "OfxImageClipPropComponents_";
const std::string kAspectOf = "OfxImageClipPropPAR_";

struct ClipView {
    ClipObject* clip = nullptr;
    bool connected = false;
    bool pinned = false;
    bool optional = false;
    std::optional<Depth> depth;       // of the connected frames
    std::optional<Channels> channels; // of the connected frames
    std::string preMultiplication;
    std::vector<Channels> supported; // empty: any
    Channels proposed = Channels::RGBA;
};

std::vector<std::string> strings(const PropertySet& props, const char* name)
{
    return props.has(name) && props.type(name) == PropType::String ? props.getStrings(name)
                                                                   : std::vector<std::string>{};
}

ClipView viewOf(ClipObject& clip)
{
    ClipView v;
    v.clip = &clip;
    v.optional = clip.props.has(kOfxImageClipPropOptional) &&
                 clip.props.getInt(kOfxImageClipPropOptional) != 0;
    for (const auto& c : strings(clip.props, kOfxImageEffectPropSupportedComponents))
        if (const auto parsed = parseChannels(c))
            v.supported.push_back(*parsed);
    std::lock_guard<std::mutex> lock(clip.mutex);
    v.connected = clip.connected;
    v.pinned = clip.pinned;
    if (clip.input) {
        v.depth = parseDepth(clip.input->pixelDepth);
        v.channels = parseChannels(clip.input->components);
        v.preMultiplication = clip.input->preMultiplication;
    }
    return v;
}

// The components closest to `wanted` that the clip takes.
Channels nearestChannels(const ClipView& v, Channels wanted)
{
    if (v.supported.empty())
        return wanted;
    static const Channels order[3][3] = {{Channels::RGBA, Channels::RGB, Channels::Alpha},
                                         {Channels::RGB, Channels::RGBA, Channels::Alpha},
                                         {Channels::Alpha, Channels::RGBA, Channels::RGB}};
    for (Channels c : order[static_cast<int>(wanted)])
        if (std::find(v.supported.begin(), v.supported.end(), c) != v.supported.end())
            return c;
    return v.supported.front();
}

// The one depth every clip starts at: the least of the effect's depths that keeps the deepest
// input whole, else the effect's deepest (float when the effect names none the host knows).
Depth proposedDepth(const EffectObject& e, const std::vector<ClipView>& inputs)
{
    std::vector<Depth> depths;
    for (const auto& d : strings(e.props, kOfxImageEffectPropSupportedPixelDepths))
        if (const auto parsed = parseDepth(d))
            depths.push_back(*parsed);
    if (depths.empty())
        return Depth::Float;
    std::sort(depths.begin(), depths.end(),
              [](Depth a, Depth b) { return depthRank(a) < depthRank(b); });
    int deepestInput = -1;
    for (const auto& v : inputs)
        if (v.connected && v.depth)
            deepestInput = std::max(deepestInput, depthRank(*v.depth));
    for (Depth d : depths)
        if (deepestInput >= 0 && depthRank(d) >= deepestInput)
            return d;
    return depths.back();
}

// RGBA if any input shows RGBA, else RGB, else Alpha; RGBA without inputs.
Channels outputChannels(const std::vector<ClipView>& inputs)
{
    bool any[3] = {false, false, false};
    for (const auto& v : inputs)
        if (v.connected)
            any[static_cast<int>(v.proposed)] = true;
    if (any[1] && !any[0])
        return Channels::RGB;
    if (any[2] && !any[0] && !any[1])
        return Channels::Alpha;
    return Channels::RGBA;
}

std::string outputPreMultiplication(const std::vector<ClipView>& inputs)
{
    for (const char* state : {kOfxImagePreMultiplied, kOfxImageUnPreMultiplied})
        for (const auto& v : inputs)
            if (v.connected && v.preMultiplication == state)
                return state;
    return kOfxImageOpaque;
}

// What the effect answered for one clip; an unconnected input may answer "none".
template <typename T>
T answered(const PropertySet& out, const std::string& name, const ClipView& v,
           std::optional<T> (*parse)(const std::string&), const char* none, T proposed,
           const std::string& effect, const char* kind, const char* converts)
{
    const std::string text = out.getString(name);
    if (const auto parsed = parse(text))
        return *parsed;
    if (text == none && !v.connected)
        return proposed;
    throw Error(effect + " asks for " + kind + " \"" + text + "\" on clip \"" + v.clip->name +
                "\", which the host does not convert to (it converts " + converts + ")");
}

} // namespace

void markPreferencesStale(EffectObject& effect)
{
    std::lock_guard<std::mutex> lock(effect.preferencesMutex);
    effect.preferencesStale = true;
}

void refreshClipPreferences(Instance::Data& d)
{
    EffectObject& e = *d.object;
    std::lock_guard<std::mutex> lock(e.preferencesMutex);
    if (!e.preferencesStale)
        return;
    std::vector<ClipView> inputs;
    ClipView output;
    {
        std::vector<ClipObject*> clips;
        {
            std::lock_guard<std::mutex> clipLock(e.clipMutex);
            for (const auto& c : e.clips)
                clips.push_back(c.get());
        }
        for (ClipObject* c : clips)
            (c->isOutput() ? output : inputs.emplace_back()) = viewOf(*c);
    }
    // The effect is asked only once every input it cannot do without is there.
    for (const auto& v : inputs)
        if (!v.optional && !v.connected)
            return;

    const Depth depth = proposedDepth(e, inputs);
    PropertySet out(PropertySet::Policy::Open);
    for (auto& v : inputs) {
        v.proposed = nearestChannels(v, v.connected && v.channels ? *v.channels : Channels::RGBA);
        out.defineString(kDepthOf + v.clip->name, {depthName(depth)}, 1);
        out.defineString(kComponentsOf + v.clip->name, {channelsName(v.proposed)}, 1);
        out.defineDouble(kAspectOf + v.clip->name, {e.project.pixelAspectRatio}, 1);
    }
    if (output.clip) {
        output.proposed = nearestChannels(output, outputChannels(inputs));
        out.defineString(kDepthOf + output.clip->name, {depthName(depth)}, 1);
        out.defineString(kComponentsOf + output.clip->name, {channelsName(output.proposed)}, 1);
        out.defineDouble(kAspectOf + output.clip->name, {e.project.pixelAspectRatio}, 1);
    }
    out.defineDouble(kOfxImageEffectPropFrameRate, {e.project.frameRate}, 1);
    out.defineString(kOfxImageClipPropFieldOrder, {kOfxImageFieldNone}, 1);
    out.defineString(kOfxImageEffectPropPreMultiplication, {outputPreMultiplication(inputs)}, 1);
    out.defineInt(kOfxImageClipPropContinuousSamples, {0}, 1);
    out.defineInt(kOfxImageEffectFrameVarying, {0}, 1);

    d.effect->perform(kOfxImageEffectActionGetClipPreferences,
                      kOfxImageEffectActionGetClipPreferences, e.handle(), nullptr, &out);

    // Everything is checked before anything changes. The host keeps one pixel aspect ratio, so
    // the aspect ratios asked for are not taken.
    std::vector<std::pair<ClipView*, PixelFormat>> chosen;
    if (output.clip)
        inputs.push_back(output);
    for (auto& v : inputs) {
        const Depth dd =
            answered<Depth>(out, kDepthOf + v.clip->name, v, parseDepth, kOfxBitDepthNone, depth,
                            d.effect->identifier, "depth", "byte, short, half and float");
        const Channels cc = answered<Channels>(
            out, kComponentsOf + v.clip->name, v, parseChannels, kOfxImageComponentNone, v.proposed,
            d.effect->identifier, "components", "RGBA, RGB and Alpha");
        chosen.emplace_back(&v, PixelFormat{dd, cc});
    }
    for (auto& [v, format] : chosen) {
        ClipObject& clip = *v->clip;
        std::lock_guard<std::mutex> clipLock(clip.mutex);
        if (clip.pinned)
            continue;
        clip.depth = depthName(format.depth);
        clip.components = channelsName(format.channels);
        publishClipState(clip);
    }
    if (output.clip) {
        PropertySet& p = output.clip->props;
        p.defineString(kOfxImageEffectPropPreMultiplication,
                       {out.getString(kOfxImageEffectPropPreMultiplication)}, 1);
        p.defineInt(kOfxImageClipPropContinuousSamples,
                    {out.getInt(kOfxImageClipPropContinuousSamples)}, 1);
        p.defineInt(kOfxImageEffectFrameVarying, {out.getInt(kOfxImageEffectFrameVarying)}, 1);
    }
    e.preferencesStale = false;
}

void Instance::updateClipPreferences()
{
    refreshClipPreferences(*m_data);
}

} // namespace ofxhost
