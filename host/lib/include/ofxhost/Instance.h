// ofxhost: one effect instance: parameter values, clip images and the instance actions.
#pragma once

#include <ofxhost/PropertySet.h>
#include <ofxhost/Types.h>

#include <ofxImageEffect.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ofxhost {

struct RenderedFrame;

class Instance {
public:
    ~Instance(); // "OfxActionDestroyInstance"
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    const std::string& context() const;
    PropertySet& properties(); // the instance's property set (InstanceData, Context, ...)
    const ProjectSettings& project() const;

    // --- parameters (values are not animated: every time reads the same value) -------------
    std::vector<std::string> paramNames() const;           // definition order
    std::string paramType(const std::string& name) const;  // throws Error for an unknown name
    PropertySet& paramProperties(const std::string& name); // throws Error for an unknown name
    // Sets a parameter of one numeric component (double, integer, boolean, a choice by index)
    // or of several (2D and 3D doubles and integers, RGB, RGBA), every component at once. Values
    // of spatial parameters are canonical coordinates. Throws Error naming the parameter, and
    // keeps the value, for an unknown name, the wrong type or count, or a value outside
    // [OfxParamPropMin, OfxParamPropMax] (the options of a choice, 0 or 1 for a boolean).
    void setParam(const std::string& name, double value);
    void setParam(const std::string& name, const std::vector<double>& values);
    // Sets a choice or string choice by option text (a string choice also by stored value).
    // Throws Error listing the options otherwise.
    void setChoice(const std::string& name, const std::string& option);
    // Sets a string or custom parameter (or a string choice by stored value).
    void setParamString(const std::string& name, const std::string& text);
    // Replaces curve `index` of a parametric parameter with these control points.
    void setCurve(const std::string& name, int index, const std::vector<OfxPointD>& points);
    // Sets any parameter from text as given on a command line: a choice by option text, else by
    // index; numbers separated by commas ("32,24") for numeric types; "true"/"false"/"1"/"0"
    // for booleans; the text itself for strings and custom parameters; control points
    // "POSITION:VALUE ..." for a parametric parameter, one list for all curves or one per curve
    // separated by ';'.
    void setParamFromText(const std::string& name, const std::string& text);
    double paramDouble(const std::string& name, int component = 0) const; // numeric types
    int paramInt(const std::string& name, int component = 0) const;       // int, bool, choice
    std::string paramString(const std::string& name) const; // string, custom, string choice
    std::vector<OfxPointD> curve(const std::string& name, int index) const; // parametric
    std::vector<std::string> choiceOptions(const std::string& name) const;

    // --- clips ------------------------------------------------------------------------------
    std::vector<std::string> clipNames() const;
    PropertySet& clipProperties(const std::string& name); // throws Error for an unknown clip
    // Connects an input clip as a host does: the effect fetches frames of `input` at any time,
    // converted to the depth and components it prefers. Input clips start unconnected (a fetch
    // finds no image); Output is always connected. Connecting or disconnecting has the clip
    // preferences asked again before the next action.
    void connectClip(const std::string& clip, ClipInput input);
    void disconnectClip(const std::string& clip);
    bool clipConnected(const std::string& clip) const;
    // Pins the clip to report this pixel depth and components, whatever its preferences say.
    void setClipFormat(const std::string& clip, const std::string& pixelDepth,
                       const std::string& components);
    // Attaches the image a fetch at any time returns, handed over exactly as given (no
    // conversion; the clip reports its format and is connected). Throws Error (keeping the
    // previous image) for inverted bounds, null data under non-empty bounds, or rows shorter than
    // the bounds' width of pixels of a standard depth and components.
    void setClipImage(const std::string& clip, const ImageDesc& image);
    // Detaches it: the plug-in's clipGetImage then answers kOfxStatFailed (a null fetch).
    void clearClipImage(const std::string& clip);
    // Images fetched by the plug-in and not yet released.
    int liveImageCount() const;

    // The persistent message the plug-in set on this instance and has not cleared (every message
    // is also in Host::messages()).
    std::optional<Message> persistentMessage() const;

    // --- what the effect tells the host (each throws Error naming the action and the status
    // when the effect fails it) ---------------------------------------------------------------
    // Asks for the clip preferences now if anything they depend on changed since they were
    // last asked (every action below, render and is-identity do this first). Not asked while a
    // mandatory input is unconnected.
    void updateClipPreferences();
    // Canonical coordinates; the host's default (the mandatory inputs', or the project) when
    // the effect leaves it.
    OfxRectD regionOfDefinition(double time);
    // The region of each input clip needed to render `region` of the output (canonical).
    std::map<std::string, OfxRectD> regionsOfInterest(double time, const OfxRectD& region);
    // The frames of each input clip needed to render the frame at `time`; only effects that
    // asked for temporal clip access are asked, the others need the frame at `time`.
    std::map<std::string, std::vector<OfxRangeD>> framesNeeded(double time);

    // Renders the frame at `time` as a host does on the CPU: clip preferences, region of
    // definition, is-identity (the clip shown is then passed through, converted to float RGBA),
    // then the render into an image the host allocates in the depth and components the effect
    // prefers, converted back to float RGBA. When the effect renders float RGBA of exactly the
    // bounds of `target` (host memory, float RGBA), it renders into `target` instead. Throws Error
    // when a mandatory input is unconnected, the effect fails an action, or the region is empty
    // or too large.
    RenderedFrame renderFrame(double time, const ImageDesc* target = nullptr);

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
    friend OfxStatus renderImages(Instance&, double, const ImageDesc&, const ImageDesc&,
                                  const OfxRectI&, const GpuRenderArgs&);
    std::unique_ptr<Data> m_data;
};

// One frame as a host renders it on the CPU: the effect's region of definition in pixels,
// float RGBA whatever the effect rendered in.
struct RenderedFrame {
    OfxRectI bounds{0, 0, 0, 0};
    std::vector<float> pixels; // rows from bounds.y1 up, packed; empty when inTarget
    bool inTarget = false;     // rendered into the target renderFrame was given
    // The clip and time passed through when the effect was an identity; empty when it rendered.
    std::string identityClip;
    double identityTime = 0.0;
    // Pixels the effect left unwritten; counted only when it renders float RGBA (the others
    // have no sample value to mark them with).
    std::size_t unwrittenPixels = 0;
};

// What an output sample holds until the effect writes it (renderFrame fills its float RGBA
// outputs so): a signalling NaN that arithmetic never produces.
float unwrittenSample();
bool isUnwrittenSample(float value);

// Renders `window` with `source` and `output` (host memory, or device memory of the API `gpu`
// enables) as the Source and Output clips' images for this render only: both clips are as they
// were afterwards, however it ends.
OfxStatus renderImages(Instance& instance, double time, const ImageDesc& source,
                       const ImageDesc& output, const OfxRectI& window,
                       const GpuRenderArgs& gpu = {});
// The same for the whole of a width x height RGBA float frame (rows bottom-up, tightly packed).
OfxStatus renderWholeFrame(Instance& instance, double time, const void* source, void* output,
                           int width, int height, const GpuRenderArgs& gpu = {});

} // namespace ofxhost
