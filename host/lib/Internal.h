// Internal objects behind the handles the host gives to plug-ins. Every object starts with a magic
// word so that a suite can tell a live handle of the right kind from a stale or foreign one.
#pragma once

#include "PixelFormat.h"

#include <ofxhost/PropertySet.h>
#include <ofxhost/Types.h>

#include <ofxImageEffect.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
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
    // any int); string and custom types keep text; parametric ones their curves' control points
    // (descriptors hold the default curves), sorted by position.
    mutable std::mutex valueMutex;
    std::vector<double> numbers;
    std::string text;
    std::vector<std::vector<OfxPointD>> curves;

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

    // Instance only; `mutex` guards the state, `frameMutex` serialises calls of the input.
    mutable std::mutex mutex;
    bool connected = false;
    // Images handed over exactly as attached (setClipImage, setClipFormat): the effect's clip
    // preferences do not change what this clip reports.
    bool pinned = false;
    std::string depth = kOfxBitDepthFloat; // what the effect is given
    std::string components = kOfxImageComponentRGBA;
    std::shared_ptr<const ClipInput> input; // null: every fetch finds no image
    std::mutex frameMutex;

    bool isOutput() const { return name == "Output"; }
    // The input's frame at `time` (nullopt without one); safe from any thread.
    std::optional<ClipFrame> frameAt(double time);
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
    ProjectSettings project;
    std::string context;
    // The clip preferences are asked again before the next action once something they depend on
    // changed (a connection, a parameter the effect named as their slave).
    std::mutex preferencesMutex;
    bool preferencesStale = true;
    std::mutex messageMutex;
    std::optional<Message> persistentMessage; // set and cleared through the message suite

    EffectObject() { paramSet.effect = this; }
    ~EffectObject() { magic = kDeadObject; }
    ClipObject* findClip(const std::string& name);
    OfxImageEffectHandle handle() { return reinterpret_cast<OfxImageEffectHandle>(this); }
    static EffectObject* fromHandle(OfxImageEffectHandle h);
    static EffectObject* fromVoid(const void* h);
};

// Copies every property (pointers too when `withPointers`) of one set into another.
void copyProperties(const PropertySet& from, PropertySet& to, bool withPointers);
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
// Makes an instance (props, params with default values, clips) from a context descriptor;
// normalised defaults of spatial parameters become canonical with the project's size.
std::unique_ptr<EffectObject> makeInstanceObject(EffectObject& descriptor,
                                                 const std::string& context,
                                                 const ProjectSettings& project,
                                                 bool gpuProperties);
// Writes a clip instance's state (connection, formats, frame range) into its properties; call
// with the clip's mutex held.
void publishClipState(ClipObject& clip);
// Canonical regions of definition: a clip's at a time (its frame's; the effect's default for an
// Output without one; empty without a frame), and the default of the effect itself.
OfxRectD clipRegionOfDefinition(ClipObject& clip, double time);
OfxRectD defaultRegionOfDefinition(EffectObject& effect, double time);

// Names of the GPU capability properties a host without GPU support refuses.
const std::vector<std::string>& gpuCapabilityProperties();
const std::vector<std::string>& gpuRenderArgumentProperties();

// Image property sets handed out by clipGetImage, released by clipReleaseImage; `owner` keeps
// the pixels alive until then.
PropertySet* registerImage(std::unique_ptr<PropertySet> image, EffectObject* effect,
                           std::shared_ptr<const void> owner);
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
const void* parametricSuite();

} // namespace ofxhost
