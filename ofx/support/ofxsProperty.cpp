// OFX::PropertySet: the property suite behind typed C++ calls.
#include "ofxsCore.h"
#include "ofxsLog.h"
#include "ofxsSupportPrivate.h"

#include <atomic>
#include <new>

namespace OFX {

namespace {
std::atomic<int> gLoggingCounter{1};
std::atomic<bool> gThrowOnUnsupported{true};

// Throws for a failed call, or logs it when the caller asked not to throw.
void check(OfxStatus status, const char* what, const char* property, bool throwOnFailure)
{
    if (Private::isSuccessStatus(status))
        return;
    if (throwOnFailure) {
        Private::throwPropertyException(status, property);
        return;
    }
    if (gLoggingCounter > 0)
        Log::print("%s on property '%s' failed: %s", what, property, mapStatusToString(status));
}
} // namespace

namespace Private {
void throwPropertyException(OfxStatus status, const char* propName)
{
    if (isSuccessStatus(status))
        return;
    switch (status) {
    case kOfxStatErrUnknown:
    case kOfxStatErrUnsupported:
        if (gThrowOnUnsupported)
            throw Exception::PropertyUnknownToHost(propName);
        return;
    case kOfxStatErrMemory:
        throw std::bad_alloc();
    case kOfxStatErrValue:
        throw Exception::PropertyValueIllegalToHost(propName);
    default:
        throw Exception::Suite(status);
    }
}
int appendIndex(const PropertySet& props, const char* property)
{
    int n = 0;
    OfxStatus s = propSuite().propGetDimension(props.propSetHandle(), property, &n);
    return s == kOfxStatOK ? n : 0;
}

void appendString(PropertySet& props, const char* property, const std::string& value)
{
    props.propSetString(property, value, appendIndex(props, property));
}

int optionalInt(OfxPropertySetHandle props, const char* property)
{
    int v = 0;
    return propSuite().propGetInt(props, property, 0, &v) == kOfxStatOK ? v : 0;
}

void* optionalPointer(OfxPropertySetHandle props, const char* property)
{
    void* v = nullptr;
    return propSuite().propGetPointer(props, property, 0, &v) == kOfxStatOK ? v : nullptr;
}
} // namespace Private

PropertySet::~PropertySet() = default;

void PropertySet::propEnableLogging()
{
    ++gLoggingCounter;
}
void PropertySet::propDisableLogging()
{
    --gLoggingCounter;
}
void PropertySet::setThrowOnUnsupportedProperties(bool v)
{
    gThrowOnUnsupported = v;
}
bool PropertySet::getThrowOnUnsupportedProperties()
{
    return gThrowOnUnsupported;
}

int PropertySet::propGetDimension(const char* property, bool throwOnFailure) const
{
    int dim = 0;
    OfxStatus s = Private::propSuite().propGetDimension(_propHandle, property, &dim);
    check(s, "propGetDimension", property, throwOnFailure);
    return Private::isSuccessStatus(s) ? dim : 0;
}

void PropertySet::propReset(const char* property)
{
    check(Private::propSuite().propReset(_propHandle, property), "propReset", property, true);
}

void PropertySet::propSetPointer(const char* property, void* value, int idx, bool throwOnFailure)
{
    check(Private::propSuite().propSetPointer(_propHandle, property, idx, value), "propSetPointer",
          property, throwOnFailure);
}

void PropertySet::propSetString(const char* property, const std::string& value, int idx,
                                bool throwOnFailure)
{
    check(Private::propSuite().propSetString(_propHandle, property, idx, value.c_str()),
          "propSetString", property, throwOnFailure);
}

void PropertySet::propSetDouble(const char* property, double value, int idx, bool throwOnFailure)
{
    check(Private::propSuite().propSetDouble(_propHandle, property, idx, value), "propSetDouble",
          property, throwOnFailure);
}

void PropertySet::propSetInt(const char* property, int value, int idx, bool throwOnFailure)
{
    check(Private::propSuite().propSetInt(_propHandle, property, idx, value), "propSetInt",
          property, throwOnFailure);
}

void PropertySet::propSetDoubleN(const char* property, const double* values, int count,
                                 bool throwOnFailure)
{
    check(Private::propSuite().propSetDoubleN(_propHandle, property, count, values),
          "propSetDoubleN", property, throwOnFailure);
}

void* PropertySet::propGetPointer(const char* property, int idx, bool throwOnFailure) const
{
    void* value = nullptr;
    OfxStatus s = Private::propSuite().propGetPointer(_propHandle, property, idx, &value);
    check(s, "propGetPointer", property, throwOnFailure);
    return Private::isSuccessStatus(s) ? value : nullptr;
}

std::string PropertySet::propGetString(const char* property, int idx, bool throwOnFailure) const
{
    char* value = nullptr;
    OfxStatus s = Private::propSuite().propGetString(_propHandle, property, idx, &value);
    check(s, "propGetString", property, throwOnFailure);
    return (Private::isSuccessStatus(s) && value) ? std::string(value) : std::string();
}

double PropertySet::propGetDouble(const char* property, int idx, bool throwOnFailure) const
{
    double value = 0;
    OfxStatus s = Private::propSuite().propGetDouble(_propHandle, property, idx, &value);
    check(s, "propGetDouble", property, throwOnFailure);
    return Private::isSuccessStatus(s) ? value : 0.0;
}

int PropertySet::propGetInt(const char* property, int idx, bool throwOnFailure) const
{
    int value = 0;
    OfxStatus s = Private::propSuite().propGetInt(_propHandle, property, idx, &value);
    check(s, "propGetInt", property, throwOnFailure);
    return Private::isSuccessStatus(s) ? value : 0;
}

std::list<std::string> PropertySet::propGetNString(const char* property, bool throwOnFailure) const
{
    std::list<std::string> values;
    int n = propGetDimension(property, throwOnFailure);
    for (int i = 0; i < n; ++i)
        values.push_back(propGetString(property, i, throwOnFailure));
    return values;
}

} // namespace OFX
