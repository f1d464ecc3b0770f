// ofxhost: one effect instance: parameter values, clip images and the instance actions.
#pragma once

#include <ofxhost/PropertySet.h>
#include <ofxhost/Types.h>

#include <ofxImageEffect.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ofxhost {

class Instance {
public:
    ~Instance(); // "OfxActionDestroyInstance"
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    const std::string& context() const;
    PropertySet& properties(); // the instance's property set (InstanceData, Context, ...)

    // --- parameters (values are not animated: every time reads the same value) -------------
    std::vector<std::string> paramNames() const;           // definition order
    std::string paramType(const std::string& name) const;  // throws Error for an unknown name
    PropertySet& paramProperties(const std::string& name); // throws Error for an unknown name
    // Sets a double, integer or boolean parameter, or a choice by index (integral and in range).
    // Throws Error naming the parameter for an unknown name, a non-numeric type or a value
    // outside [OfxParamPropMin, OfxParamPropMax] (or outside the options of a choice).
    void setParam(const std::string& name, double value);
    // Sets a choice by option text (exact match). Throws Error listing the options otherwise.
    void setChoice(const std::string& name, const std::string& option);
    // Sets any parameter from text as given on a command line: a choice by option text, else by
    // index; a number for numeric types; "true"/"false"/"1"/"0" for booleans; text for strings.
    void setParamFromText(const std::string& name, const std::string& text);
    double paramDouble(const std::string& name, int component = 0) const; // numeric types
    int paramInt(const std::string& name, int component = 0) const;       // int, bool, choice
    std::string paramString(const std::string& name) const;               // string, custom
    std::vector<std::string> choiceOptions(const std::string& name) const;

    // --- clips ------------------------------------------------------------------------------
    std::vector<std::string> clipNames() const;
    PropertySet& clipProperties(const std::string& name); // throws Error for an unknown clip
    // Pixel depth and components of the clip instance (default: float RGBA).
    void setClipFormat(const std::string& clip, const std::string& pixelDepth,
                       const std::string& components);
    // Attaches the image a fetch at any time returns; also sets the clip's format and connects it.
    // Throws Error (keeping the previous image) for inverted bounds, null data under non-empty
    // bounds, or rows shorter than the bounds' width of pixels of a standard depth and components.
    void setClipImage(const std::string& clip, const ImageDesc& image);
    // Detaches it: the plug-in's clipGetImage then answers kOfxStatFailed (a null fetch).
    void clearClipImage(const std::string& clip);
    // Images fetched by the plug-in and not yet released.
    int liveImageCount() const;

    // --- actions (each returns the plug-in's status) -----------------------------------------
    OfxStatus render(double time, const OfxRectI& window, const GpuRenderArgs& gpu = {});
    IdentityResult isIdentity(double time, const OfxRectI& window);
    OfxStatus beginSequenceRender(double first, double last, const GpuRenderArgs& gpu = {},
                                  double step = 1.0, bool interactive = false);
    OfxStatus endSequenceRender(const GpuRenderArgs& gpu = {}, bool interactive = false);
    // Begin/InstanceChanged/End for one parameter or clip; the first non-success status wins
    // (kOfxStatReplyDefault counts as success and is returned as kOfxStatOK).
    OfxStatus paramChanged(const std::string& name, double time = 0.0,
                           const std::string& reason = "OfxChangeUserEdited");
    OfxStatus clipChanged(const std::string& name, double time = 0.0,
                          const std::string& reason = "OfxChangeUserEdited");

    // The image-effect suite's abort() answers what this returns (no hook: never abort).
    void setAbortHook(std::function<bool()> hook);

    struct Data;
    explicit Instance(std::unique_ptr<Data> data);
    OfxImageEffectHandle handle() const;

private:
    std::unique_ptr<Data> m_data;
};

// Renders the whole of a width x height RGBA float frame (rows bottom-up, tightly packed).
// `source` and `output` (host memory, or device buffers of the API `gpu` enables) are the
// Source and Output clips' images for this render only: detached however it ends.
OfxStatus renderWholeFrame(Instance& instance, double time, const void* source, void* output,
                           int width, int height, const GpuRenderArgs& gpu = {});

} // namespace ofxhost
