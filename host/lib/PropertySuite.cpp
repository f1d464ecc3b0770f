// The property suite: thin C entry points over PropertySet.
#include "HostCore.h"
#include "Internal.h"
#include "MissingFeatures.h"

#include <ofxProperty.h>

namespace ofxhost {
namespace {

PropertySet* setOf(OfxPropertySetHandle h)
{
    return PropertySet::fromHandle(h);
}

// A read of a host property this host does not define is a feature the effect may miss.
OfxStatus noted(const PropertySet& set, const char* name, OfxStatus status)
{
    if (status == kOfxStatErrUnknown && name && HostCore::isHostProperties(&set))
        noteMissingFeature(std::string("the host property ") + name);
    return status;
}

OfxStatus propSetPointer(OfxPropertySetHandle h, const char* p, int i, void* v)
{
    PropertySet* s = setOf(h);
    return s ? s->setPointer(p, i, v) : kOfxStatErrBadHandle;
}
OfxStatus propSetString(OfxPropertySetHandle h, const char* p, int i, const char* v)
{
    PropertySet* s = setOf(h);
    return s ? s->setString(p, i, v) : kOfxStatErrBadHandle;
}
OfxStatus propSetDouble(OfxPropertySetHandle h, const char* p, int i, double v)
{
    PropertySet* s = setOf(h);
    return s ? s->setDouble(p, i, v) : kOfxStatErrBadHandle;
}
OfxStatus propSetInt(OfxPropertySetHandle h, const char* p, int i, int v)
{
    PropertySet* s = setOf(h);
    return s ? s->setInt(p, i, v) : kOfxStatErrBadHandle;
}

// The N forms write or read indices 0..count-1 in turn; each write may grow the property.
template <typename T, typename Setter>
OfxStatus setN(OfxPropertySetHandle h, int count, const T* values, Setter set)
{
    PropertySet* s = setOf(h);
    if (!s)
        return kOfxStatErrBadHandle;
    if (count < 0)
        return kOfxStatErrBadIndex;
    if (count > 0 && !values)
        return kOfxStatErrValue;
    for (int i = 0; i < count; ++i) {
        if (OfxStatus st = set(*s, i, values[i]))
            return st;
    }
    return kOfxStatOK;
}

template <typename T, typename Getter>
OfxStatus getN(OfxPropertySetHandle h, const char* p, int count, T* values, Getter get)
{
    PropertySet* s = setOf(h);
    if (!s)
        return kOfxStatErrBadHandle;
    int dim = 0;
    if (OfxStatus st = noted(*s, p, s->dimensionC(p, &dim)))
        return st;
    if (count < 0 || count > dim)
        return kOfxStatErrBadIndex;
    if (count > 0 && !values)
        return kOfxStatErrValue;
    for (int i = 0; i < count; ++i) {
        if (OfxStatus st = get(*s, i, &values[i]))
            return st;
    }
    return kOfxStatOK;
}

OfxStatus propSetPointerN(OfxPropertySetHandle h, const char* p, int n, void* const* v)
{
    return setN(h, n, v, [p](PropertySet& s, int i, void* x) { return s.setPointer(p, i, x); });
}
OfxStatus propSetStringN(OfxPropertySetHandle h, const char* p, int n, const char* const* v)
{
    return setN(h, n, v,
                [p](PropertySet& s, int i, const char* x) { return s.setString(p, i, x); });
}
OfxStatus propSetDoubleN(OfxPropertySetHandle h, const char* p, int n, const double* v)
{
    return setN(h, n, v, [p](PropertySet& s, int i, double x) { return s.setDouble(p, i, x); });
}
OfxStatus propSetIntN(OfxPropertySetHandle h, const char* p, int n, const int* v)
{
    return setN(h, n, v, [p](PropertySet& s, int i, int x) { return s.setInt(p, i, x); });
}

OfxStatus propGetPointer(OfxPropertySetHandle h, const char* p, int i, void** v)
{
    PropertySet* s = setOf(h);
    return s ? noted(*s, p, s->getPointerC(p, i, v)) : kOfxStatErrBadHandle;
}
OfxStatus propGetString(OfxPropertySetHandle h, const char* p, int i, char** v)
{
    PropertySet* s = setOf(h);
    return s ? noted(*s, p, s->getStringC(p, i, v)) : kOfxStatErrBadHandle;
}
OfxStatus propGetDouble(OfxPropertySetHandle h, const char* p, int i, double* v)
{
    PropertySet* s = setOf(h);
    return s ? noted(*s, p, s->getDoubleC(p, i, v)) : kOfxStatErrBadHandle;
}
OfxStatus propGetInt(OfxPropertySetHandle h, const char* p, int i, int* v)
{
    PropertySet* s = setOf(h);
    return s ? noted(*s, p, s->getIntC(p, i, v)) : kOfxStatErrBadHandle;
}

OfxStatus propGetPointerN(OfxPropertySetHandle h, const char* p, int n, void** v)
{
    return getN(h, p, n, v,
                [p](PropertySet& s, int i, void** x) { return s.getPointerC(p, i, x); });
}
OfxStatus propGetStringN(OfxPropertySetHandle h, const char* p, int n, char** v)
{
    return getN(h, p, n, v, [p](PropertySet& s, int i, char** x) { return s.getStringC(p, i, x); });
}
OfxStatus propGetDoubleN(OfxPropertySetHandle h, const char* p, int n, double* v)
{
    return getN(h, p, n, v,
                [p](PropertySet& s, int i, double* x) { return s.getDoubleC(p, i, x); });
}
OfxStatus propGetIntN(OfxPropertySetHandle h, const char* p, int n, int* v)
{
    return getN(h, p, n, v, [p](PropertySet& s, int i, int* x) { return s.getIntC(p, i, x); });
}

OfxStatus propReset(OfxPropertySetHandle h, const char* p)
{
    PropertySet* s = setOf(h);
    return s ? s->reset(p) : kOfxStatErrBadHandle;
}
OfxStatus propGetDimension(OfxPropertySetHandle h, const char* p, int* count)
{
    PropertySet* s = setOf(h);
    return s ? noted(*s, p, s->dimensionC(p, count)) : kOfxStatErrBadHandle;
}

const OfxPropertySuiteV1 kSuite = {
    propSetPointer, propSetString,  propSetDouble,    propSetInt,     propSetPointerN,
    propSetStringN, propSetDoubleN, propSetIntN,      propGetPointer, propGetString,
    propGetDouble,  propGetInt,     propGetPointerN,  propGetStringN, propGetDoubleN,
    propGetIntN,    propReset,      propGetDimension,
};

} // namespace

const void* propertySuite()
{
    return &kSuite;
}

} // namespace ofxhost
