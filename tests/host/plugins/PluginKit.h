// What the small test effects of the host tests share: the suites, written straight against the
// C API, and helpers for what every one of them does. Each effect answers the actions it is about
// and kOfxStatReplyDefault to the rest.
#pragma once

#include <ofxImageEffect.h>
#include <ofxMessage.h>
#include <ofxParam.h>
#include <ofxParametricParam.h>

#include <cstring>
#include <initializer_list>
#include <string>

namespace kit {

extern OfxHost* g_host;
extern const OfxPropertySuiteV1* g_props;
extern const OfxImageEffectSuiteV1* g_effects;
extern const OfxParameterSuiteV1* g_params;
extern const OfxMessageSuiteV1* g_messages;

void setHost(OfxHost* host);
// Fetches the suites every effect needs; kOfxStatErrMissingHostFeature without one.
OfxStatus load();

// What a test effect does for the actions it answers; load fetches the suites, and an action
// without a function (or one `other` leaves, returning kOfxStatReplyDefault) gets that answer.
struct EffectSpec {
    OfxStatus (*describe)(OfxImageEffectHandle effect);
    OfxStatus (*describeInContext)(OfxImageEffectHandle effect, OfxPropertySetHandle in);
    OfxStatus (*render)(OfxImageEffectHandle effect, OfxPropertySetHandle in);
    OfxStatus (*other)(const char* action, OfxImageEffectHandle effect, OfxPropertySetHandle in,
                       OfxPropertySetHandle out);
};
OfxStatus dispatch(const EffectSpec& spec, const char* action, const void* handle,
                   OfxPropertySetHandle in, OfxPropertySetHandle out);
// The main entry of the effect `Spec` describes.
template <const EffectSpec& Spec>
OfxStatus mainEntry(const char* action, const void* handle, OfxPropertySetHandle in,
                    OfxPropertySetHandle out)
{
    return dispatch(Spec, action, handle, in, out);
}
const void* fetchSuite(const char* name, int version);

inline bool is(const char* a, const char* b)
{
    return a && b && std::strcmp(a, b) == 0;
}

void setStrings(OfxPropertySetHandle p, const char* name,
                std::initializer_list<const char*> values);
OfxPropertySetHandle propsOf(OfxImageEffectHandle effect);
// Label, contexts and depths of an effect; one it gives no depths supports float.
void describeEffect(OfxImageEffectHandle effect, const char* label,
                    std::initializer_list<const char*> contexts,
                    std::initializer_list<const char*> depths = {kOfxBitDepthFloat});
OfxPropertySetHandle defineClip(OfxImageEffectHandle effect, const char* name,
                                std::initializer_list<const char*> components = {
                                    kOfxImageComponentRGBA});
OfxPropertySetHandle defineParam(OfxImageEffectHandle effect, const char* type, const char* name);
OfxParamHandle param(OfxImageEffectHandle effect, const char* name);
std::string stringArg(OfxPropertySetHandle args, const char* name);
double timeArg(OfxPropertySetHandle args);
OfxRectI renderWindow(OfxPropertySetHandle args);
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
    int channels() const;
    int sampleBytes() const;
    // The first sample of pixel (x, y).
    char* at(int x, int y) const
    {
        return data + static_cast<long>(y - bounds.y1) * rowBytes +
               static_cast<long>(x - bounds.x1) * channels() * sampleBytes();
    }
    float* floatsAt(int x, int y) const { return reinterpret_cast<float*>(at(x, y)); }
};

// kOfxStatOK, or the suite's status (kOfxStatFailed: no image there).
OfxStatus fetch(OfxImageEffectHandle effect, const char* clip, double time, Image& image);
bool connected(OfxImageEffectHandle effect, const char* clip);

} // namespace kit
