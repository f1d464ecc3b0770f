#ifndef OFXS_IMAGE_EFFECT_H
#define OFXS_IMAGE_EFFECT_H
// Image effects: plug-in factories, effect and clip descriptors, and the instance
// side (ImageEffect, Clip, Image) with the arguments of the actions.

#include "ofxsCore.h"
#include "ofxsParam.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace OFX {

class ImageEffect;
class ImageEffectDescriptor;

namespace Private {
// The dispatcher behind every factory's main entry; never lets an exception out.
OfxStatus mainEntryStr(const char* action, const void* handle, OfxPropertySetHandle inArgs,
                       OfxPropertySetHandle outArgs, const char* pluginUid);
} // namespace Private

// ------------------------------------------------------------------ factories

class PluginFactory {
public:
    virtual ~PluginFactory() {}
    virtual void load() {}
    virtual void unload() {}
    virtual void describe(ImageEffectDescriptor& desc) = 0;
    virtual void describeInContext(ImageEffectDescriptor& desc, ContextEnum context) = 0;
    virtual ImageEffect* createInstance(OfxImageEffectHandle handle, ContextEnum context) = 0;
    virtual const std::string& getID() const = 0;
    virtual const std::string& getUID() const = 0;
    virtual unsigned int getMajorVersion() const = 0;
    virtual unsigned int getMinorVersion() const = 0;
    virtual OfxPluginEntryPoint* getMainEntry() = 0;
};

// One static main entry and one unique id per factory class. The unique id is the
// identifier followed by the decimal major and minor versions, no separator
// ("org.x.Look", 1, 0 gives "org.x.Look10"); the dispatcher finds the factory by it.
template <class FACTORY> class FactoryMainEntryHelper {
protected:
    FactoryMainEntryHelper(const std::string& id, unsigned int verMaj, unsigned int verMin)
        : _id(id), _maj(verMaj), _min(verMin)
    {
        _uid = id + std::to_string(verMaj) + std::to_string(verMin);
    }
    const std::string& getHelperID() const { return _id; }
    const std::string& getHelperUID() const { return _uid; }

    static OfxStatus mainEntry(const char* action, const void* handle, OfxPropertySetHandle in,
                               OfxPropertySetHandle out)
    {
        return Private::mainEntryStr(action, handle, in, out, _uid.c_str());
    }

    std::string _id;
    unsigned int _maj;
    unsigned int _min;
    static std::string _uid;
};

template <class FACTORY> std::string FactoryMainEntryHelper<FACTORY>::_uid;

template <class FACTORY>
class PluginFactoryHelper : public FactoryMainEntryHelper<FACTORY>, public PluginFactory {
public:
    PluginFactoryHelper(const std::string& id, unsigned int verMaj, unsigned int verMin)
        : FactoryMainEntryHelper<FACTORY>(id, verMaj, verMin)
    {
    }
    const std::string& getID() const override { return this->_id; }
    const std::string& getUID() const override { return this->_uid; }
    unsigned int getMajorVersion() const override { return this->_maj; }
    unsigned int getMinorVersion() const override { return this->_min; }
    OfxPluginEntryPoint* getMainEntry() override
    {
        return &FactoryMainEntryHelper<FACTORY>::mainEntry;
    }
};

#define mDeclarePluginFactory(CLASS, LOADFUNCDEF, UNLOADFUNCDEF)                                   \
    class CLASS : public OFX::PluginFactoryHelper<CLASS> {                                         \
    public:                                                                                        \
        CLASS(const std::string& id, unsigned int verMaj, unsigned int verMin)                     \
            : OFX::PluginFactoryHelper<CLASS>(id, verMaj, verMin)                                  \
        {                                                                                          \
        }                                                                                          \
        void load() override LOADFUNCDEF void unload() override UNLOADFUNCDEF                      \
            void describe(OFX::ImageEffectDescriptor& desc) override;                              \
        void describeInContext(OFX::ImageEffectDescriptor& desc,                                   \
                               OFX::ContextEnum context) override;                                 \
        OFX::ImageEffect* createInstance(OfxImageEffectHandle handle,                              \
                                         OFX::ContextEnum context) override;                       \
    }

typedef std::vector<PluginFactory*> PluginFactoryArray;

namespace Plugin {
// Defined by the plug-in: appends its factories (which must outlive the library's
// use of them). Called once, on the first OfxGetNumberOfPlugins/OfxGetPlugin.
void getPluginIDs(PluginFactoryArray& ids);
} // namespace Plugin

// ---------------------------------------------------------------- descriptors

class ClipDescriptor {
public:
    ClipDescriptor(const std::string& name, OfxPropertySetHandle props);

    const std::string& getName() const { return _clipName; }
    PropertySet& getPropertySet() { return _clipProps; }

    void setLabel(const std::string& label);
    void setLabels(const std::string& label, const std::string& shortLabel,
                   const std::string& longLabel);
    void setFieldExtraction(FieldExtractionEnum v);
    void addSupportedComponent(PixelComponentEnum v); // Custom is ignored
    void addSupportedComponent(const std::string& comp);
    void setTemporalClipAccess(bool v);
    void setOptional(bool v);
    void setSupportsTiles(bool v);
    void setIsMask(bool v);

private:
    std::string _clipName;
    PropertySet _clipProps;
};

class ImageEffectDescriptor : public ParamSetDescriptor {
public:
    explicit ImageEffectDescriptor(OfxImageEffectHandle handle);
    ~ImageEffectDescriptor() override;

    OfxImageEffectHandle getImageEffectHandle() const { return _effectHandle; }
    PropertySet& getPropertySet() { return _effectProps; }

    void setLabel(const std::string& label);
    void setLabels(const std::string& label, const std::string& shortLabel,
                   const std::string& longLabel);
    // Writes the version array up to its last non-zero part, and the label if any.
    void setVersion(int major, int minor, int micro, int build, const std::string& versionLabel);
    void setPluginGrouping(const std::string& group);
    void setPluginDescription(const std::string& description);

    void addSupportedContext(ContextEnum v);   // None is ignored
    void addSupportedBitDepth(BitDepthEnum v); // Custom is ignored

    void setSingleInstance(bool v);
    void setHostFrameThreading(bool v);
    void setSupportsMultiResolution(bool v);
    void setSupportsTiles(bool v);
    void setTemporalClipAccess(bool v);
    void setRenderTwiceAlways(bool v);
    void setSupportsMultipleClipDepths(bool v);
    void setSupportsMultipleClipPARs(bool v);
    void setRenderThreadSafety(RenderSafetyEnum v);
    void addClipPreferencesSlaveParam(ParamDescriptor& p);

    // GPU capabilities ("true"/"false"). A host that does not know the property
    // gets a logged warning and the description goes on.
    void setSupportsOpenCLBuffersRender(bool v);
    void setSupportsOpenCLImagesRender(bool v);
    void setSupportsCudaRender(bool v);
    void setSupportsCudaStream(bool v);
    void setSupportsMetalRender(bool v);

    // Defines (once) and returns the clip; the descriptor owns it.
    ClipDescriptor* defineClip(const std::string& name);

private:
    void setGpuCapability(const char* property, bool v);

    OfxImageEffectHandle _effectHandle;
    PropertySet _effectProps;
    std::map<std::string, std::unique_ptr<ClipDescriptor>> _definedClips;
};

// ------------------------------------------------------------- clip and image

class ImageBase {
public:
    explicit ImageBase(OfxPropertySetHandle props);
    virtual ~ImageBase();

    const PropertySet& getPropertySet() const { return _imageProps; }
    OfxPropertySetHandle getPropertySetHandle() const { return _imageProps.propSetHandle(); }

    BitDepthEnum getPixelDepth() const { return _pixelDepth; }
    PixelComponentEnum getPixelComponents() const { return _pixelComponents; }
    int getPixelComponentCount() const { return _pixelComponentCount; }
    const std::string& getPixelComponentsProperty() const { return _pixelComponentsProperty; }
    PreMultiplicationEnum getPreMultiplication() const { return _preMultiplication; }
    const OfxPointD& getRenderScale() const { return _renderScale; }
    double getPixelAspectRatio() const { return _pixelAspectRatio; }
    const OfxRectI& getRegionOfDefinition() const { return _regionOfDefinition; }
    const OfxRectI& getBounds() const { return _bounds; }
    // May be negative (rows stored top-down).
    int getRowBytes() const { return _rowBytes; }
    FieldEnum getField() const { return _field; }
    const std::string& getUniqueIdentifier() const { return _uniqueID; }

protected:
    PropertySet _imageProps;
    int _rowBytes = 0;
    double _pixelAspectRatio = 1.0;
    PixelComponentEnum _pixelComponents = ePixelComponentNone;
    std::string _pixelComponentsProperty;
    int _pixelComponentCount = 0;
    BitDepthEnum _pixelDepth = eBitDepthNone;
    PreMultiplicationEnum _preMultiplication = eImageOpaque;
    OfxRectI _regionOfDefinition = {0, 0, 0, 0};
    OfxRectI _bounds = {0, 0, 0, 0};
    FieldEnum _field = eFieldNone;
    std::string _uniqueID;
    OfxPointD _renderScale = {1.0, 1.0};
};

// An image fetched from a clip. Deleting it releases it to the host.
class Image : public ImageBase {
public:
    explicit Image(OfxPropertySetHandle props);
    ~Image() override;

    // Host memory, or a device pointer / cl_mem when the host enabled a GPU render.
    void* getPixelData() { return _pixelData; }
    const void* getPixelData() const { return _pixelData; }
    void* getOpenCLImage() const { return _openCLImage; }

    // The pixel at (x, y), or NULL outside the bounds, without pixel data, or for
    // components or depths whose pixel size is unknown.
    void* getPixelAddress(int x, int y);
    const void* getPixelAddress(int x, int y) const;

private:
    void* _pixelData = nullptr;
    void* _openCLImage = nullptr;
};

class Clip {
public:
    const std::string& name() const { return _clipName; }
    OfxImageClipHandle getHandle() const { return _clipHandle; }
    const PropertySet& getPropertySet() const { return _clipProps; }

    void getLabel(std::string& label) const;
    BitDepthEnum getPixelDepth() const;
    PixelComponentEnum getPixelComponents() const;
    int getPixelComponentCount() const;
    std::string getPixelComponentsProperty() const;
    BitDepthEnum getUnmappedPixelDepth() const;
    PixelComponentEnum getUnmappedPixelComponents() const;
    PreMultiplicationEnum getPreMultiplication() const; // unknown: opaque
    FieldEnum getFieldOrder() const;                    // unknown: none
    bool isConnected() const;
    bool hasContinuousSamples() const;
    double getPixelAspectRatio() const; // any failure: 1.0
    double getFrameRate() const;
    OfxRangeD getFrameRange() const;
    OfxRectD getRegionOfDefinition(double t) const;

    // The image at time t, or NULL when the host has none (kOfxStatFailed). Other
    // failures throw. The caller owns the image; deleting it releases it.
    Image* fetchImage(double t);
    Image* fetchImage(double t, const OfxRectD& bounds);
    Image* fetchImage(double t, const OfxRectD* bounds);

protected:
    friend class ImageEffect;
    Clip(ImageEffect* effect, const std::string& name, OfxImageClipHandle handle,
         OfxPropertySetHandle props);

private:
    std::string _clipName;
    OfxImageClipHandle _clipHandle;
    PropertySet _clipProps;
};

// ------------------------------------------------------------ action arguments

// What render and the sequence actions share: the GPU selection and the render
// statuses. A flag the host does not send reads as false; the handles are read
// whatever the flags say (NULL when absent).
struct GpuAndStatusArguments {
    bool isEnabledOpenCLRender = false;
    bool isEnabledCudaRender = false;
    bool isEnabledMetalRender = false;
    void* pOpenCLCmdQ = nullptr;
    void* pCudaStream = nullptr;
    void* pMetalCmdQ = nullptr;
    bool sequentialRenderStatus = false;
    bool interactiveRenderStatus = false;
    bool renderQualityDraft = false;
};

struct RenderArguments : GpuAndStatusArguments {
    double time = 0;
    OfxPointD renderScale = {1.0, 1.0};
    OfxRectI renderWindow = {0, 0, 0, 0};
    FieldEnum fieldToRender = eFieldNone;
};

struct IsIdentityArguments {
    double time = 0;
    OfxPointD renderScale = {1.0, 1.0};
    OfxRectI renderWindow = {0, 0, 0, 0};
    FieldEnum fieldToRender = eFieldNone;
};

struct BeginSequenceRenderArguments : GpuAndStatusArguments {
    OfxRangeD frameRange = {0, 0};
    double frameStep = 1;
    bool isInteractive = false;
    OfxPointD renderScale = {1.0, 1.0};
};

struct EndSequenceRenderArguments : GpuAndStatusArguments {
    bool isInteractive = false;
    OfxPointD renderScale = {1.0, 1.0};
};

struct RegionOfDefinitionArguments {
    double time = 0;
    OfxPointD renderScale = {1.0, 1.0};
};

struct RegionsOfInterestArguments {
    double time = 0;
    OfxPointD renderScale = {1.0, 1.0};
    OfxRectD regionOfInterest = {0, 0, 0, 0};
};

struct FramesNeededArguments {
    double time = 0;
};

struct InstanceChangedArgs {
    InstanceChangeReason reason = eChangeUserEdit;
    double time = 0;
    OfxPointD renderScale = {1.0, 1.0};
};

struct InterpolateCustomArgs {
    double time = 0;
    std::string value1, value2;
    double keyTime1 = 0, keyTime2 = 0;
    double amount = 0;
};

// Out-argument writers handed to the matching virtuals.
class RegionOfInterestSetter {
public:
    explicit RegionOfInterestSetter(OfxPropertySetHandle outArgs) : _outArgs(outArgs) {}
    void setRegionOfInterest(const Clip& clip, const OfxRectD& roi);
    bool didSomething() const { return _didSomething; }

private:
    PropertySet _outArgs;
    bool _didSomething = false;
};

class FramesNeededSetter {
public:
    explicit FramesNeededSetter(OfxPropertySetHandle outArgs) : _outArgs(outArgs) {}
    // Ranges accumulate per clip; write() hands them to the host.
    void setFramesNeeded(const Clip& clip, const OfxRangeD& range);
    bool write();

private:
    PropertySet _outArgs;
    std::map<std::string, std::vector<OfxRangeD>> _frames;
};

class ClipPreferencesSetter {
public:
    explicit ClipPreferencesSetter(OfxPropertySetHandle outArgs) : _outArgs(outArgs) {}
    void setClipComponents(Clip& clip, PixelComponentEnum comps);
    void setClipBitDepth(Clip& clip, BitDepthEnum depth);
    void setPixelAspectRatio(Clip& clip, double par);
    void setOutputFrameRate(double v);
    void setOutputPremultiplication(PreMultiplicationEnum v);
    void setOutputHasContinousSamples(bool v);
    void setOutputFrameVarying(bool v);
    void setOutputFielding(FieldEnum v);
    bool didSomething() const { return _didSomething; }

private:
    PropertySet _outArgs;
    bool _didSomething = false;
};

// --------------------------------------------------------------- the instance

class ImageEffect : public ParamSet {
public:
    // Stores this object in the instance's OfxPropInstanceData.
    explicit ImageEffect(OfxImageEffectHandle handle);
    ~ImageEffect() override;

    // Default bodies do nothing and return false.
    virtual void beginEdit();
    virtual void endEdit();
    virtual void render(const RenderArguments& args) = 0;
    virtual void beginSequenceRender(const BeginSequenceRenderArguments& args);
    virtual void endSequenceRender(const EndSequenceRenderArguments& args);
    virtual bool isIdentity(const IsIdentityArguments& args, Clip*& identityClip,
                            double& identityTime);
    virtual bool getRegionOfDefinition(const RegionOfDefinitionArguments& args, OfxRectD& rod);
    virtual void getRegionsOfInterest(const RegionsOfInterestArguments& args,
                                      RegionOfInterestSetter& rois);
    virtual void getFramesNeeded(const FramesNeededArguments& args, FramesNeededSetter& frames);
    virtual void getClipPreferences(ClipPreferencesSetter& prefs);
    virtual void purgeCaches();
    virtual void syncPrivateData();
    virtual void beginChanged(InstanceChangeReason reason);
    virtual void changedParam(const InstanceChangedArgs& args, const std::string& paramName);
    virtual void changedClip(const InstanceChangedArgs& args, const std::string& clipName);
    virtual void endChanged(InstanceChangeReason reason);
    virtual std::string interpolateCustomParam(const InterpolateCustomArgs& args,
                                               const std::string& paramName);
    virtual bool getTimeDomain(OfxRangeD& range);

    OfxImageEffectHandle getHandle() const { return _effectHandle; }
    PropertySet& getPropertySet() { return _effectProps; }
    ContextEnum getContext() const { return _context; }

    // Cached by name; the effect owns the clip.
    Clip* fetchClip(const std::string& name);

    // True when the host asks the current render to stop.
    bool abort() const;

    OfxPointD getProjectSize() const;
    OfxPointD getProjectOffset() const;
    OfxPointD getProjectExtent() const;
    double getProjectPixelAspectRatio() const;
    double getEffectDuration() const;
    double getFrameRate() const;
    bool isInteractive() const;
    void setSupportsTiles(bool v);
    bool getSupportsTiles() const;
    void setSequentialRender(bool v);
    bool getSequentialRender() const;

    // The text is shown as given (never used as a printf format).
    Message::MessageReplyEnum sendMessage(Message::MessageTypeEnum type, const std::string& id,
                                          const std::string& msg);
    Message::MessageReplyEnum setPersistentMessage(Message::MessageTypeEnum type,
                                                   const std::string& id, const std::string& msg);
    Message::MessageReplyEnum clearPersistentMessage();

private:
    OfxImageEffectHandle _effectHandle;
    PropertySet _effectProps;
    ContextEnum _context;
    std::map<std::string, std::unique_ptr<Clip>> _fetchedClips;
};

} // namespace OFX

#endif
