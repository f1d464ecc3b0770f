// A bundle in which some effects cannot be used: one fails its load, one needs a suite the host
// lacks in every context, one in the general context only. One more copies Source to Output and
// must stay usable whatever the others do.
#include "PluginKit.h"

#include <cstring>
#include <iterator>

namespace kit {
namespace {

OfxStatus describeCopy(OfxImageEffectHandle effect)
{
    defineClip(effect, "Source");
    defineClip(effect, "Output");
    return kOfxStatOK;
}

OfxStatus renderCopy(OfxImageEffectHandle effect, OfxPropertySetHandle in)
{
    const double time = timeArg(in);
    const OfxRectI w = renderWindow(in);
    Image src, dst;
    if (fetch(effect, "Output", time, dst) || fetch(effect, "Source", time, src))
        return kOfxStatFailed;
    for (int y = w.y1; y < w.y2; ++y)
        std::memcpy(dst.floatsAt(w.x1, y), src.floatsAt(w.x1, y),
                    static_cast<size_t>(w.x2 - w.x1) * 16);
    return kOfxStatOK;
}

// Kind 0 fails its load, 1 needs the draw suite everywhere, 2 needs nothing, 3 needs a multi-plane
// suite in the general context.
template <int Kind>
OfxStatus entry(const char* action, const void* handle, OfxPropertySetHandle in,
                OfxPropertySetHandle)
{
    auto effect = static_cast<OfxImageEffectHandle>(const_cast<void*>(handle));
    if (is(action, kOfxActionLoad))
        return Kind == 0 ? kOfxStatFailed : load();
    if (is(action, kOfxActionDescribe)) {
        describeEffect(effect, "Partly",
                       {kOfxImageEffectContextFilter, kOfxImageEffectContextGeneral});
        return kOfxStatOK;
    }
    if (is(action, kOfxImageEffectActionDescribeInContext)) {
        const bool general =
            stringArg(in, kOfxImageEffectPropContext) == kOfxImageEffectContextGeneral;
        if (Kind == 1 && !fetchSuite("OfxDrawSuite", 1))
            return kOfxStatErrMissingHostFeature;
        if (Kind == 3 && general && !fetchSuite("OfxImageEffectPlaneSuite", 2))
            return kOfxStatErrMissingHostFeature;
        return describeCopy(effect);
    }
    if (is(action, kOfxImageEffectActionRender))
        return renderCopy(effect, in);
    return kOfxStatReplyDefault;
}

OfxPlugin g_plugins[] = {
    {kOfxImageEffectPluginApi, 1, "org.zelk.test.LoadFails", 1, 0, setHost, entry<0>},
    {kOfxImageEffectPluginApi, 1, "org.zelk.test.NeedsDraw", 1, 0, setHost, entry<1>},
    {kOfxImageEffectPluginApi, 1, "org.zelk.test.Copy", 1, 0, setHost, entry<2>},
    {kOfxImageEffectPluginApi, 1, "org.zelk.test.FilterOnly", 1, 0, setHost, entry<3>},
};

} // namespace
} // namespace kit

extern "C" __attribute__((visibility("default"))) int OfxGetNumberOfPlugins(void)
{
    return int(std::size(kit::g_plugins));
}

extern "C" __attribute__((visibility("default"))) OfxPlugin* OfxGetPlugin(int nth)
{
    return nth >= 0 && nth < OfxGetNumberOfPlugins() ? &kit::g_plugins[nth] : nullptr;
}
