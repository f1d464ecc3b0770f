// Text dump of a described effect, for people and for `ofx-render --describe`.
#include <ofxhost/Describe.h>
#include <ofxhost/Text.h>

#include <ofxGPURender.h>

#include <ostream>

namespace ofxhost {
namespace {

// "absent" keeps a property the plug-in never set apart from one it set to "false".
std::string valueOrAbsent(const PropertySet& props, const std::string& name)
{
    return props.has(name) ? props.valueText(name) : "absent";
}

void line(std::ostream& out, int indent, const std::string& label, const std::string& value)
{
    out << std::string(static_cast<size_t>(indent) * 2, ' ') << label << ": " << value << '\n';
}

void printIfSet(std::ostream& out, int indent, const PropertySet& props, const std::string& label,
                const std::string& name)
{
    if (props.has(name))
        line(out, indent, label, props.valueText(name));
}

void printClip(std::ostream& out, const std::string& name, const PropertySet& props)
{
    out << "    clip " << quotedText(name) << '\n';
    for (const auto& prop : props.names()) {
        if (prop == kOfxPropType || prop == kOfxPropName)
            continue;
        line(out, 3, prop, props.valueText(prop));
    }
}

void printParam(std::ostream& out, const std::string& name, const std::string& type,
                const PropertySet& props)
{
    out << "    param " << quotedText(name) << ' ' << escapedText(type) << '\n';
    printIfSet(out, 3, props, "label", kOfxPropLabel);
    printIfSet(out, 3, props, "short label", kOfxPropShortLabel);
    printIfSet(out, 3, props, "long label", kOfxPropLongLabel);
    printIfSet(out, 3, props, "script name", kOfxParamPropScriptName);
    printIfSet(out, 3, props, "hint", kOfxParamPropHint);
    printIfSet(out, 3, props, "parent", kOfxParamPropParent);
    printIfSet(out, 3, props, "default", kOfxParamPropDefault);
    if (props.has(kOfxParamPropMin) && props.has(kOfxParamPropMax))
        line(out, 3, "range",
             props.valueText(kOfxParamPropMin) + " to " + props.valueText(kOfxParamPropMax));
    if (props.has(kOfxParamPropDisplayMin) && props.has(kOfxParamPropDisplayMax))
        line(out, 3, "display range",
             props.valueText(kOfxParamPropDisplayMin) + " to " +
                 props.valueText(kOfxParamPropDisplayMax));
    printIfSet(out, 3, props, "increment", kOfxParamPropIncrement);
    printIfSet(out, 3, props, "digits", kOfxParamPropDigits);
    printIfSet(out, 3, props, "double type", kOfxParamPropDoubleType);
    printIfSet(out, 3, props, "animates", kOfxParamPropAnimates);
    printIfSet(out, 3, props, "enabled", kOfxParamPropEnabled);
    printIfSet(out, 3, props, "secret", kOfxParamPropSecret);
    if (props.has(kOfxParamPropChoiceOption)) {
        const auto options = props.getStrings(kOfxParamPropChoiceOption);
        line(out, 3, "options", std::to_string(options.size()));
        for (size_t i = 0; i < options.size(); ++i)
            out << "        [" << i << "] " << quotedText(options[i]) << '\n';
    }
    printIfSet(out, 3, props, "option order", kOfxParamPropChoiceOrder);
    if (props.has(kOfxParamPropPageChild))
        line(out, 3, "children", props.valueText(kOfxParamPropPageChild));
}

} // namespace

void printDescription(std::ostream& out, const Effect& effect, const std::string& context)
{
    const PropertySet& p = effect.descriptor().properties();
    out << "effect " << escapedText(effect.identifier()) << " version " << effect.versionMajor()
        << '.' << effect.versionMinor() << '\n';
    line(out, 1, "bundle", effect.bundlePath());
    line(out, 1, "label", valueOrAbsent(p, kOfxPropLabel));
    line(out, 1, "short label", valueOrAbsent(p, kOfxPropShortLabel));
    line(out, 1, "long label", valueOrAbsent(p, kOfxPropLongLabel));
    line(out, 1, "version", valueOrAbsent(p, kOfxPropVersion));
    line(out, 1, "version label", valueOrAbsent(p, kOfxPropVersionLabel));
    line(out, 1, "grouping", valueOrAbsent(p, kOfxImageEffectPluginPropGrouping));
    line(out, 1, "description", valueOrAbsent(p, kOfxPropPluginDescription));
    line(out, 1, "contexts", valueOrAbsent(p, kOfxImageEffectPropSupportedContexts));
    line(out, 1, "bit depths", valueOrAbsent(p, kOfxImageEffectPropSupportedPixelDepths));
    line(out, 1, "single instance", valueOrAbsent(p, kOfxImageEffectPluginPropSingleInstance));
    line(out, 1, "host frame threading",
         valueOrAbsent(p, kOfxImageEffectPluginPropHostFrameThreading));
    line(out, 1, "render thread safety", valueOrAbsent(p, kOfxImageEffectPluginRenderThreadSafety));
    line(out, 1, "multi-resolution", valueOrAbsent(p, kOfxImageEffectPropSupportsMultiResolution));
    line(out, 1, "tiles", valueOrAbsent(p, kOfxImageEffectPropSupportsTiles));
    line(out, 1, "temporal clip access", valueOrAbsent(p, kOfxImageEffectPropTemporalClipAccess));
    line(out, 1, "render twice always",
         valueOrAbsent(p, kOfxImageEffectPluginPropFieldRenderTwiceAlways));
    line(out, 1, "multiple clip PARs",
         valueOrAbsent(p, kOfxImageEffectPropSupportsMultipleClipPARs));
    line(out, 1, "OpenCL buffers", valueOrAbsent(p, kOfxImageEffectPropOpenCLRenderSupported));
    line(out, 1, "OpenCL images", valueOrAbsent(p, kOfxImageEffectPropOpenCLSupported));
    line(out, 1, "CUDA", valueOrAbsent(p, kOfxImageEffectPropCudaRenderSupported));
    line(out, 1, "CUDA streams", valueOrAbsent(p, kOfxImageEffectPropCudaStreamSupported));
    line(out, 1, "Metal", valueOrAbsent(p, kOfxImageEffectPropMetalRenderSupported));

    const auto contexts = effect.contexts();
    std::string contextList;
    for (const auto& c : contexts)
        contextList += (contextList.empty() ? "" : ", ") + c;
    line(out, 1, "described in", contextList.empty() ? "(no context)" : contextList);
    const std::string shown = context.empty() && !contexts.empty() ? contexts.front() : context;
    const EffectDescriptor* d = effect.contextDescriptor(shown);
    if (!d)
        return;
    out << "  in context " << escapedText(shown) << '\n';
    for (const auto& clip : d->clipNames())
        printClip(out, clip, *d->clip(clip));
    for (const auto& param : d->paramNames())
        printParam(out, param, d->paramType(param), *d->param(param));
    if (d->paramSetProperties().dimension(kOfxPluginPropParamPageOrder) > 0)
        line(out, 2, "page order", d->paramSetProperties().valueText(kOfxPluginPropParamPageOrder));
}

void printDescription(std::ostream& out, const Bundle& bundle)
{
    out << "bundle " << bundle.path() << '\n';
    for (const Effect* e : bundle.effects())
        printDescription(out, *e);
    for (const SkippedEffect& s : bundle.skipped())
        out << "skipped effect " << escapedText(s.identifier) << " version " << s.versionMajor
            << '.' << s.versionMinor << ": " << escapedText(s.reason) << '\n';
}

} // namespace ofxhost
