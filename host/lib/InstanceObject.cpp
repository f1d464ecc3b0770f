// The making of an instance from a context descriptor: its properties, the project it lives in,
// parameters at their default values and clips as a host first shows them.
#include "Internal.h"

#include <ofxGPURender.h>
#include <ofxParametricParam.h>

#include <algorithm>

namespace ofxhost {

ProjectSettings ProjectSettings::forWindow(const OfxRectI& window, double pixelAspectRatio)
{
    ProjectSettings p;
    p.pixelAspectRatio = pixelAspectRatio > 0 ? pixelAspectRatio : 1.0;
    p.offset = {window.x1 * p.pixelAspectRatio, double(window.y1)};
    p.size = {(double(window.x2) - window.x1) * p.pixelAspectRatio,
              double(window.y2) - double(window.y1)};
    // The extent starts at the origin and holds the whole window.
    p.extent = {std::max(p.size.x, p.offset.x + p.size.x),
                std::max(p.size.y, p.offset.y + p.size.y)};
    return p;
}

void copyProperties(const PropertySet& from, PropertySet& to, bool withPointers)
{
    for (const auto& name : from.names()) {
        switch (from.type(name)) {
        case PropType::Int:
            to.defineInt(name, from.getInts(name));
            break;
        case PropType::Double:
            to.defineDouble(name, from.getDoubles(name));
            break;
        case PropType::String:
            to.defineString(name, from.getStrings(name));
            break;
        case PropType::Pointer:
            if (withPointers) {
                std::vector<void*> v;
                for (int i = 0; i < from.dimension(name); ++i)
                    v.push_back(from.getPointer(name, i));
                to.definePointer(name, v);
            }
            break;
        }
    }
}

namespace {

// The parameter's default as its first value; a missing or mistyped default leaves zeros.
void seedValue(ParamObject& param)
{
    const auto [n, numeric, integral] = valueShape(param.type);
    if (!numeric) {
        if (param.props.has(kOfxParamPropDefault) &&
            param.props.type(kOfxParamPropDefault) == PropType::String &&
            param.props.dimension(kOfxParamPropDefault) > 0)
            param.text = param.props.getString(kOfxParamPropDefault);
        return;
    }
    param.numbers.assign(static_cast<size_t>(n), 0.0);
    if (!param.props.has(kOfxParamPropDefault))
        return;
    const PropType t = param.props.type(kOfxParamPropDefault);
    const int dim = std::min(n, param.props.dimension(kOfxParamPropDefault));
    for (int i = 0; i < dim; ++i) {
        if (t == PropType::Int)
            param.numbers[i] = param.props.getInt(kOfxParamPropDefault, i);
        else if (t == PropType::Double)
            param.numbers[i] = param.props.getDouble(kOfxParamPropDefault, i);
    }
}

std::string stringProp(const PropertySet& props, const char* name)
{
    return props.has(name) && props.type(name) == PropType::String ? props.getString(name) : "";
}

// A spatial parameter whose default was given normalised holds it in canonical coordinates:
// sizes scale by the project size, positions also move by its offset.
void denormaliseDefault(ParamObject& param, const ProjectSettings& project)
{
    if (param.type != kOfxParamTypeDouble && param.type != kOfxParamTypeDouble2D)
        return;
    if (stringProp(param.props, kOfxParamPropDefaultCoordinateSystem) !=
        kOfxParamCoordinatesNormalised)
        return;
    const std::string kind = stringProp(param.props, kOfxParamPropDoubleType);
    auto scale = [&](size_t i, double size, double offset, bool absolute) {
        if (i < param.numbers.size())
            param.numbers[i] = param.numbers[i] * size + (absolute ? offset : 0.0);
    };
    const OfxPointD& size = project.size;
    const OfxPointD& offset = project.offset;
    if (kind == kOfxParamDoubleTypeX || kind == kOfxParamDoubleTypeXAbsolute)
        scale(0, size.x, offset.x, kind == kOfxParamDoubleTypeXAbsolute);
    else if (kind == kOfxParamDoubleTypeY || kind == kOfxParamDoubleTypeYAbsolute)
        scale(0, size.y, offset.y, kind == kOfxParamDoubleTypeYAbsolute);
    else if (kind == kOfxParamDoubleTypeXY || kind == kOfxParamDoubleTypeXYAbsolute) {
        const bool absolute = kind == kOfxParamDoubleTypeXYAbsolute;
        scale(0, size.x, offset.x, absolute);
        scale(1, size.y, offset.y, absolute);
    }
}

// Curves set on the descriptor are the instance's defaults; a curve left without control points
// starts as the identity over the parameter's range.
void seedCurves(ParamObject& param, const ParamObject& described)
{
    int dimension = 1;
    if (param.props.has(kOfxParamPropParametricDimension) &&
        param.props.type(kOfxParamPropParametricDimension) == PropType::Int)
        dimension = std::max(1, param.props.getInt(kOfxParamPropParametricDimension));
    double lo = 0.0, hi = 1.0;
    if (param.props.dimension(kOfxParamPropParametricRange) == 2 &&
        param.props.type(kOfxParamPropParametricRange) == PropType::Double) {
        lo = param.props.getDouble(kOfxParamPropParametricRange, 0);
        hi = param.props.getDouble(kOfxParamPropParametricRange, 1);
    }
    {
        std::lock_guard<std::mutex> lock(described.valueMutex);
        param.curves = described.curves;
    }
    param.curves.resize(static_cast<size_t>(dimension));
    for (auto& curve : param.curves)
        if (curve.empty())
            curve = {{lo, lo}, {hi, hi}};
}

std::unique_ptr<ParamObject> makeParam(const ParamObject& described, EffectObject* instance,
                                       const ProjectSettings& project)
{
    auto param = std::make_unique<ParamObject>();
    param->name = described.name;
    param->type = described.type;
    param->effect = instance;
    copyProperties(described.props, param->props, true);
    param->props.defineString(kOfxPropType, {kOfxTypeParameterInstance}, 1);
    seedValue(*param);
    denormaliseDefault(*param, project);
    if (param->type == kOfxParamTypeParametric)
        seedCurves(*param, described);
    return param;
}

std::unique_ptr<ClipObject> makeClip(const ClipObject& described, EffectObject* instance)
{
    auto clip = std::make_unique<ClipObject>();
    clip->name = described.name;
    clip->effect = instance;
    copyProperties(described.props, clip->props, false);
    clip->props.defineString(kOfxPropType, {kOfxTypeClip}, 1);
    clip->props.defineString(kOfxImageClipPropFieldOrder, {kOfxImageFieldNone}, 1);
    clip->props.defineInt(kOfxImageClipPropContinuousSamples, {0}, 1);
    clip->props.defineString(kOfxImageEffectPropPreMultiplication, {kOfxImagePreMultiplied}, 1);
    clip->connected = clip->isOutput(); // the output always goes somewhere
    std::lock_guard<std::mutex> lock(clip->mutex);
    publishClipState(*clip);
    return clip;
}

} // namespace

void publishClipState(ClipObject& clip)
{
    const ProjectSettings& project = clip.effect->project;
    const ClipInput* input = clip.input.get();
    PropertySet& c = clip.props;
    c.defineInt(kOfxImageClipPropConnected, {clip.connected ? 1 : 0}, 1);
    c.defineString(kOfxImageEffectPropPixelDepth, {clip.depth}, 1);
    c.defineString(kOfxImageEffectPropComponents, {clip.components}, 1);
    // A pinned clip reports what it was given as both what it holds and what it shows.
    const bool converts = input && !clip.pinned;
    c.defineString(kOfxImageClipPropUnmappedPixelDepth, {converts ? input->pixelDepth : clip.depth},
                   1);
    c.defineString(kOfxImageClipPropUnmappedComponents,
                   {converts ? input->components : clip.components}, 1);
    if (input && !clip.isOutput())
        c.defineString(kOfxImageEffectPropPreMultiplication, {input->preMultiplication}, 1);
    c.defineDouble(kOfxImagePropPixelAspectRatio,
                   {input ? input->pixelAspectRatio : project.pixelAspectRatio}, 1);
    const OfxRangeD range = input ? input->frameRange : project.frames;
    const double rate = input ? input->frameRate : project.frameRate;
    c.defineDouble(kOfxImageEffectPropFrameRate, {rate}, 1);
    c.defineDouble(kOfxImageEffectPropFrameRange, {range.min, range.max}, 2);
    c.defineDouble(kOfxImageEffectPropUnmappedFrameRate, {rate}, 1);
    c.defineDouble(kOfxImageEffectPropUnmappedFrameRange, {range.min, range.max}, 2);
}

std::unique_ptr<EffectObject> makeInstanceObject(EffectObject& descriptor,
                                                 const std::string& context,
                                                 const ProjectSettings& project, bool gpuProperties)
{
    auto inst = std::make_unique<EffectObject>();
    inst->isInstance = true;
    inst->core = descriptor.core;
    inst->project = project;
    inst->context = context;
    // The instance carries what was described plus the instance properties.
    copyProperties(descriptor.props, inst->props, true);
    PropertySet& p = inst->props;
    p.defineString(kOfxPropType, {kOfxTypeImageEffectInstance}, 1);
    p.defineString(kOfxImageEffectPropContext, {context}, 1);
    p.definePointer(kOfxPropInstanceData, {nullptr}, 1);
    p.definePointer(kOfxImageEffectPropPluginHandle, {descriptor.handle()}, 1);
    p.defineInt(kOfxPropIsInteractive, {0}, 1);
    p.defineDouble(kOfxImageEffectPropFrameRate, {project.frameRate}, 1);
    p.defineDouble(kOfxImageEffectPropProjectSize, {project.size.x, project.size.y}, 2);
    p.defineDouble(kOfxImageEffectPropProjectOffset, {project.offset.x, project.offset.y}, 2);
    p.defineDouble(kOfxImageEffectPropProjectExtent, {project.extent.x, project.extent.y}, 2);
    p.defineDouble(kOfxImageEffectPropProjectPixelAspectRatio, {project.pixelAspectRatio}, 1);
    p.defineDouble(kOfxImageEffectInstancePropEffectDuration,
                   {project.frames.max - project.frames.min + 1.0}, 1);
    p.defineInt(kOfxImageEffectInstancePropSequentialRender, {0}, 1);
    p.defineString(kOfxImageEffectPropOpenGLRenderSupported, {"false"}, 1);
    if (!gpuProperties)
        for (const auto& name : gpuCapabilityProperties())
            p.refuse(name);

    for (const auto& described : descriptor.paramSet.params)
        inst->paramSet.params.push_back(makeParam(*described, inst.get(), project));
    for (const auto& described : descriptor.clips)
        inst->clips.push_back(makeClip(*described, inst.get()));
    return inst;
}

} // namespace ofxhost
