// Internal data of the public Effect, EffectDescriptor, Bundle and Instance classes.
#pragma once

#include "HostCore.h"
#include "Internal.h"

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

    OfxStatus call(const char* action, const void* handle, PropertySet* in, PropertySet* out) const;
};

struct Bundle::Data {
    std::string path;
    std::string binaryPath;
    void* library = nullptr;
    std::vector<std::unique_ptr<Effect>> effects;
};

struct Instance::Data {
    const Effect::Data* effect = nullptr;
    std::unique_ptr<EffectObject> object;
    std::string context;
    bool created = false;
};

} // namespace ofxhost
