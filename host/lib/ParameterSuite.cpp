// The parameter suite: definition on descriptors, handles and values on instances. Values are not
// animated, so every time reads the one value and keys never exist.
#include "Internal.h"
#include "MissingFeatures.h"

#include <cmath>
#include <cstdarg>

namespace ofxhost {
namespace {

OfxStatus paramDefine(OfxParamSetHandle h, const char* type, const char* name,
                      OfxPropertySetHandle* props)
{
    ParamSetObject* set = ParamSetObject::fromHandle(h);
    if (!set || !set->effect || set->effect->isInstance)
        return kOfxStatErrBadHandle;
    if (!type || !name || !*name)
        return kOfxStatErrValue;
    if (!findParamType(type)) {
        noteMissingFeature(std::string("parameters of type ") + type);
        return kOfxStatErrUnsupported;
    }
    std::lock_guard<std::mutex> lock(set->mutex);
    if (ParamObject* existing = set->find(name)) {
        if (props)
            *props = existing->props.handle();
        return kOfxStatErrExists;
    }
    auto param = std::make_unique<ParamObject>();
    param->name = name;
    param->type = type;
    param->effect = set->effect;
    initParamDescriptorProps(param->props, name, type);
    if (props)
        *props = param->props.handle();
    set->params.push_back(std::move(param));
    return kOfxStatOK;
}

OfxStatus paramGetHandle(OfxParamSetHandle h, const char* name, OfxParamHandle* param,
                         OfxPropertySetHandle* props)
{
    ParamSetObject* set = ParamSetObject::fromHandle(h);
    if (!set)
        return kOfxStatErrBadHandle;
    if (!name || !param)
        return kOfxStatErrValue;
    std::lock_guard<std::mutex> lock(set->mutex);
    ParamObject* p = set->find(name);
    if (!p)
        return kOfxStatErrUnknown;
    *param = reinterpret_cast<OfxParamHandle>(p);
    if (props)
        *props = p->props.handle();
    return kOfxStatOK;
}

OfxStatus paramSetGetPropertySet(OfxParamSetHandle h, OfxPropertySetHandle* props)
{
    ParamSetObject* set = ParamSetObject::fromHandle(h);
    if (!set || !set->effect)
        return kOfxStatErrBadHandle;
    if (!props)
        return kOfxStatErrValue;
    *props = set->effect->props.handle(); // the param set shares the effect's property set
    return kOfxStatOK;
}

OfxStatus paramGetPropertySet(OfxParamHandle h, OfxPropertySetHandle* props)
{
    ParamObject* p = ParamObject::fromHandle(h);
    if (!p)
        return kOfxStatErrBadHandle;
    if (!props)
        return kOfxStatErrValue;
    *props = p->props.handle();
    return kOfxStatOK;
}

// Writes the value through the pointers of a getter's argument list.
OfxStatus readValue(OfxParamHandle h, va_list args)
{
    ParamObject* param = ParamObject::fromHandle(h);
    if (!param)
        return kOfxStatErrBadHandle;
    ParamObject& p = *param;
    const auto [n, numeric, integral] = valueShape(p.type);
    if (!p.effect || !p.effect->isInstance)
        return kOfxStatErrBadHandle; // descriptors hold no value
    std::lock_guard<std::mutex> lock(p.valueMutex);
    if (!numeric) {
        if (n == 0)
            return kOfxStatErrUnsupported; // page, group, push button: no value
        const char** out = va_arg(args, const char**);
        if (!out)
            return kOfxStatErrValue;
        *out = p.text.c_str(); // valid until the value changes
        return kOfxStatOK;
    }
    for (int i = 0; i < n; ++i) {
        if (integral) {
            int* out = va_arg(args, int*);
            if (!out)
                return kOfxStatErrValue;
            *out = static_cast<int>(p.numbers[i]);
        } else {
            double* out = va_arg(args, double*);
            if (!out)
                return kOfxStatErrValue;
            *out = p.numbers[i];
        }
    }
    return kOfxStatOK;
}

OfxStatus writeValue(OfxParamHandle h, va_list args)
{
    ParamObject* param = ParamObject::fromHandle(h);
    if (!param)
        return kOfxStatErrBadHandle;
    ParamObject& p = *param;
    const auto [n, numeric, integral] = valueShape(p.type);
    if (!p.effect || !p.effect->isInstance)
        return kOfxStatErrBadHandle;
    std::lock_guard<std::mutex> lock(p.valueMutex);
    if (!numeric) {
        if (n == 0)
            return kOfxStatErrUnsupported;
        const char* value = va_arg(args, const char*);
        if (!value)
            return kOfxStatErrValue;
        p.text = value;
        return kOfxStatOK;
    }
    std::vector<double> values(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        values[i] = integral ? va_arg(args, int) : va_arg(args, double);
    if (p.type == kOfxParamTypeChoice) {
        const int options = p.props.dimension(kOfxParamPropChoiceOption);
        if (values[0] < 0 || values[0] >= options)
            return kOfxStatErrValue;
    }
    if (p.type == kOfxParamTypeBoolean)
        values[0] = values[0] != 0 ? 1 : 0;
    p.numbers = values;
    return kOfxStatOK;
}

OfxStatus paramGetValue(OfxParamHandle h, ...)
{
    va_list args;
    va_start(args, h);
    const OfxStatus st = readValue(h, args);
    va_end(args);
    return st;
}

OfxStatus paramGetValueAtTime(OfxParamHandle h, OfxTime time, ...)
{
    va_list args;
    va_start(args, time);
    const OfxStatus st = readValue(h, args);
    va_end(args);
    return st;
}

// A value that never changes over time: derivative 0, integral value × duration. Fills the
// derivative where `duration` is null.
OfxStatus readConstantRate(OfxParamHandle h, const double* duration, va_list args)
{
    ParamObject* p = ParamObject::fromHandle(h);
    if (!p)
        return kOfxStatErrBadHandle;
    const auto [n, numeric, integral] = valueShape(p->type);
    if (!numeric || integral)
        return kOfxStatErrUnsupported;
    if (duration && (!p->effect || !p->effect->isInstance))
        return kOfxStatErrBadHandle;
    std::lock_guard<std::mutex> lock(p->valueMutex);
    for (int i = 0; i < n; ++i) {
        double* out = va_arg(args, double*);
        if (out)
            *out = duration ? p->numbers[i] * *duration : 0.0;
    }
    return kOfxStatOK;
}

OfxStatus paramGetDerivative(OfxParamHandle h, OfxTime time, ...)
{
    va_list args;
    va_start(args, time);
    const OfxStatus st = readConstantRate(h, nullptr, args);
    va_end(args);
    return st;
}

OfxStatus paramGetIntegral(OfxParamHandle h, OfxTime time1, OfxTime time2, ...)
{
    const double duration = time2 - time1;
    va_list args;
    va_start(args, time2);
    const OfxStatus st = readConstantRate(h, &duration, args);
    va_end(args);
    return st;
}

OfxStatus paramSetValue(OfxParamHandle h, ...)
{
    va_list args;
    va_start(args, h);
    const OfxStatus st = writeValue(h, args);
    va_end(args);
    return st;
}

OfxStatus paramSetValueAtTime(OfxParamHandle h, OfxTime time, ...)
{
    va_list args;
    va_start(args, time);
    const OfxStatus st = writeValue(h, args);
    va_end(args);
    return st;
}

OfxStatus paramGetNumKeys(OfxParamHandle h, unsigned int* count)
{
    if (!ParamObject::fromHandle(h))
        return kOfxStatErrBadHandle;
    if (!count)
        return kOfxStatErrValue;
    *count = 0;
    return kOfxStatOK;
}

OfxStatus paramGetKeyTime(OfxParamHandle h, unsigned int, OfxTime*)
{
    return ParamObject::fromHandle(h) ? kOfxStatErrBadIndex : kOfxStatErrBadHandle;
}

OfxStatus paramGetKeyIndex(OfxParamHandle h, OfxTime, int, int*)
{
    return ParamObject::fromHandle(h) ? kOfxStatFailed : kOfxStatErrBadHandle;
}

OfxStatus paramDeleteKey(OfxParamHandle h, OfxTime)
{
    return ParamObject::fromHandle(h) ? kOfxStatErrBadIndex : kOfxStatErrBadHandle;
}

OfxStatus paramDeleteAllKeys(OfxParamHandle h)
{
    return ParamObject::fromHandle(h) ? kOfxStatOK : kOfxStatErrBadHandle;
}

OfxStatus paramCopy(OfxParamHandle to, OfxParamHandle from, OfxTime, const OfxRangeD*)
{
    ParamObject* dst = ParamObject::fromHandle(to);
    ParamObject* src = ParamObject::fromHandle(from);
    if (!dst || !src)
        return kOfxStatErrBadHandle;
    if (dst->type != src->type)
        return kOfxStatErrValue;
    if (dst == src)
        return kOfxStatOK;
    std::scoped_lock lock(dst->valueMutex, src->valueMutex);
    dst->numbers = src->numbers;
    dst->text = src->text;
    dst->curves = src->curves;
    return kOfxStatOK;
}

OfxStatus paramEditBegin(OfxParamSetHandle h, const char*)
{
    return ParamSetObject::fromHandle(h) ? kOfxStatOK : kOfxStatErrBadHandle;
}

OfxStatus paramEditEnd(OfxParamSetHandle h)
{
    return ParamSetObject::fromHandle(h) ? kOfxStatOK : kOfxStatErrBadHandle;
}

const OfxParameterSuiteV1 kSuite = {
    paramDefine,      paramGetHandle,      paramSetGetPropertySet, paramGetPropertySet,
    paramGetValue,    paramGetValueAtTime, paramGetDerivative,     paramGetIntegral,
    paramSetValue,    paramSetValueAtTime, paramGetNumKeys,        paramGetKeyTime,
    paramGetKeyIndex, paramDeleteKey,      paramDeleteAllKeys,     paramCopy,
    paramEditBegin,   paramEditEnd,
};

} // namespace

const void* parameterSuite()
{
    return &kSuite;
}

} // namespace ofxhost
