// Asks for the depth and components its "depth" and "components" choices name on both clips,
// checks the images come that way and copies Source to Output unchanged, so the host's
// conversions to and from that format are all the output shows. It counts how often it was
// asked for its clip preferences.
#include "Effects.h"

#include <cstring>
#include <string>

namespace kit {
namespace {

const char* const kDepths[] = {kOfxBitDepthByte, kOfxBitDepthShort, kOfxBitDepthHalf,
                               kOfxBitDepthFloat};
const char* const kComponents[] = {kOfxImageComponentRGBA, kOfxImageComponentRGB,
                                   kOfxImageComponentAlpha};
int g_preferencesAsked = 0;

OfxStatus describe(OfxImageEffectHandle effect)
{
    g_props->propSetInt(propsOf(effect), kOfxImageEffectPropSupportsMultipleClipDepths, 0, 1);
    return kOfxStatOK;
}

OfxStatus describeInContext(OfxImageEffectHandle effect, OfxPropertySetHandle)
{
    for (const char* clip : {"Source", "Output"})
        defineClip(effect, clip, {kComponents[0], kComponents[1], kComponents[2]});
    OfxPropertySetHandle p = defineParam(effect, kOfxParamTypeChoice, "depth");
    setStrings(p, kOfxParamPropChoiceOption, {"byte", "short", "half", "float"});
    g_props->propSetInt(p, kOfxParamPropDefault, 0, 3);
    p = defineParam(effect, kOfxParamTypeChoice, "components");
    setStrings(p, kOfxParamPropChoiceOption, {"RGBA", "RGB", "Alpha"});
    setStrings(propsOf(effect), kOfxImageEffectPropClipPreferencesSlaveParam,
               {"depth", "components"});
    return kOfxStatOK;
}

// The depth and components chosen.
std::pair<std::string, std::string> chosen(OfxImageEffectHandle effect)
{
    return {kDepths[intAt(effect, "depth", 0)], kComponents[intAt(effect, "components", 0)]};
}

OfxStatus clipPreferences(const char* action, OfxImageEffectHandle effect, OfxPropertySetHandle,
                          OfxPropertySetHandle out)
{
    if (!is(action, kOfxImageEffectActionGetClipPreferences))
        return kOfxStatReplyDefault;
    note(effect, "preferences asked", std::to_string(++g_preferencesAsked));
    const auto [depth, components] = chosen(effect);
    for (const std::string clip : {"Source", "Output"}) {
        g_props->propSetString(out, ("OfxImageClipPropDepth_" + clip).c_str(), 0, depth.c_str());
        g_props->propSetString(out, ("OfxImageClipPropComponents_" + clip).c_str(), 0,
                               components.c_str());
    }
    return kOfxStatOK;
}

OfxStatus render(OfxImageEffectHandle effect, OfxPropertySetHandle in)
{
    Frame f;
    if (fetchFrame(effect, in, f))
        return kOfxStatFailed;
    const auto [depth, components] = chosen(effect);
    for (const Image* image : {&f.src, &f.dst})
        if (image->depth != depth || image->components != components)
            return kOfxStatErrImageFormat;
    const OfxRectI& w = f.window;
    for (int y = w.y1; y < w.y2; ++y)
        std::memcpy(f.dst.at(w.x1, y), f.src.at(w.x1, y),
                    static_cast<size_t>(w.x2 - w.x1) * f.src.pixelBytes());
    return kOfxStatOK;
}

} // namespace

const EffectRecord kFormatProbe = {
    {"org.zelk.test.FormatProbe", 1, 0, "Format Probe"},
    {kOfxImageEffectContextGeneral},
    {kOfxBitDepthByte, kOfxBitDepthShort, kOfxBitDepthHalf, kOfxBitDepthFloat},
    {describe, describeInContext, render, clipPreferences}};

} // namespace kit
