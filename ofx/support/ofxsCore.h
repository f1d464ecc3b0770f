#ifndef OFXS_CORE_H
#define OFXS_CORE_H
// Core of the OFX:: support layer: enums, exceptions, the PropertySet wrapper and
// what the layer learned about the host at load.

#include "ofxCore.h"
#include "ofxGPURender.h"
#include "ofxImageEffect.h"
#include "ofxMemory.h"
#include "ofxMessage.h"
#include "ofxMultiThread.h"
#include "ofxParam.h"
#include "ofxPixels.h"
#include "ofxProgress.h"
#include "ofxProperty.h"
#include "ofxTimeLine.h"

#include <list>
#include <stdexcept>
#include <string>
#include <vector>

struct Ofx3DPointI {
    int x, y, z;
};
struct Ofx3DPointD {
    double x, y, z;
};

namespace OFX {

enum ContextEnum {
    eContextNone,
    eContextGenerator,
    eContextFilter,
    eContextTransition,
    eContextPaint,
    eContextGeneral,
    eContextRetimer
};

enum BitDepthEnum {
    eBitDepthNone,
    eBitDepthUByte,
    eBitDepthUShort,
    eBitDepthHalf,
    eBitDepthFloat,
    eBitDepthCustom
};

enum PixelComponentEnum {
    ePixelComponentNone,
    ePixelComponentRGBA,
    ePixelComponentRGB,
    ePixelComponentAlpha,
    ePixelComponentCustom
};

enum FieldExtractionEnum { eFieldExtractBoth, eFieldExtractSingle, eFieldExtractDoubled };

enum RenderSafetyEnum { eRenderUnsafe, eRenderInstanceSafe, eRenderFullySafe };

enum FieldEnum { eFieldNone, eFieldBoth, eFieldLower, eFieldUpper, eFieldSingle, eFieldDoubled };

enum PreMultiplicationEnum { eImageOpaque, eImagePreMultiplied, eImageUnPreMultiplied };

enum InstanceChangeReason { eChangeUserEdit, eChangePluginEdit, eChangeTime };

namespace Message {
enum MessageTypeEnum {
    eMessageFatal,
    eMessageError,
    eMessageMessage,
    eMessageWarning,
    eMessageLog,
    eMessageQuestion
};
enum MessageReplyEnum { eMessageReplyOK, eMessageReplyYes, eMessageReplyNo, eMessageReplyFailed };
} // namespace Message

namespace Exception {

// A host suite call failed; carries the host's status.
class Suite : public std::exception {
public:
    explicit Suite(OfxStatus status) : _status(status) {}
    OfxStatus status() const { return _status; }
    operator OfxStatus() const { return _status; }
    const char* what() const noexcept override;

private:
    OfxStatus _status;
};

// Holds the name of what went wrong (a property, a suite, a type).
class Named : public std::exception {
public:
    explicit Named(const char* name) : _name(name ? name : "") {}
    const char* what() const noexcept override { return _name.c_str(); }

private:
    std::string _name;
};

class PropertyUnknownToHost : public Named {
public:
    using Named::Named;
};
class PropertyValueIllegalToHost : public Named {
public:
    using Named::Named;
};
class TypeRequest : public Named {
public:
    using Named::Named;
};
class HostInadequate : public Named {
public:
    using Named::Named;
};

} // namespace Exception

// OK and the three replies are not failures; kOfxStatErrMemory becomes
// std::bad_alloc; any other status Exception::Suite.
void throwSuiteStatusException(OfxStatus status);
// Always Exception::Suite(kOfxStatErrUnsupported).
[[noreturn]] void throwHostMissingSuiteException(const std::string& suiteName);

const char* mapStatusToString(OfxStatus status);

// String <-> enum mappings. The *ToEnum functions throw std::invalid_argument for
// strings they cannot place, except where noted.
const char* mapContextEnumToString(ContextEnum c); // None throws
ContextEnum mapContextStringToEnum(const std::string& s);
const char* mapBitDepthEnumToString(BitDepthEnum d);             // Custom: "OfxBitDepthCustom"
BitDepthEnum mapBitDepthStringToEnum(const std::string& s);      // unknown: Custom
const char* mapPixelComponentEnumToString(PixelComponentEnum c); // None throws
PixelComponentEnum mapPixelComponentStringToEnum(const std::string& s); // unknown: Custom
const char* mapFieldExtractionEnumToString(FieldExtractionEnum f);
const char* mapRenderSafetyEnumToString(RenderSafetyEnum s);
FieldEnum mapFieldStringToEnum(const std::string& s); // None/Both/Lower/Upper only
const char* mapFieldEnumToString(FieldEnum f);
PreMultiplicationEnum mapPreMultiplicationStringToEnum(const std::string& s);
const char* mapPreMultiplicationEnumToString(PreMultiplicationEnum p);
InstanceChangeReason mapInstanceChangedReasonStringToEnum(const std::string& s);
const char* mapMessageTypeEnumToString(Message::MessageTypeEnum t);
Message::MessageReplyEnum mapStatusToMessageReplyEnum(OfxStatus s);

// Typed access to one host property set. Failed calls throw (see
// throwPropertyException in ofxsProperty.cpp) unless throwOnFailure is false, in
// which case they are logged and getters return 0, NULL or "".
class PropertySet {
public:
    PropertySet(OfxPropertySetHandle h = nullptr) : _propHandle(h) {}
    virtual ~PropertySet();

    void propSetHandle(OfxPropertySetHandle h) { _propHandle = h; }
    OfxPropertySetHandle propSetHandle() const { return _propHandle; }

    int propGetDimension(const char* property, bool throwOnFailure = true) const;
    void propReset(const char* property);

    void propSetPointer(const char* property, void* value, int idx, bool throwOnFailure = true);
    void propSetString(const char* property, const std::string& value, int idx,
                       bool throwOnFailure = true);
    void propSetDouble(const char* property, double value, int idx, bool throwOnFailure = true);
    void propSetInt(const char* property, int value, int idx, bool throwOnFailure = true);
    void propSetDoubleN(const char* property, const double* values, int count,
                        bool throwOnFailure = true);

    void propSetPointer(const char* property, void* value, bool throwOnFailure = true)
    {
        propSetPointer(property, value, 0, throwOnFailure);
    }
    void propSetString(const char* property, const std::string& value, bool throwOnFailure = true)
    {
        propSetString(property, value, 0, throwOnFailure);
    }
    void propSetDouble(const char* property, double value, bool throwOnFailure = true)
    {
        propSetDouble(property, value, 0, throwOnFailure);
    }
    void propSetInt(const char* property, int value, bool throwOnFailure = true)
    {
        propSetInt(property, value, 0, throwOnFailure);
    }

    void* propGetPointer(const char* property, int idx, bool throwOnFailure = true) const;
    std::string propGetString(const char* property, int idx, bool throwOnFailure = true) const;
    double propGetDouble(const char* property, int idx, bool throwOnFailure = true) const;
    int propGetInt(const char* property, int idx, bool throwOnFailure = true) const;

    void* propGetPointer(const char* property, bool throwOnFailure = true) const
    {
        return propGetPointer(property, 0, throwOnFailure);
    }
    std::string propGetString(const char* property, bool throwOnFailure = true) const
    {
        return propGetString(property, 0, throwOnFailure);
    }
    double propGetDouble(const char* property, bool throwOnFailure = true) const
    {
        return propGetDouble(property, 0, throwOnFailure);
    }
    int propGetInt(const char* property, bool throwOnFailure = true) const
    {
        return propGetInt(property, 0, throwOnFailure);
    }

    std::list<std::string> propGetNString(const char* property, bool throwOnFailure = true) const;

    static void propEnableLogging();
    static void propDisableLogging();
    // false: a property the host does not know is logged and ignored instead of
    // throwing Exception::PropertyUnknownToHost.
    static void setThrowOnUnsupportedProperties(bool v);
    static bool getThrowOnUnsupportedProperties();

private:
    OfxPropertySetHandle _propHandle;
};

// Fetches a suite from the host. NULL for a missing optional suite; a missing
// mandatory one throws Exception::HostInadequate.
const void* fetchSuite(const char* suiteName, int suiteVersion, bool optional = false);

// The host's capabilities, read once at the first load.
struct ImageEffectHostDescription {
    int APIVersionMajor = 1;
    int APIVersionMinor = 0;
    std::string hostName;
    std::string hostLabel;
    int versionMajor = 0, versionMinor = 0, versionMicro = 0;
    std::string versionLabel;
    bool hostIsBackground = false;
    bool supportsOverlays = false;
    bool supportsMultiResolution = false;
    bool supportsTiles = false;
    bool temporalClipAccess = false;
    bool supportsMultipleClipDepths = false;
    bool supportsMultipleClipPARs = false;
    bool supportsSetableFrameRate = false;
    bool supportsSetableFielding = false;
    bool supportsStringAnimation = false;
    bool supportsCustomInteract = false;
    bool supportsChoiceAnimation = false;
    bool supportsBooleanAnimation = false;
    bool supportsCustomAnimation = false;
    bool supportsParametricAnimation = false;
    bool supportsRenderQualityDraft = false;
    bool supportsOpenCLRender = false;
    bool supportsOpenCLImagesRender = false;
    bool supportsCudaRender = false;
    bool supportsCudaStream = false;
    bool supportsMetalRender = false;
    int sequentialRender = 0;
    int maxParameters = -1;
    int maxPages = 0;
    int pageRowCount = 0;
    int pageColumnCount = 0;
    std::vector<PixelComponentEnum> _supportedComponents;
    std::vector<ContextEnum> _supportedContexts;
    std::vector<BitDepthEnum> _supportedPixelDepths;

    bool supportsPixelComponent(PixelComponentEnum c) const;
    bool supportsBitDepth(BitDepthEnum d) const;
    bool supportsContext(ContextEnum c) const;
    BitDepthEnum getDefaultPixelDepth() const;           // first listed, else float
    PixelComponentEnum getDefaultPixelComponent() const; // first listed, else RGBA
};

// NULL until the first load action succeeded.
const ImageEffectHostDescription* getImageEffectHostDescription();

} // namespace OFX

#endif
