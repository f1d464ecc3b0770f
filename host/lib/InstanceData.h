// Internal data of the public Effect, EffectDescriptor, Bundle and Instance classes.
#pragma once

#include "HostCore.h"
#include "Internal.h"

#include <ofxhost/Error.h>
#include <ofxhost/Host.h>

namespace ofxhost {

struct EffectDescriptor::Data {
    std::unique_ptr<EffectObject> object;
};

struct Effect::Data {
    HostCore* core = nullptr;
    OfxPlugin* plugin = nullptr;
    std::string identifier;
    unsigned versionMajor = 0;
    unsigned versionMinor = 0;
    std::string bundlePath;
    bool described = false; // Unload is sent only to a described plug-in
    std::unique_ptr<EffectDescriptor> descriptor;
    std::vector<std::pair<std::string, std::unique_ptr<EffectDescriptor>>> contexts;

    // Runs an action; `missing`, when given, receives what the effect asked for and this host
    // lacks while it ran.
    OfxStatus call(const char* action, const void* handle, PropertySet* in, PropertySet* out,
                   std::vector<std::string>* missing = nullptr) const;
    // Runs an action and throws Error (naming the effect, `what`, the status and any feature this
    // host lacks) unless it succeeds; returns kOfxStatOK or kOfxStatReplyDefault.
    OfxStatus perform(const std::string& what, const char* action, const void* handle,
                      PropertySet* in, PropertySet* out) const;
    // The error of `action` failing with `status` ("<effect>: <what> failed with <status>" and
    // what the host lacks).
    Error failure(const std::string& what, const char* action, OfxStatus status,
                  const std::vector<std::string>& missing) const;
};

struct Bundle::Data {
    std::string path;
    std::string binaryPath;
    void* library = nullptr;
    std::vector<std::unique_ptr<Effect>> effects;
    std::vector<SkippedEffect> skipped;
};

struct Instance::Data {
    const Effect::Data* effect = nullptr;
    std::unique_ptr<EffectObject> object;
    std::string context;
    bool created = false;
};

// Loads one effect of an open binary: hands it the host, runs load, describe and
// describe-in-context. Throws Error (the effect unloaded again) when it cannot be used.
std::unique_ptr<Effect> loadEffect(HostCore& core, OfxPlugin* plugin,
                                   const std::string& bundlePath);
std::string versionText(unsigned major, unsigned minor); // "2.3"

// Shared by the parts of the instance.
bool succeeded(OfxStatus status); // kOfxStatOK or kOfxStatReplyDefault
std::string numberText(double value);
std::string joinedNames(const std::vector<std::string>& names); // "a", "b" or (none)
ParamObject& findParam(EffectObject& effect, const std::string& name);
ClipObject& findClip(EffectObject& effect, const std::string& name);
void addRenderScale(PropertySet& args);
// Throws Error when an effect reading `image` by its bounds and row bytes would leave its memory.
void checkImage(const std::string& clip, const ImageDesc& image);
// Asks the effect for its clip preferences when they are stale and every mandatory input is
// connected, and applies them; throws Error when the effect fails or asks for what the host
// cannot give.
void refreshClipPreferences(Instance::Data& instance);
void markPreferencesStale(EffectObject& effect);
// The render and is-identity actions (after the clip preferences); `missing` as for
// Effect::Data::call.
OfxStatus renderAction(Instance::Data& instance, double time, const OfxRectI& window,
                       const GpuRenderArgs& gpu, std::vector<std::string>* missing);
IdentityResult identityAction(Instance::Data& instance, double time, const OfxRectI& window,
                              std::vector<std::string>* missing);

} // namespace ofxhost
