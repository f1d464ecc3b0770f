// The parametric parameter suite: curves on descriptors (the defaults) and on instances. Curves
// are not animated, so every time reads the same curve.
#include "Curve.h"
#include "Internal.h"

#include <ofxParametricParam.h>

namespace ofxhost {
namespace {

ParamObject* parametric(OfxParamHandle h)
{
    ParamObject* p = ParamObject::fromHandle(h);
    return p && p->type == kOfxParamTypeParametric ? p : nullptr;
}

int dimensionOf(const ParamObject& p)
{
    if (p.props.has(kOfxParamPropParametricDimension) &&
        p.props.type(kOfxParamPropParametricDimension) == PropType::Int)
        return p.props.getInt(kOfxParamPropParametricDimension);
    return 1;
}

// The curve `index` of the parameter, or null for a bad index. A descriptor grows its curves up
// to the dimension it declares. Call with the value mutex held.
Curve* curveOf(ParamObject& p, int index)
{
    if (index < 0)
        return nullptr;
    if (!p.effect || !p.effect->isInstance) {
        if (index >= dimensionOf(p))
            return nullptr;
        if (index >= static_cast<int>(p.curves.size()))
            p.curves.resize(static_cast<size_t>(index) + 1);
    }
    return index < static_cast<int>(p.curves.size()) ? &p.curves[static_cast<size_t>(index)]
                                                     : nullptr;
}

// Runs `f` on the curve under the parameter's lock: kOfxStatErrBadHandle for a handle that is
// not a parametric parameter, kOfxStatErrBadIndex for a curve it does not have.
template <typename F> OfxStatus withCurve(OfxParamHandle h, int index, F f)
{
    ParamObject* p = parametric(h);
    if (!p)
        return kOfxStatErrBadHandle;
    std::lock_guard<std::mutex> lock(p->valueMutex);
    Curve* c = curveOf(*p, index);
    return c ? f(*c) : kOfxStatErrBadIndex;
}

OfxStatus getValue(OfxParamHandle h, int index, OfxTime, double position, double* value)
{
    if (!value)
        return kOfxStatErrValue;
    return withCurve(h, index, [&](Curve& c) {
        *value = evaluateCurve(c, position);
        return kOfxStatOK;
    });
}

OfxStatus getNControlPoints(OfxParamHandle h, int index, double, int* count)
{
    if (!count)
        return kOfxStatErrValue;
    return withCurve(h, index, [&](Curve& c) {
        *count = static_cast<int>(c.size());
        return kOfxStatOK;
    });
}

OfxStatus getNthControlPoint(OfxParamHandle h, int index, double, int nth, double* key,
                             double* value)
{
    if (!key || !value)
        return kOfxStatErrValue;
    return withCurve(h, index, [&](Curve& c) {
        if (nth < 0 || nth >= static_cast<int>(c.size()))
            return kOfxStatErrBadIndex;
        *key = c[static_cast<size_t>(nth)].x;
        *value = c[static_cast<size_t>(nth)].y;
        return kOfxStatOK;
    });
}

OfxStatus setNthControlPoint(OfxParamHandle h, int index, double, int nth, double key, double value,
                             bool)
{
    return withCurve(h, index, [&](Curve& c) {
        if (nth < 0 || nth >= static_cast<int>(c.size()))
            return kOfxStatErrBadIndex;
        c.erase(c.begin() + nth); // moving its position may move it among the others
        addCurvePoint(c, {key, value});
        return kOfxStatOK;
    });
}

OfxStatus addControlPoint(OfxParamHandle h, int index, double, double key, double value, bool)
{
    return withCurve(h, index, [&](Curve& c) {
        addCurvePoint(c, {key, value});
        return kOfxStatOK;
    });
}

OfxStatus deleteControlPoint(OfxParamHandle h, int index, int nth)
{
    return withCurve(h, index, [&](Curve& c) {
        if (nth < 0 || nth >= static_cast<int>(c.size()))
            return kOfxStatErrBadIndex;
        c.erase(c.begin() + nth);
        return kOfxStatOK;
    });
}

OfxStatus deleteAllControlPoints(OfxParamHandle h, int index)
{
    return withCurve(h, index, [&](Curve& c) {
        c.clear();
        return kOfxStatOK;
    });
}

const OfxParametricParameterSuiteV1 kSuite = {
    getValue,        getNControlPoints,  getNthControlPoint,     setNthControlPoint,
    addControlPoint, deleteControlPoint, deleteAllControlPoints,
};

} // namespace

const void* parametricSuite()
{
    return &kSuite;
}

} // namespace ofxhost
