// A bundle in which some effects cannot be used: one fails its load, one needs a suite the host
// lacks in every context, one in the general context only. One more copies Source to Output and
// must stay usable whatever the others do.
#include "PluginKit.h"

namespace kit {
namespace {

OfxStatus renderCopy(OfxImageEffectHandle effect, OfxPropertySetHandle in)
{
    Frame f;
    if (fetchFrame(effect, in, f))
        return kOfxStatFailed;
    f.forEach([&](int x, int y) { std::memcpy(f.dst.at(x, y), f.src.at(x, y), 16); });
    return kOfxStatOK;
}

OfxStatus failLoad(const char* action, OfxImageEffectHandle, OfxPropertySetHandle,
                   OfxPropertySetHandle)
{
    return is(action, kOfxActionLoad) ? kOfxStatFailed : kOfxStatReplyDefault;
}

// Refuses to describe itself in a context (in every one, or in the general one only) without
// the suite it needs.
template <bool GeneralOnly>
OfxStatus needSuite(const char* action, OfxImageEffectHandle, OfxPropertySetHandle in,
                    OfxPropertySetHandle)
{
    if (!is(action, kOfxImageEffectActionDescribeInContext))
        return kOfxStatReplyDefault;
    if (GeneralOnly)
        return stringArg(in, kOfxImageEffectPropContext) == kOfxImageEffectContextGeneral &&
                       !fetchSuite("OfxImageEffectPlaneSuite", 2)
                   ? kOfxStatErrMissingHostFeature
                   : kOfxStatReplyDefault;
    return fetchSuite("OfxDrawSuite", 1) ? kOfxStatReplyDefault : kOfxStatErrMissingHostFeature;
}

const std::vector<const char*> kContexts = {kOfxImageEffectContextFilter,
                                            kOfxImageEffectContextGeneral};
const EffectRecord kLoadFails = {{"org.zelk.test.LoadFails", 1, 0, "Partly"},
                                 kContexts,
                                 {},
                                 {nullptr, nullptr, renderCopy, failLoad}};
const EffectRecord kNeedsDraw = {{"org.zelk.test.NeedsDraw", 1, 0, "Partly"},
                                 kContexts,
                                 {},
                                 {nullptr, nullptr, renderCopy, needSuite<false>}};
const EffectRecord kCopy = {
    {"org.zelk.test.Copy", 1, 0, "Partly"}, kContexts, {}, {nullptr, nullptr, renderCopy, nullptr}};
const EffectRecord kFilterOnly = {{"org.zelk.test.FilterOnly", 1, 0, "Partly"},
                                  kContexts,
                                  {},
                                  {nullptr, nullptr, renderCopy, needSuite<true>}};

} // namespace
} // namespace kit

const std::vector<OfxPlugin*>& kit::bundle()
{
    static const std::vector<OfxPlugin*> all = {plugin<kLoadFails>(), plugin<kNeedsDraw>(),
                                                plugin<kCopy>(), plugin<kFilterOnly>()};
    return all;
}
