// Parameter descriptors and parameter instances over the parameter suite.
#include "ofxsLog.h"
#include "ofxsParam.h"
#include "ofxsSupportPrivate.h"

namespace OFX {

namespace {
const char* const kParamTypeNames[] = {nullptr,
                                       kOfxParamTypeString,
                                       kOfxParamTypeInteger,
                                       kOfxParamTypeInteger2D,
                                       kOfxParamTypeInteger3D,
                                       kOfxParamTypeDouble,
                                       kOfxParamTypeDouble2D,
                                       kOfxParamTypeDouble3D,
                                       kOfxParamTypeRGB,
                                       kOfxParamTypeRGBA,
                                       kOfxParamTypeBoolean,
                                       kOfxParamTypeChoice,
                                       kOfxParamTypeStrChoice,
                                       kOfxParamTypeCustom,
                                       kOfxParamTypeGroup,
                                       kOfxParamTypePage,
                                       kOfxParamTypePushButton,
                                       "OfxParamTypeParametric"};
constexpr int kParamTypeCount = sizeof(kParamTypeNames) / sizeof(kParamTypeNames[0]);

const char* const kDoubleTypeNames[] = {kOfxParamDoubleTypePlain,        kOfxParamDoubleTypeAngle,
                                        kOfxParamDoubleTypeScale,        kOfxParamDoubleTypeTime,
                                        kOfxParamDoubleTypeAbsoluteTime, kOfxParamDoubleTypeX,
                                        kOfxParamDoubleTypeXAbsolute,    kOfxParamDoubleTypeY,
                                        kOfxParamDoubleTypeYAbsolute,    kOfxParamDoubleTypeXY,
                                        kOfxParamDoubleTypeXYAbsolute};

const char* const kCacheInvalidationNames[] = {
    kOfxParamInvalidateValueChange, kOfxParamInvalidateValueChangeToEnd, kOfxParamInvalidateAll};

} // namespace

const char* mapParamTypeEnumToString(ParamTypeEnum t)
{
    if (t <= eDummyParam || t >= kParamTypeCount)
        throw std::invalid_argument("no string for this parameter type");
    return kParamTypeNames[t];
}

ParamTypeEnum mapParamTypeStringToEnum(const std::string& s)
{
    for (int i = 1; i < kParamTypeCount; ++i)
        if (s == kParamTypeNames[i])
            return static_cast<ParamTypeEnum>(i);
    return eDummyParam;
}

// ---------------------------------------------------------------- descriptors

ParamDescriptor::ParamDescriptor(const std::string& name, ParamTypeEnum type,
                                 OfxPropertySetHandle props)
    : _paramName(name), _paramType(type), _paramProps(props)
{
}

ParamDescriptor::~ParamDescriptor() = default;

void ParamDescriptor::setLabel(const std::string& label)
{
    _paramProps.propSetString(kOfxPropLabel, label);
}

void ParamDescriptor::setLabels(const std::string& label, const std::string& shortLabel,
                                const std::string& longLabel)
{
    setLabel(label);
    _paramProps.propSetString(kOfxPropShortLabel, shortLabel, false);
    _paramProps.propSetString(kOfxPropLongLabel, longLabel, false);
}

void ParamDescriptor::setHint(const std::string& hint)
{
    _paramProps.propSetString(kOfxParamPropHint, hint, false);
}

void ParamDescriptor::setScriptName(const std::string& name)
{
    _paramProps.propSetString(kOfxParamPropScriptName, name, false);
}

void ParamDescriptor::setIsSecret(bool v)
{
    _paramProps.propSetInt(kOfxParamPropSecret, v);
}

void ParamDescriptor::setParent(const GroupParamDescriptor& group)
{
    _paramProps.propSetString(kOfxParamPropParent, group.getName());
}

void ParamDescriptor::setEnabled(bool v)
{
    _paramProps.propSetInt(kOfxParamPropEnabled, v);
}

void ValueParamDescriptor::setAnimates(bool v)
{
    _paramProps.propSetInt(kOfxParamPropAnimates, v);
}
void ValueParamDescriptor::setIsPersistant(bool v)
{
    _paramProps.propSetInt(kOfxParamPropPersistant, v);
}
void ValueParamDescriptor::setEvaluateOnChange(bool v)
{
    _paramProps.propSetInt(kOfxParamPropEvaluateOnChange, v);
}
void ValueParamDescriptor::setCanUndo(bool v)
{
    _paramProps.propSetInt(kOfxParamPropCanUndo, v, false);
}
void ValueParamDescriptor::setCacheInvalidation(CacheInvalidationEnum v)
{
    _paramProps.propSetString(kOfxParamPropCacheInvalidation, kCacheInvalidationNames[v]);
}

void BaseDoubleParamDescriptor::setDoubleType(DoubleTypeEnum v)
{
    _paramProps.propSetString(kOfxParamPropDoubleType, kDoubleTypeNames[v]);
}

void BaseDoubleParamDescriptor::setDefaultCoordinateSystem(DefaultCoordinateSystemEnum v)
{
    try {
        _paramProps.propSetString(kOfxParamPropDefaultCoordinateSystem,
                                  v == eCoordinatesNormalised ? kOfxParamCoordinatesNormalised
                                                              : kOfxParamCoordinatesCanonical,
                                  false);
    } catch (const std::exception&) {
    }
}

void BaseDoubleParamDescriptor::setIncrement(double v)
{
    _paramProps.propSetDouble(kOfxParamPropIncrement, v);
}
void BaseDoubleParamDescriptor::setDigits(int v)
{
    _paramProps.propSetInt(kOfxParamPropDigits, v);
}

void DoubleParamDescriptor::setShowTimeMarker(bool v)
{
    _paramProps.propSetInt(kOfxParamPropShowTimeMarker, v);
}
void DoubleParamDescriptor::setDefault(double v)
{
    _paramProps.propSetDouble(kOfxParamPropDefault, v);
}
void DoubleParamDescriptor::setRange(double min, double max)
{
    _paramProps.propSetDouble(kOfxParamPropMin, min);
    _paramProps.propSetDouble(kOfxParamPropMax, max);
}
void DoubleParamDescriptor::setDisplayRange(double min, double max)
{
    _paramProps.propSetDouble(kOfxParamPropDisplayMin, min);
    _paramProps.propSetDouble(kOfxParamPropDisplayMax, max);
}

void IntParamDescriptor::setDefault(int v)
{
    _paramProps.propSetInt(kOfxParamPropDefault, v);
}
void IntParamDescriptor::setRange(int min, int max)
{
    _paramProps.propSetInt(kOfxParamPropMin, min);
    _paramProps.propSetInt(kOfxParamPropMax, max);
}
void IntParamDescriptor::setDisplayRange(int min, int max)
{
    _paramProps.propSetInt(kOfxParamPropDisplayMin, min);
    _paramProps.propSetInt(kOfxParamPropDisplayMax, max);
}

void BooleanParamDescriptor::setDefault(bool v)
{
    _paramProps.propSetInt(kOfxParamPropDefault, v);
}

void ChoiceParamDescriptor::setDefault(int v)
{
    _paramProps.propSetInt(kOfxParamPropDefault, v);
}

void ChoiceParamDescriptor::appendOption(const std::string& option, const std::string& label,
                                         int order)
{
    int n = Private::appendIndex(_paramProps, kOfxParamPropChoiceOption);
    _paramProps.propSetString(kOfxParamPropChoiceOption, option, n);
    if (!label.empty()) {
        // There is no per-option label property: the label goes into the hint.
        std::string hint = _paramProps.propGetString(kOfxParamPropHint);
        if (!hint.empty())
            hint += "\n";
        hint += option + ": " + label;
        _paramProps.propSetString(kOfxParamPropHint, hint);
    }
    if (order != INT_MIN)
        _paramProps.propSetInt(kOfxParamPropChoiceOrder, order, n, false);
}

int ChoiceParamDescriptor::getNOptions()
{
    return _paramProps.propGetDimension(kOfxParamPropChoiceOption);
}

void ChoiceParamDescriptor::resetOptions()
{
    _paramProps.propReset(kOfxParamPropChoiceOption);
}

void GroupParamDescriptor::setOpen(bool v)
{
    _paramProps.propSetInt(kOfxParamPropGroupOpen, v, false);
}

void PageParamDescriptor::addChild(const ParamDescriptor& p)
{
    Private::appendString(_paramProps, kOfxParamPropPageChild, p.getName());
}

ParamSetDescriptor::ParamSetDescriptor() = default;
ParamSetDescriptor::~ParamSetDescriptor() = default;

void ParamSetDescriptor::setParamSetHandle(OfxParamSetHandle h)
{
    _paramSetHandle = h;
    OfxPropertySetHandle props = nullptr;
    throwSuiteStatusException(Private::paramSuite().paramSetGetPropertySet(h, &props));
    _paramSetProps.propSetHandle(props);
}

ParamDescriptor* ParamSetDescriptor::getParamDescriptor(const std::string& name) const
{
    auto it = _definedParams.find(name);
    return it == _definedParams.end() ? nullptr : it->second.get();
}

template <typename T>
T* ParamSetDescriptor::defineParam(const std::string& name, ParamTypeEnum type)
{
    auto it = _definedParams.find(name);
    if (it != _definedParams.end())
        return it->second->getType() == type ? static_cast<T*>(it->second.get()) : nullptr;
    OfxPropertySetHandle props = nullptr;
    throwSuiteStatusException(Private::paramSuite().paramDefine(
        _paramSetHandle, mapParamTypeEnumToString(type), name.c_str(), &props));
    T* param = new T(name, props);
    _definedParams[name].reset(param);
    return param;
}

DoubleParamDescriptor* ParamSetDescriptor::defineDoubleParam(const std::string& name)
{
    return defineParam<DoubleParamDescriptor>(name, eDoubleParam);
}
IntParamDescriptor* ParamSetDescriptor::defineIntParam(const std::string& name)
{
    return defineParam<IntParamDescriptor>(name, eIntParam);
}
BooleanParamDescriptor* ParamSetDescriptor::defineBooleanParam(const std::string& name)
{
    return defineParam<BooleanParamDescriptor>(name, eBooleanParam);
}
ChoiceParamDescriptor* ParamSetDescriptor::defineChoiceParam(const std::string& name)
{
    return defineParam<ChoiceParamDescriptor>(name, eChoiceParam);
}
GroupParamDescriptor* ParamSetDescriptor::defineGroupParam(const std::string& name)
{
    return defineParam<GroupParamDescriptor>(name, eGroupParam);
}
PageParamDescriptor* ParamSetDescriptor::definePageParam(const std::string& name)
{
    return defineParam<PageParamDescriptor>(name, ePageParam);
}

void ParamSetDescriptor::setPageParamOrder(PageParamDescriptor& p)
{
    Private::appendString(_paramSetProps, kOfxPluginPropParamPageOrder, p.getName());
}

// ------------------------------------------------------------------ instances

Param::Param(const std::string& name, ParamTypeEnum type, OfxParamHandle handle)
    : _paramName(name), _paramType(type), _paramHandle(handle)
{
    OfxPropertySetHandle props = nullptr;
    throwSuiteStatusException(Private::paramSuite().paramGetPropertySet(handle, &props));
    _paramProps.propSetHandle(props);
}

Param::~Param() = default;

void Param::setLabel(const std::string& label)
{
    _paramProps.propSetString(kOfxPropLabel, label);
}
void Param::setIsSecret(bool v)
{
    _paramProps.propSetInt(kOfxParamPropSecret, v);
}
void Param::setHint(const std::string& hint)
{
    _paramProps.propSetString(kOfxParamPropHint, hint, false);
}
void Param::setEnabled(bool v)
{
    _paramProps.propSetInt(kOfxParamPropEnabled, v);
}
void Param::getLabel(std::string& label) const
{
    label = _paramProps.propGetString(kOfxPropLabel);
}
bool Param::getIsSecret() const
{
    return _paramProps.propGetInt(kOfxParamPropSecret) != 0;
}
bool Param::getIsEnable() const
{
    return _paramProps.propGetInt(kOfxParamPropEnabled) != 0;
}
std::string Param::getHint() const
{
    return _paramProps.propGetString(kOfxParamPropHint, false);
}
std::string Param::getScriptName() const
{
    return _paramProps.propGetString(kOfxParamPropScriptName, false);
}

bool ValueParam::getIsAnimating() const
{
    return _paramProps.propGetInt(kOfxParamPropIsAnimating, false) != 0;
}
unsigned int ValueParam::getNumKeys() const
{
    unsigned int n = 0;
    throwSuiteStatusException(Private::paramSuite().paramGetNumKeys(_paramHandle, &n));
    return n;
}

void DoubleParam::getValue(double& v) const
{
    throwSuiteStatusException(Private::paramSuite().paramGetValue(_paramHandle, &v));
}
double DoubleParam::getValue() const
{
    double v = 0;
    getValue(v);
    return v;
}
void DoubleParam::getValueAtTime(double t, double& v) const
{
    throwSuiteStatusException(Private::paramSuite().paramGetValueAtTime(_paramHandle, t, &v));
}
double DoubleParam::getValueAtTime(double t) const
{
    double v = 0;
    getValueAtTime(t, v);
    return v;
}
void DoubleParam::setValue(double v)
{
    throwSuiteStatusException(Private::paramSuite().paramSetValue(_paramHandle, v));
}
void DoubleParam::setValueAtTime(double t, double v)
{
    throwSuiteStatusException(Private::paramSuite().paramSetValueAtTime(_paramHandle, t, v));
}
void DoubleParam::getDefault(double& v) const
{
    v = _paramProps.propGetDouble(kOfxParamPropDefault);
}
void DoubleParam::getRange(double& min, double& max) const
{
    min = _paramProps.propGetDouble(kOfxParamPropMin);
    max = _paramProps.propGetDouble(kOfxParamPropMax);
}
void DoubleParam::getDisplayRange(double& min, double& max) const
{
    min = _paramProps.propGetDouble(kOfxParamPropDisplayMin);
    max = _paramProps.propGetDouble(kOfxParamPropDisplayMax);
}

void IntParam::getValue(int& v) const
{
    throwSuiteStatusException(Private::paramSuite().paramGetValue(_paramHandle, &v));
}
int IntParam::getValue() const
{
    int v = 0;
    getValue(v);
    return v;
}
void IntParam::getValueAtTime(double t, int& v) const
{
    throwSuiteStatusException(Private::paramSuite().paramGetValueAtTime(_paramHandle, t, &v));
}
int IntParam::getValueAtTime(double t) const
{
    int v = 0;
    getValueAtTime(t, v);
    return v;
}
void IntParam::setValue(int v)
{
    throwSuiteStatusException(Private::paramSuite().paramSetValue(_paramHandle, v));
}
void IntParam::setValueAtTime(double t, int v)
{
    throwSuiteStatusException(Private::paramSuite().paramSetValueAtTime(_paramHandle, t, v));
}

void BooleanParam::getValue(bool& v) const
{
    int i = 0;
    throwSuiteStatusException(Private::paramSuite().paramGetValue(_paramHandle, &i));
    v = i != 0;
}
bool BooleanParam::getValue() const
{
    bool v = false;
    getValue(v);
    return v;
}
void BooleanParam::getValueAtTime(double t, bool& v) const
{
    int i = 0;
    throwSuiteStatusException(Private::paramSuite().paramGetValueAtTime(_paramHandle, t, &i));
    v = i != 0;
}
bool BooleanParam::getValueAtTime(double t) const
{
    bool v = false;
    getValueAtTime(t, v);
    return v;
}
void BooleanParam::setValue(bool v)
{
    throwSuiteStatusException(
        Private::paramSuite().paramSetValue(_paramHandle, static_cast<int>(v)));
}
void BooleanParam::setValueAtTime(double t, bool v)
{
    throwSuiteStatusException(
        Private::paramSuite().paramSetValueAtTime(_paramHandle, t, static_cast<int>(v)));
}

void ChoiceParam::getValue(int& v) const
{
    throwSuiteStatusException(Private::paramSuite().paramGetValue(_paramHandle, &v));
}
void ChoiceParam::getValueAtTime(double t, int& v) const
{
    throwSuiteStatusException(Private::paramSuite().paramGetValueAtTime(_paramHandle, t, &v));
}
void ChoiceParam::setValue(int v)
{
    throwSuiteStatusException(Private::paramSuite().paramSetValue(_paramHandle, v));
}
void ChoiceParam::setValueAtTime(double t, int v)
{
    throwSuiteStatusException(Private::paramSuite().paramSetValueAtTime(_paramHandle, t, v));
}
int ChoiceParam::getNOptions() const
{
    return _paramProps.propGetDimension(kOfxParamPropChoiceOption);
}
void ChoiceParam::getOption(int ix, std::string& v) const
{
    v = _paramProps.propGetString(kOfxParamPropChoiceOption, ix);
}
void ChoiceParam::appendOption(const std::string& option)
{
    Private::appendString(_paramProps, kOfxParamPropChoiceOption, option);
}
void ChoiceParam::resetOptions()
{
    _paramProps.propReset(kOfxParamPropChoiceOption);
}

ParamSet::ParamSet() = default;
ParamSet::~ParamSet() = default;

void ParamSet::setParamSetHandle(OfxParamSetHandle h)
{
    _paramSetHandle = h;
}

bool ParamSet::paramExists(const std::string& name) const
{
    OfxParamHandle h = nullptr;
    OfxPropertySetHandle props = nullptr;
    return Private::paramSuite().paramGetHandle(_paramSetHandle, name.c_str(), &h, &props) ==
           kOfxStatOK;
}

template <typename T> T* ParamSet::fetchParam(const std::string& name, ParamTypeEnum type) const
{
    auto it = _fetchedParams.find(name);
    if (it != _fetchedParams.end()) {
        if (it->second->getType() != type)
            throw Exception::TypeRequest(name.c_str());
        return static_cast<T*>(it->second.get());
    }
    OfxParamHandle h = nullptr;
    OfxPropertySetHandle props = nullptr;
    OfxStatus s = Private::paramSuite().paramGetHandle(_paramSetHandle, name.c_str(), &h, &props);
    if (s != kOfxStatOK)
        throw Exception::Suite(s);
    if (props == nullptr)
        throwSuiteStatusException(Private::paramSuite().paramGetPropertySet(h, &props));
    // Check the type the host holds before trusting the handle's value layout.
    if (PropertySet(props).propGetString(kOfxParamPropType) != mapParamTypeEnumToString(type))
        throw Exception::TypeRequest(name.c_str());
    T* param = new T(name, h);
    _fetchedParams[name].reset(param);
    return param;
}

DoubleParam* ParamSet::fetchDoubleParam(const std::string& name) const
{
    return fetchParam<DoubleParam>(name, eDoubleParam);
}
IntParam* ParamSet::fetchIntParam(const std::string& name) const
{
    return fetchParam<IntParam>(name, eIntParam);
}
BooleanParam* ParamSet::fetchBooleanParam(const std::string& name) const
{
    return fetchParam<BooleanParam>(name, eBooleanParam);
}
ChoiceParam* ParamSet::fetchChoiceParam(const std::string& name) const
{
    return fetchParam<ChoiceParam>(name, eChoiceParam);
}

void ParamSet::beginEditBlock(const std::string& name)
{
    Private::paramSuite().paramEditBegin(_paramSetHandle, name.c_str());
}
void ParamSet::endEditBlock()
{
    Private::paramSuite().paramEditEnd(_paramSetHandle);
}

} // namespace OFX
