// What the small test effects of the host tests share, written straight against the C API: the
// suites, an effect described by a record of what it does, and helpers. Each effect answers the
// actions it is about and kOfxStatReplyDefault to the rest.
#pragma once

#include <ofxImageEffect.h>
#include <ofxMessage.h>
#include <ofxParam.h>
#include <ofxParametricParam.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

namespace kit {

extern const OfxPropertySuiteV1* g_props;
extern const OfxImageEffectSuiteV1* g_effects;
extern const OfxParameterSuiteV1* g_params;
extern const OfxMessageSuiteV1* g_messages;

void setHost(OfxHost* host);
const void* fetchSuite(const char* name, int version);

// The kit loads the effect (fetching the suites), describes it with its label, contexts and
// depths (none: float) and, where it gives no describeInContext, with a Source and an Output
// clip. `first` sees every action before the kit does; kOfxStatReplyDefault leaves it to the kit.
struct EffectRecord {
    struct Name {
        const char* id;
        unsigned versionMajor, versionMinor;
        const char* label;
    } name;
    std::vector<const char*> contexts;
    std::vector<const char*> depths;
    struct Actions {
        OfxStatus (*describe)(OfxImageEffectHandle effect);
        OfxStatus (*describeInContext)(OfxImageEffectHandle effect, OfxPropertySetHandle in);
        OfxStatus (*render)(OfxImageEffectHandle effect, OfxPropertySetHandle in);
        OfxStatus (*first)(const char* action, OfxImageEffectHandle effect, OfxPropertySetHandle in,
                           OfxPropertySetHandle out);
    } actions;
};
OfxStatus dispatch(const EffectRecord& record, const char* action, const void* handle,
                   OfxPropertySetHandle in, OfxPropertySetHandle out);
template <const EffectRecord& Record>
OfxStatus mainEntry(const char* action, const void* handle, OfxPropertySetHandle in,
                    OfxPropertySetHandle out)
{
    return dispatch(Record, action, handle, in, out);
}
template <const EffectRecord& Record> OfxPlugin* plugin()
{
    static OfxPlugin p = {
        kOfxImageEffectPluginApi, 1,       Record.name.id,   Record.name.versionMajor,
        Record.name.versionMinor, setHost, mainEntry<Record>};
    return &p;
}
// The effects of a bundle, in order: each bundle's own file defines it; the kit exports them.
const std::vector<OfxPlugin*>& bundle();

inline bool is(const char* a, const char* b)
{
    return a && b && std::strcmp(a, b) == 0;
}

void setStrings(OfxPropertySetHandle p, const char* name, const std::vector<const char*>& values);
OfxPropertySetHandle propsOf(OfxImageEffectHandle effect);
OfxPropertySetHandle defineClip(OfxImageEffectHandle effect, const char* name,
                                std::initializer_list<const char*> components = {
                                    kOfxImageComponentRGBA});
void defineSourceAndOutput(OfxImageEffectHandle effect);
OfxPropertySetHandle defineParam(OfxImageEffectHandle effect, const char* type, const char* name);
OfxParamHandle param(OfxImageEffectHandle effect, const char* name);
// A one-number parameter's value at `time`.
double doubleAt(OfxImageEffectHandle effect, const char* name, double time);
int intAt(OfxImageEffectHandle effect, const char* name, double time);
std::string stringArg(OfxPropertySetHandle args, const char* name);
double timeArg(OfxPropertySetHandle args);
// Writes a value into the instance's properties for the test to read.
void note(OfxImageEffectHandle instance, const std::string& name, const std::string& value);

// An image fetched from a clip, released when it goes.
struct Image {
    OfxPropertySetHandle handle = nullptr;
    char* data = nullptr;
    int rowBytes = 0;
    OfxRectI bounds{0, 0, 0, 0};
    std::string depth, components;

    Image() = default;
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;
    ~Image();
    bool contains(int x, int y) const
    {
        return x >= bounds.x1 && x < bounds.x2 && y >= bounds.y1 && y < bounds.y2;
    }
    int pixelBytes() const;
    char* at(int x, int y) const
    {
        return data + static_cast<long>(y - bounds.y1) * rowBytes +
               static_cast<long>(x - bounds.x1) * pixelBytes();
    }
    float* floatsAt(int x, int y) const { return reinterpret_cast<float*>(at(x, y)); }
    // Channel c of (x, y), or `outside` where the image has no pixel.
    float sample(int x, int y, int c, float outside = 0.0f) const
    {
        return contains(x, y) ? floatsAt(x, y)[c] : outside;
    }
};

// kOfxStatOK, or the suite's status (kOfxStatFailed: no image there).
OfxStatus fetch(OfxImageEffectHandle effect, const char* clip, double time, Image& image);
bool connected(OfxImageEffectHandle effect, const char* clip);

// What most renders work on: the time and window, and Source and Output at that time.
struct Frame {
    double time = 0;
    OfxRectI window{0, 0, 0, 0};
    Image src, dst;
    template <typename F> void forEach(F f) const
    {
        for (int y = window.y1; y < window.y2; ++y)
            for (int x = window.x1; x < window.x2; ++x)
                f(x, y);
    }
};
// The time and window of a render, and Output at that time.
OfxStatus fetchOutput(OfxImageEffectHandle effect, OfxPropertySetHandle in, Frame& frame);
// ... and Source too; kOfxStatFailed where either clip gives no image.
OfxStatus fetchFrame(OfxImageEffectHandle effect, OfxPropertySetHandle in, Frame& frame);

} // namespace kit
