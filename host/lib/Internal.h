// Internal objects behind the handles the host gives to plug-ins. Every object starts with a magic
// word so that a suite can tell a live handle of the right kind from a stale or foreign one.
#pragma once

#include <ofxhost/PropertySet.h>
#include <ofxhost/Types.h>

#include <ofxImageEffect.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace ofxhost {

class HostCore;
struct EffectObject;

enum ObjectMagic : std::uint32_t {
    kEffectMagic = 0x45464354u,   // "EFCT"
    kClipMagic = 0x434c4950u,     // "CLIP"
    kParamMagic = 0x5041524du,    // "PARM"
    kParamSetMagic = 0x50534554u, // "PSET"
    kMemoryMagic = 0x4d454d4fu,   // "MEMO"
    kDeadObject = 0u
};

struct ParamObject {
    std::uint32_t magic = kParamMagic;
    std::string name;
    std::string type; // OfxParamType... string
    PropertySet props{PropertySet::Policy::Open};
    EffectObject* effect = nullptr;

    // Instance value (not animated). Numeric types keep every component as a double (exact for
    // any int); string and custom types keep text.
    mutable std::mutex valueMutex;
    std::vector<double> numbers;
    std::string text;

    ~ParamObject() { magic = kDeadObject; }
    static ParamObject* fromHandle(OfxParamHandle h);
};

struct ParamSetObject {
    std::uint32_t magic = kParamSetMagic;
    EffectObject* effect = nullptr;
    std::mutex mutex;
    std::vector<std::unique_ptr<ParamObject>> params; // definition order

    ParamObject* find(const std::string& name) const;
    ~ParamSetObject() { magic = kDeadObject; }
    static ParamSetObject* fromHandle(OfxParamSetHandle h);
};

struct ClipObject {
    std::uint32_t magic = kClipMagic;
    std::string name;
    PropertySet props{PropertySet::Policy::Open};
    EffectObject* effect = nullptr;
    mutable std::mutex imageMutex;
    bool hasImage = false;
    ImageDesc image;

    ~ClipObject() { magic = kDeadObject; }
    static ClipObject* fromHandle(OfxImageClipHandle h);
};

// A descriptor (describe / describe-in-context) or an instance.
struct EffectObject {
    std::uint32_t magic = kEffectMagic;
    bool isInstance = false;
    HostCore* core = nullptr;
    PropertySet props{PropertySet::Policy::Open};
    ParamSetObject paramSet;
    std::mutex clipMutex;
    std::vector<std::unique_ptr<ClipObject>> clips; // definition order

    // Instance only.
    std::mutex abortMutex;
    std::function<bool()> abortHook;
    std::atomic<int> liveImages{0};
    std::atomic<double> currentTime{0.0};

    EffectObject() { paramSet.effect = this; }
    ~EffectObject() { magic = kDeadObject; }
    ClipObject* findClip(const std::string& name);
    OfxImageEffectHandle handle() { return reinterpret_cast<OfxImageEffectHandle>(this); }
    static EffectObject* fromHandle(OfxImageEffectHandle h);
    static EffectObject* fromVoid(const void* h);
};

// Default property values the host puts on new objects.
void initEffectDescriptorProps(PropertySet& props, const std::string& bundlePath,
                               bool gpuProperties);
void initClipDescriptorProps(PropertySet& props, const std::string& name);
void initParamDescriptorProps(PropertySet& props, const std::string& name, const std::string& type);
// The value of a parameter type: how many components, numbers or text, whole numbers or not.
struct ParamTypeInfo {
    int components = 0;
    bool numeric = false;
    bool integral = false;
};
// The shape of `type`'s value; null for a type the host cannot define.
const ParamTypeInfo* findParamType(const std::string& type);
// The same for a defined parameter's type; an unknown type reads as one without a value.
const ParamTypeInfo& valueShape(const std::string& type);
// Makes an instance (props, params with default values, clips) from a context descriptor.
std::unique_ptr<EffectObject> makeInstanceObject(EffectObject& descriptor,
                                                 const std::string& context, bool gpuProperties);

// Names of the GPU capability properties a host without GPU support refuses.
const std::vector<std::string>& gpuCapabilityProperties();
const std::vector<std::string>& gpuRenderArgumentProperties();

// Image property sets handed out by clipGetImage, released by clipReleaseImage.
PropertySet* registerImage(std::unique_ptr<PropertySet> image, EffectObject* owner);
OfxStatus releaseImage(OfxPropertySetHandle handle);
void releaseImagesOf(EffectObject* owner);

// Suites handed out by fetchSuite.
const void* propertySuite();
const void* imageEffectSuite();
const void* parameterSuite();
const void* memorySuite();
const void* multiThreadSuite();
const void* messageSuiteV1();
const void* messageSuiteV2();
const void* progressSuiteV1();
const void* progressSuiteV2();
const void* timeLineSuite();

} // namespace ofxhost
