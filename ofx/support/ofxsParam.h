#ifndef OFXS_PARAM_H
#define OFXS_PARAM_H
// Parameters: descriptors (describe time) and parameter instances (on an effect).

#include "ofxsCore.h"

#include <climits>
#include <map>
#include <memory>
#include <string>

namespace OFX {

enum ParamTypeEnum {
    eDummyParam,
    eStringParam,
    eIntParam,
    eInt2DParam,
    eInt3DParam,
    eDoubleParam,
    eDouble2DParam,
    eDouble3DParam,
    eRGBParam,
    eRGBAParam,
    eBooleanParam,
    eChoiceParam,
    eStrChoiceParam,
    eCustomParam,
    eGroupParam,
    ePageParam,
    ePushButtonParam,
    eParametricParam
};

enum CacheInvalidationEnum {
    eCacheInvalidateValueChange,
    eCacheInvalidateValueChangeToEnd,
    eCacheInvalidateValueAll
};

enum DoubleTypeEnum {
    eDoubleTypePlain,
    eDoubleTypeAngle,
    eDoubleTypeScale,
    eDoubleTypeTime,
    eDoubleTypeAbsoluteTime,
    eDoubleTypeX,
    eDoubleTypeXAbsolute,
    eDoubleTypeY,
    eDoubleTypeYAbsolute,
    eDoubleTypeXY,
    eDoubleTypeXYAbsolute
};

enum DefaultCoordinateSystemEnum { eCoordinatesCanonical, eCoordinatesNormalised };

const char* mapParamTypeEnumToString(ParamTypeEnum t);        // eDummyParam throws
ParamTypeEnum mapParamTypeStringToEnum(const std::string& s); // unknown: eDummyParam

// ---------------------------------------------------------------- descriptors

class GroupParamDescriptor;

class ParamDescriptor {
public:
    ParamDescriptor(const std::string& name, ParamTypeEnum type, OfxPropertySetHandle props);
    virtual ~ParamDescriptor();

    ParamTypeEnum getType() const { return _paramType; }
    const std::string& getName() const { return _paramName; }
    PropertySet& getPropertySet() { return _paramProps; }

    void setLabel(const std::string& label);
    void setLabels(const std::string& label, const std::string& shortLabel,
                   const std::string& longLabel);
    void setHint(const std::string& hint);
    void setScriptName(const std::string& name);
    void setIsSecret(bool v);
    void setParent(const GroupParamDescriptor& group);
    void setEnabled(bool v);

protected:
    std::string _paramName;
    ParamTypeEnum _paramType;
    PropertySet _paramProps;
};

class ValueParamDescriptor : public ParamDescriptor {
public:
    using ParamDescriptor::ParamDescriptor;
    void setAnimates(bool v);
    void setIsPersistant(bool v);
    void setEvaluateOnChange(bool v);
    void setCanUndo(bool v);
    void setCacheInvalidation(CacheInvalidationEnum v);
};

class BaseDoubleParamDescriptor : public ValueParamDescriptor {
public:
    using ValueParamDescriptor::ValueParamDescriptor;
    void setDoubleType(DoubleTypeEnum v);
    // Hosts predating this property are tolerated: every failure is ignored.
    void setDefaultCoordinateSystem(DefaultCoordinateSystemEnum v);
    void setIncrement(double v);
    void setDigits(int v);
};

class DoubleParamDescriptor : public BaseDoubleParamDescriptor {
public:
    DoubleParamDescriptor(const std::string& name, OfxPropertySetHandle props)
        : BaseDoubleParamDescriptor(name, eDoubleParam, props)
    {
    }
    void setShowTimeMarker(bool v);
    void setDefault(double v);
    void setRange(double min, double max);
    void setDisplayRange(double min, double max);
};

class IntParamDescriptor : public ValueParamDescriptor {
public:
    IntParamDescriptor(const std::string& name, OfxPropertySetHandle props)
        : ValueParamDescriptor(name, eIntParam, props)
    {
    }
    void setDefault(int v);
    void setRange(int min, int max);
    void setDisplayRange(int min, int max);
};

class BooleanParamDescriptor : public ValueParamDescriptor {
public:
    BooleanParamDescriptor(const std::string& name, OfxPropertySetHandle props)
        : ValueParamDescriptor(name, eBooleanParam, props)
    {
    }
    void setDefault(bool v);
};

class ChoiceParamDescriptor : public ValueParamDescriptor {
public:
    ChoiceParamDescriptor(const std::string& name, OfxPropertySetHandle props)
        : ValueParamDescriptor(name, eChoiceParam, props)
    {
    }
    void setDefault(int v);
    // Appends at the end of the option list. A non-empty label is added to the hint
    // as "option: label"; an order other than INT_MIN goes to the option order.
    void appendOption(const std::string& option, const std::string& label = "",
                      int order = INT_MIN);
    int getNOptions();
    void resetOptions();
};

class GroupParamDescriptor : public ParamDescriptor {
public:
    GroupParamDescriptor(const std::string& name, OfxPropertySetHandle props)
        : ParamDescriptor(name, eGroupParam, props)
    {
    }
    void setOpen(bool v);
};

class PageParamDescriptor : public ParamDescriptor {
public:
    PageParamDescriptor(const std::string& name, OfxPropertySetHandle props)
        : ParamDescriptor(name, ePageParam, props)
    {
    }
    // Appends the parameter's name to the page's children.
    void addChild(const ParamDescriptor& p);
};

// The parameters of an effect descriptor; owns the descriptors it defines.
class ParamSetDescriptor {
public:
    ParamSetDescriptor();
    virtual ~ParamSetDescriptor();

    OfxParamSetHandle getParamSetHandle() const { return _paramSetHandle; }
    // NULL when no parameter of that name was defined.
    ParamDescriptor* getParamDescriptor(const std::string& name) const;

    // A define with a name already used returns the earlier descriptor when the type
    // matches and NULL when it does not.
    DoubleParamDescriptor* defineDoubleParam(const std::string& name);
    IntParamDescriptor* defineIntParam(const std::string& name);
    BooleanParamDescriptor* defineBooleanParam(const std::string& name);
    ChoiceParamDescriptor* defineChoiceParam(const std::string& name);
    GroupParamDescriptor* defineGroupParam(const std::string& name);
    PageParamDescriptor* definePageParam(const std::string& name);

    void setPageParamOrder(PageParamDescriptor& p);

protected:
    void setParamSetHandle(OfxParamSetHandle h);

private:
    template <typename T> T* defineParam(const std::string& name, ParamTypeEnum type);

    OfxParamSetHandle _paramSetHandle = nullptr;
    PropertySet _paramSetProps;
    std::map<std::string, std::unique_ptr<ParamDescriptor>> _definedParams;
};

// ------------------------------------------------------------------ instances

class Param {
public:
    Param(const std::string& name, ParamTypeEnum type, OfxParamHandle handle);
    virtual ~Param();

    const std::string& getName() const { return _paramName; }
    ParamTypeEnum getType() const { return _paramType; }
    OfxParamHandle getHandle() const { return _paramHandle; }
    PropertySet& getPropertySet() { return _paramProps; }

    void setLabel(const std::string& label);
    void setIsSecret(bool v);
    void setHint(const std::string& hint);
    void setEnabled(bool v);

    void getLabel(std::string& label) const;
    bool getIsSecret() const;
    bool getIsEnable() const;
    std::string getHint() const;
    std::string getScriptName() const;

protected:
    std::string _paramName;
    ParamTypeEnum _paramType;
    OfxParamHandle _paramHandle;
    PropertySet _paramProps;
};

class ValueParam : public Param {
public:
    using Param::Param;
    bool getIsAnimating() const;
    unsigned int getNumKeys() const;
};

class DoubleParam : public ValueParam {
public:
    DoubleParam(const std::string& name, OfxParamHandle handle)
        : ValueParam(name, eDoubleParam, handle)
    {
    }
    void getValue(double& v) const;
    double getValue() const;
    void getValueAtTime(double t, double& v) const;
    double getValueAtTime(double t) const;
    void setValue(double v);
    void setValueAtTime(double t, double v);
    void getDefault(double& v) const;
    void getRange(double& min, double& max) const;
    void getDisplayRange(double& min, double& max) const;
};

class IntParam : public ValueParam {
public:
    IntParam(const std::string& name, OfxParamHandle handle) : ValueParam(name, eIntParam, handle)
    {
    }
    void getValue(int& v) const;
    int getValue() const;
    void getValueAtTime(double t, int& v) const;
    int getValueAtTime(double t) const;
    void setValue(int v);
    void setValueAtTime(double t, int v);
};

class BooleanParam : public ValueParam {
public:
    BooleanParam(const std::string& name, OfxParamHandle handle)
        : ValueParam(name, eBooleanParam, handle)
    {
    }
    void getValue(bool& v) const;
    bool getValue() const;
    void getValueAtTime(double t, bool& v) const;
    bool getValueAtTime(double t) const;
    void setValue(bool v);
    void setValueAtTime(double t, bool v);
};

class ChoiceParam : public ValueParam {
public:
    ChoiceParam(const std::string& name, OfxParamHandle handle)
        : ValueParam(name, eChoiceParam, handle)
    {
    }
    void getValue(int& v) const;
    void getValueAtTime(double t, int& v) const;
    void setValue(int v);
    void setValueAtTime(double t, int v);
    int getNOptions() const;
    // The option text at ix; an index the host does not hold throws.
    void getOption(int ix, std::string& v) const;
    void appendOption(const std::string& option);
    void resetOptions();
};

// The parameters of an effect instance; owns the Param objects it hands out.
class ParamSet {
public:
    ParamSet();
    virtual ~ParamSet();

    OfxParamSetHandle getParamSetHandle() const { return _paramSetHandle; }
    bool paramExists(const std::string& name) const;

    // Cached by name; a type other than the host's throws Exception::TypeRequest.
    DoubleParam* fetchDoubleParam(const std::string& name) const;
    IntParam* fetchIntParam(const std::string& name) const;
    BooleanParam* fetchBooleanParam(const std::string& name) const;
    ChoiceParam* fetchChoiceParam(const std::string& name) const;

    void beginEditBlock(const std::string& name);
    void endEditBlock();

protected:
    void setParamSetHandle(OfxParamSetHandle h);

private:
    template <typename T> T* fetchParam(const std::string& name, ParamTypeEnum type) const;

    OfxParamSetHandle _paramSetHandle = nullptr;
    mutable std::map<std::string, std::unique_ptr<Param>> _fetchedParams;
};

} // namespace OFX

#endif
