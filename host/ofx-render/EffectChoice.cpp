#include "EffectChoice.h"

#include "CommandLine.h"
#include "RenderSession.h"

#include <ofxImageEffect.h>

#include <algorithm>
#include <cctype>

namespace ofxrender {
namespace {

const std::string kContextPrefix = "OfxImageEffectContext";

// A whole number of at most six digits, or -1.
int versionNumber(const std::string& text)
{
    if (text.empty() || text.size() > 6 ||
        !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); }))
        return -1;
    return std::stoi(text);
}

std::string versioned(const std::string& id, unsigned major, unsigned minor)
{
    return id + ":" + std::to_string(major) + "." + std::to_string(minor);
}

std::string effectList(const ofxhost::Bundle& bundle)
{
    std::string list;
    for (const ofxhost::Effect* e : bundle.effects())
        list += (list.empty() ? "" : ", ") +
                versioned(e->identifier(), e->versionMajor(), e->versionMinor());
    return list.empty() ? "none" : list;
}

// "filter" for "OfxImageEffectContextFilter".
std::string shortContext(const std::string& context)
{
    std::string name =
        context.rfind(kContextPrefix, 0) == 0 ? context.substr(kContextPrefix.size()) : context;
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return name;
}

std::string contextList(const ofxhost::Effect& effect)
{
    std::string list;
    for (const auto& c : effect.contexts())
        list += (list.empty() ? "" : ", ") + shortContext(c);
    return list.empty() ? "none" : list;
}

// The contexts ofx-render can feed, in the order it picks them: a generator first where no
// input is given.
std::vector<const char*> renderContexts(bool withInputs)
{
    if (!withInputs)
        return {kOfxImageEffectContextGenerator, kOfxImageEffectContextFilter,
                kOfxImageEffectContextGeneral, kOfxImageEffectContextTransition};
    return {kOfxImageEffectContextFilter, kOfxImageEffectContextGeneral,
            kOfxImageEffectContextTransition, kOfxImageEffectContextGenerator};
}

bool hasClips(const ofxhost::EffectDescriptor& described, const std::vector<std::string>& clips)
{
    return std::all_of(clips.begin(), clips.end(),
                       [&](const std::string& c) { return described.clip(c) != nullptr; });
}

} // namespace

EffectName parseEffectName(const std::string& text)
{
    EffectName name;
    const auto colon = text.find(':');
    name.identifier = text.substr(0, colon);
    if (name.identifier.empty())
        throw UsageError("--effect: '" + text + "' names no effect");
    if (colon == std::string::npos)
        return name;
    const std::string version = text.substr(colon + 1);
    const auto dot = version.find('.');
    name.major = versionNumber(version.substr(0, dot));
    if (dot != std::string::npos)
        name.minor = versionNumber(version.substr(dot + 1));
    if (name.major < 0 || (dot != std::string::npos && name.minor < 0))
        throw UsageError("--effect: '" + text + "' is not ID, ID:MAJOR or ID:MAJOR.MINOR");
    return name;
}

ofxhost::Effect& chooseEffect(const ofxhost::Bundle& bundle, const std::string& text)
{
    if (text.empty()) {
        const auto effects = bundle.effects();
        if (effects.size() != 1)
            throw UsageError("the bundle has " + std::to_string(effects.size()) +
                             " effects; pick one with --effect (" + effectList(bundle) + ")");
        return *effects.front();
    }
    const EffectName name = parseEffectName(text);
    if (ofxhost::Effect* effect = bundle.effect(name.identifier, name.major, name.minor))
        return *effect;
    for (const ofxhost::SkippedEffect& s : bundle.skipped())
        if (s.identifier == name.identifier &&
            (name.major < 0 || unsigned(name.major) == s.versionMajor) &&
            (name.minor < 0 || unsigned(name.minor) == s.versionMinor))
            throw RenderError("effect " + versioned(s.identifier, s.versionMajor, s.versionMinor) +
                              " cannot be used: " + s.reason);
    throw UsageError("unknown effect '" + text + "' (the bundle has " + effectList(bundle) + ")");
}

std::string chooseContext(const ofxhost::Effect& effect, const std::string& name,
                          const std::vector<std::string>& clips)
{
    if (!name.empty()) {
        for (const auto& c : effect.contexts())
            if (name == c || name == shortContext(c))
                return c;
        throw UsageError("--context " + name + ": effect " + effect.identifier() +
                         " was described in " + contextList(effect));
    }
    const std::vector<const char*> contexts = renderContexts(!clips.empty());
    for (const char* wanted : contexts) {
        const ofxhost::EffectDescriptor* described = effect.contextDescriptor(wanted);
        if (described && hasClips(*described, clips))
            return wanted;
    }
    for (const char* wanted : contexts)
        if (effect.contextDescriptor(wanted))
            return wanted; // the missing clip is named when it is connected
    throw UsageError("effect " + effect.identifier() +
                     " has none of the filter, general, transition and generator contexts (it was "
                     "described in " +
                     contextList(effect) + ")");
}

} // namespace ofxrender
