// Parameter values set by the host: numbers of every component, choices, text and curves, each
// checked before it is stored.
#include "Curve.h"
#include "InstanceData.h"

#include <ofxhost/Error.h>

#include <ofxParametricParam.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace ofxhost {
namespace {

// Parses the whole text as a number; false for empty text, trailing characters or overflow.
bool parseNumber(const std::string& text, double* value)
{
    if (text.empty())
        return false;
    errno = 0;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || errno == ERANGE)
        return false;
    *value = v;
    return true;
}

std::string trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Pieces of `text` between any of `separators`, trimmed; empty pieces dropped when `dropEmpty`.
std::vector<std::string> split(const std::string& text, const std::string& separators,
                               bool dropEmpty)
{
    std::vector<std::string> pieces;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find_first_of(separators, start);
        if (end == std::string::npos)
            end = text.size();
        const std::string piece = trimmed(text.substr(start, end - start));
        if (!piece.empty() || !dropEmpty)
            pieces.push_back(piece);
        start = end + 1;
    }
    return pieces;
}

double limit(const PropertySet& props, const char* name, int component, double fallback)
{
    if (!props.has(name) || props.dimension(name) <= component)
        return fallback;
    return props.type(name) == PropType::Int ? props.getInt(name, component)
                                             : props.getDouble(name, component);
}

// Checks every component against [Min, Max] (a choice against its options, a boolean 0 or 1).
void checkValues(const ParamObject& p, const std::vector<double>& values)
{
    const auto [n, numeric, integral] = valueShape(p.type);
    const std::string name = "parameter \"" + p.name + "\"";
    if (static_cast<int>(values.size()) != n)
        throw Error(name + " (" + p.type + ") takes " + std::to_string(n) + " value" +
                    (n == 1 ? "" : "s") + ", got " + std::to_string(values.size()));
    for (int i = 0; i < n; ++i) {
        const double v = values[i];
        const std::string which = n == 1 ? "" : " (component " + std::to_string(i) + ")";
        if (!std::isfinite(v))
            throw Error("value for " + name + which + " is not a finite number");
        if (integral && v != std::floor(v))
            throw Error(name + " takes whole numbers, got " + numberText(v));
        if (p.type == kOfxParamTypeChoice) {
            const auto options = p.props.getStrings(kOfxParamPropChoiceOption);
            if (v < 0 || v >= static_cast<double>(options.size()))
                throw Error("option index " + numberText(v) + " for " + name + " is outside 0 to " +
                            std::to_string(static_cast<long>(options.size()) - 1) +
                            " (options: " + joinedNames(options) + ")");
        } else if (p.type == kOfxParamTypeBoolean) {
            if (v != 0 && v != 1)
                throw Error(name + " is a boolean: 0 or 1");
        } else {
            const double lo = limit(p.props, kOfxParamPropMin, i, -HUGE_VAL);
            const double hi = limit(p.props, kOfxParamPropMax, i, HUGE_VAL);
            if (!(v >= lo && v <= hi))
                throw Error("value " + numberText(v) + " for " + name + which +
                            " is outside its range " + numberText(lo) + " to " + numberText(hi));
        }
    }
}

std::vector<std::string> stringsOf(const ParamObject& p, const char* name)
{
    return p.props.has(name) && p.props.type(name) == PropType::String ? p.props.getStrings(name)
                                                                       : std::vector<std::string>{};
}

// The stored value of a string choice picked by label, by stored value or by index.
std::optional<std::string> strChoiceValue(const ParamObject& p, const std::string& text)
{
    const auto labels = stringsOf(p, kOfxParamPropChoiceOption);
    const auto values = stringsOf(p, kOfxParamPropChoiceEnum);
    for (size_t i = 0; i < values.size(); ++i)
        if (values[i] == text || (i < labels.size() && labels[i] == text))
            return values[i];
    double index = 0;
    if (parseNumber(text, &index) && index >= 0 && index < double(values.size()) &&
        index == std::floor(index))
        return values[static_cast<size_t>(index)];
    return std::nullopt;
}

// "x:y x:y ..." for one curve, curves separated by ';' (one curve given sets them all).
std::vector<Curve> parseCurves(const ParamObject& p, const std::string& text)
{
    const size_t count = p.curves.size();
    const auto texts = split(text, ";", false);
    if (texts.size() != 1 && texts.size() != count)
        throw Error("parameter \"" + p.name + "\" has " + std::to_string(count) +
                    " curves: give one for all or one per curve, separated by ';'");
    std::vector<Curve> curves;
    for (const auto& curveText : texts) {
        Curve curve;
        for (const auto& point : split(curveText, " \t,", true)) {
            const auto colon = point.find(':');
            double x = 0, y = 0;
            if (colon == std::string::npos || !parseNumber(point.substr(0, colon), &x) ||
                !parseNumber(point.substr(colon + 1), &y))
                throw Error("parameter \"" + p.name + "\": \"" + point +
                            "\" is not a control point POSITION:VALUE");
            curve.push_back({x, y});
        }
        curves.push_back(curve);
    }
    if (curves.size() == 1)
        curves.resize(count, curves.front());
    return curves;
}

bool isSlaveOfPreferences(const EffectObject& effect, const std::string& name)
{
    if (!effect.props.has(kOfxImageEffectPropClipPreferencesSlaveParam))
        return false;
    const auto slaves = effect.props.getStrings(kOfxImageEffectPropClipPreferencesSlaveParam);
    return std::find(slaves.begin(), slaves.end(), name) != slaves.end();
}

} // namespace

std::vector<std::string> Instance::paramNames() const
{
    std::lock_guard<std::mutex> lock(m_data->object->paramSet.mutex);
    std::vector<std::string> names;
    for (const auto& p : m_data->object->paramSet.params)
        names.push_back(p->name);
    return names;
}

std::string Instance::paramType(const std::string& name) const
{
    return findParam(*m_data->object, name).type;
}

PropertySet& Instance::paramProperties(const std::string& name)
{
    return findParam(*m_data->object, name).props;
}

void Instance::setParam(const std::string& name, double value)
{
    ParamObject& p = findParam(*m_data->object, name);
    const auto [n, numeric, integral] = valueShape(p.type);
    if (!numeric)
        throw Error("parameter \"" + name + "\" (" + p.type + ") does not take a number");
    if (n != 1)
        throw Error("parameter \"" + name + "\" (" + p.type + ") has " + std::to_string(n) +
                    " components: give all " + std::to_string(n) + " values");
    setParam(name, std::vector<double>{value});
}

void Instance::setParam(const std::string& name, const std::vector<double>& values)
{
    ParamObject& p = findParam(*m_data->object, name);
    if (!valueShape(p.type).numeric)
        throw Error("parameter \"" + name + "\" (" + p.type + ") does not take numbers");
    checkValues(p, values);
    {
        std::lock_guard<std::mutex> lock(p.valueMutex);
        p.numbers = values;
    }
    if (isSlaveOfPreferences(*m_data->object, name))
        markPreferencesStale(*m_data->object);
}

void Instance::setChoice(const std::string& name, const std::string& option)
{
    ParamObject& p = findParam(*m_data->object, name);
    if (p.type == kOfxParamTypeStrChoice) {
        const auto value = strChoiceValue(p, option);
        if (!value)
            throw Error("unknown option \"" + option + "\" for parameter \"" + name +
                        "\" (options: " + joinedNames(stringsOf(p, kOfxParamPropChoiceOption)) +
                        ")");
        return setParamString(name, *value);
    }
    if (p.type != kOfxParamTypeChoice)
        throw Error("parameter \"" + name + "\" is not a choice");
    const auto options = stringsOf(p, kOfxParamPropChoiceOption);
    for (size_t i = 0; i < options.size(); ++i)
        if (options[i] == option)
            return setParam(name, static_cast<double>(i));
    throw Error("unknown option \"" + option + "\" for parameter \"" + name +
                "\" (options: " + joinedNames(options) + ")");
}

void Instance::setParamString(const std::string& name, const std::string& text)
{
    ParamObject& p = findParam(*m_data->object, name);
    if (p.type == kOfxParamTypeStrChoice) {
        const auto values = stringsOf(p, kOfxParamPropChoiceEnum);
        if (std::find(values.begin(), values.end(), text) == values.end())
            throw Error("parameter \"" + name + "\" has no option \"" + text +
                        "\" (values: " + joinedNames(values) + ")");
    } else if (p.type != kOfxParamTypeString && p.type != kOfxParamTypeCustom) {
        throw Error("parameter \"" + name + "\" (" + p.type + ") does not hold text");
    }
    {
        std::lock_guard<std::mutex> lock(p.valueMutex);
        p.text = text;
    }
    if (isSlaveOfPreferences(*m_data->object, name))
        markPreferencesStale(*m_data->object);
}

void Instance::setCurve(const std::string& name, int index, const std::vector<OfxPointD>& points)
{
    ParamObject& p = findParam(*m_data->object, name);
    if (p.type != kOfxParamTypeParametric)
        throw Error("parameter \"" + name + "\" (" + p.type + ") is not parametric");
    std::lock_guard<std::mutex> lock(p.valueMutex);
    if (index < 0 || index >= static_cast<int>(p.curves.size()))
        throw Error("parameter \"" + name + "\" has no curve " + std::to_string(index) +
                    " (it has " + std::to_string(p.curves.size()) + ")");
    Curve curve;
    for (const OfxPointD& point : points) {
        if (!std::isfinite(point.x) || !std::isfinite(point.y))
            throw Error("parameter \"" + name + "\": control points must be finite numbers");
        const size_t before = curve.size();
        addCurvePoint(curve, point);
        if (curve.size() == before)
            throw Error("parameter \"" + name + "\": two control points at position " +
                        numberText(point.x));
    }
    p.curves[static_cast<size_t>(index)] = curve;
}

void Instance::setParamFromText(const std::string& name, const std::string& text)
{
    ParamObject& p = findParam(*m_data->object, name);
    const auto [n, numeric, integral] = valueShape(p.type);
    if (p.type == kOfxParamTypeChoice || p.type == kOfxParamTypeStrChoice) {
        double index = 0;
        for (const auto& o : stringsOf(p, kOfxParamPropChoiceOption))
            if (o == text)
                return setChoice(name, text);
        if (p.type == kOfxParamTypeStrChoice)
            return setChoice(name, text); // a stored value or an index
        if (parseNumber(text, &index))
            return setParam(name, index);
        return setChoice(name, text); // names the options
    }
    if (p.type == kOfxParamTypeBoolean) {
        if (text == "true" || text == "1" || text == "yes" || text == "on")
            return setParam(name, 1);
        if (text == "false" || text == "0" || text == "no" || text == "off")
            return setParam(name, 0);
        throw Error("parameter \"" + name + "\" is a boolean: true or false, got \"" + text + "\"");
    }
    if (p.type == kOfxParamTypeString || p.type == kOfxParamTypeCustom)
        return setParamString(name, text);
    if (p.type == kOfxParamTypeParametric) {
        const auto curves = parseCurves(p, text);
        for (size_t i = 0; i < curves.size(); ++i)
            setCurve(name, static_cast<int>(i), curves[i]);
        return;
    }
    if (!numeric)
        throw Error("parameter \"" + name + "\" (" + p.type + ") holds no value to set");
    std::vector<double> values;
    for (const auto& piece : split(text, ",", false)) {
        double v = 0;
        if (!parseNumber(piece, &v))
            throw Error("parameter \"" + name + "\" needs " +
                        (n == 1 ? std::string("a number") : std::to_string(n) + " numbers X,Y...") +
                        ", got \"" + text + "\"");
        values.push_back(v);
    }
    setParam(name, values);
}

double Instance::paramDouble(const std::string& name, int component) const
{
    ParamObject& p = findParam(*m_data->object, name);
    std::lock_guard<std::mutex> lock(p.valueMutex);
    if (component < 0 || component >= static_cast<int>(p.numbers.size()))
        throw Error("parameter \"" + name + "\" has no numeric component " +
                    std::to_string(component));
    return p.numbers[component];
}

int Instance::paramInt(const std::string& name, int component) const
{
    return static_cast<int>(paramDouble(name, component));
}

std::string Instance::paramString(const std::string& name) const
{
    ParamObject& p = findParam(*m_data->object, name);
    if (p.type != kOfxParamTypeString && p.type != kOfxParamTypeCustom &&
        p.type != kOfxParamTypeStrChoice)
        throw Error("parameter \"" + name + "\" holds no text");
    std::lock_guard<std::mutex> lock(p.valueMutex);
    return p.text;
}

std::vector<OfxPointD> Instance::curve(const std::string& name, int index) const
{
    ParamObject& p = findParam(*m_data->object, name);
    std::lock_guard<std::mutex> lock(p.valueMutex);
    if (index < 0 || index >= static_cast<int>(p.curves.size()))
        throw Error("parameter \"" + name + "\" has no curve " + std::to_string(index));
    return p.curves[static_cast<size_t>(index)];
}

std::vector<std::string> Instance::choiceOptions(const std::string& name) const
{
    ParamObject& p = findParam(*m_data->object, name);
    if (!p.props.has(kOfxParamPropChoiceOption))
        throw Error("parameter \"" + name + "\" is not a choice");
    return p.props.getStrings(kOfxParamPropChoiceOption);
}

} // namespace ofxhost
