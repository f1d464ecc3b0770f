// Exceptions, status names and the string <-> enum mappings of the support layer.
#include "ofxsCore.h"
#include "ofxsSupportPrivate.h"

#include <ofxStatusNames.h>

#include <algorithm>
#include <cstring>
#include <new>

namespace OFX {

const char* Exception::Suite::what() const noexcept
{
    return mapStatusToString(_status);
}

bool Private::isSuccessStatus(OfxStatus s)
{
    return s == kOfxStatOK || s == kOfxStatReplyYes || s == kOfxStatReplyNo ||
           s == kOfxStatReplyDefault;
}

void throwSuiteStatusException(OfxStatus status)
{
    if (Private::isSuccessStatus(status))
        return;
    if (status == kOfxStatErrMemory)
        throw std::bad_alloc();
    throw Exception::Suite(status);
}

void throwHostMissingSuiteException(const std::string&)
{
    throw Exception::Suite(kOfxStatErrUnsupported);
}

const char* mapStatusToString(OfxStatus status)
{
    const char* name = ofxStatusName(status);
    return name ? name : "UNKNOWN STATUS CODE";
}

namespace {

template <typename E, size_t N>
E lookupEnum(const char* const (&names)[N], const std::string& s, const char* what)
{
    for (size_t i = 0; i < N; ++i)
        if (names[i] && s == names[i])
            return static_cast<E>(i);
    throw std::invalid_argument(std::string("unknown ") + what + " '" + s + "'");
}

template <size_t N>
const char* lookupName(const char* const (&names)[N], int value, const char* what)
{
    if (value < 0 || static_cast<size_t>(value) >= N || !names[value])
        throw std::invalid_argument(std::string("no string for this ") + what);
    return names[value];
}

const char* const kContextNames[] = {nullptr,
                                     kOfxImageEffectContextGenerator,
                                     kOfxImageEffectContextFilter,
                                     kOfxImageEffectContextTransition,
                                     kOfxImageEffectContextPaint,
                                     kOfxImageEffectContextGeneral,
                                     kOfxImageEffectContextRetimer};
const char* const kBitDepthNames[] = {kOfxBitDepthNone, kOfxBitDepthByte,  kOfxBitDepthShort,
                                      kOfxBitDepthHalf, kOfxBitDepthFloat, "OfxBitDepthCustom"};
const char* const kComponentNames[] = {nullptr, kOfxImageComponentRGBA, kOfxImageComponentRGB,
                                       kOfxImageComponentAlpha, "OfxImageComponentCustom"};
const char* const kFieldExtractionNames[] = {kOfxImageFieldBoth, kOfxImageFieldSingle,
                                             kOfxImageFieldDoubled};
const char* const kRenderSafetyNames[] = {
    kOfxImageEffectRenderUnsafe, kOfxImageEffectRenderInstanceSafe, kOfxImageEffectRenderFullySafe};
const char* const kFieldNames[] = {kOfxImageFieldNone,   kOfxImageFieldBoth,
                                   kOfxImageFieldLower,  kOfxImageFieldUpper,
                                   kOfxImageFieldSingle, kOfxImageFieldDoubled};
const char* const kPremultNames[] = {kOfxImageOpaque, kOfxImagePreMultiplied,
                                     kOfxImageUnPreMultiplied};
const char* const kChangeReasonNames[] = {kOfxChangeUserEdited, kOfxChangePluginEdited,
                                          kOfxChangeTime};
const char* const kMessageTypeNames[] = {kOfxMessageFatal,   kOfxMessageError, kOfxMessageMessage,
                                         kOfxMessageWarning, kOfxMessageLog,   kOfxMessageQuestion};

} // namespace

const char* mapContextEnumToString(ContextEnum c)
{
    return lookupName(kContextNames, c, "context");
}
ContextEnum mapContextStringToEnum(const std::string& s)
{
    return lookupEnum<ContextEnum>(kContextNames, s, "context");
}

const char* mapBitDepthEnumToString(BitDepthEnum d)
{
    return lookupName(kBitDepthNames, d, "bit depth");
}
BitDepthEnum mapBitDepthStringToEnum(const std::string& s)
{
    for (int i = eBitDepthNone; i < eBitDepthCustom; ++i)
        if (s == kBitDepthNames[i])
            return static_cast<BitDepthEnum>(i);
    return eBitDepthCustom;
}

const char* mapPixelComponentEnumToString(PixelComponentEnum c)
{
    return lookupName(kComponentNames, c, "pixel component");
}
PixelComponentEnum mapPixelComponentStringToEnum(const std::string& s)
{
    if (s == kOfxImageComponentNone)
        return ePixelComponentNone;
    for (int i = ePixelComponentRGBA; i < ePixelComponentCustom; ++i)
        if (s == kComponentNames[i])
            return static_cast<PixelComponentEnum>(i);
    return ePixelComponentCustom;
}

const char* mapFieldExtractionEnumToString(FieldExtractionEnum f)
{
    return lookupName(kFieldExtractionNames, f, "field extraction");
}
const char* mapRenderSafetyEnumToString(RenderSafetyEnum s)
{
    return lookupName(kRenderSafetyNames, s, "render safety");
}

FieldEnum mapFieldStringToEnum(const std::string& s)
{
    // Only these four occur as field values of images and render arguments.
    if (s == kOfxImageFieldNone)
        return eFieldNone;
    if (s == kOfxImageFieldBoth)
        return eFieldBoth;
    if (s == kOfxImageFieldLower)
        return eFieldLower;
    if (s == kOfxImageFieldUpper)
        return eFieldUpper;
    throw std::invalid_argument("unknown field '" + s + "'");
}
const char* mapFieldEnumToString(FieldEnum f)
{
    return lookupName(kFieldNames, f, "field");
}

PreMultiplicationEnum mapPreMultiplicationStringToEnum(const std::string& s)
{
    return lookupEnum<PreMultiplicationEnum>(kPremultNames, s, "premultiplication");
}
const char* mapPreMultiplicationEnumToString(PreMultiplicationEnum p)
{
    return lookupName(kPremultNames, p, "premultiplication");
}

InstanceChangeReason mapInstanceChangedReasonStringToEnum(const std::string& s)
{
    return lookupEnum<InstanceChangeReason>(kChangeReasonNames, s, "change reason");
}

const char* mapMessageTypeEnumToString(Message::MessageTypeEnum t)
{
    return lookupName(kMessageTypeNames, t, "message type");
}

Message::MessageReplyEnum mapStatusToMessageReplyEnum(OfxStatus s)
{
    switch (s) {
    case kOfxStatOK:
        return Message::eMessageReplyOK;
    case kOfxStatReplyYes:
        return Message::eMessageReplyYes;
    case kOfxStatReplyNo:
        return Message::eMessageReplyNo;
    default:
        return Message::eMessageReplyFailed;
    }
}

bool ImageEffectHostDescription::supportsPixelComponent(PixelComponentEnum c) const
{
    return std::find(_supportedComponents.begin(), _supportedComponents.end(), c) !=
           _supportedComponents.end();
}
bool ImageEffectHostDescription::supportsBitDepth(BitDepthEnum d) const
{
    return std::find(_supportedPixelDepths.begin(), _supportedPixelDepths.end(), d) !=
           _supportedPixelDepths.end();
}
bool ImageEffectHostDescription::supportsContext(ContextEnum c) const
{
    return std::find(_supportedContexts.begin(), _supportedContexts.end(), c) !=
           _supportedContexts.end();
}
BitDepthEnum ImageEffectHostDescription::getDefaultPixelDepth() const
{
    return _supportedPixelDepths.empty() ? eBitDepthFloat : _supportedPixelDepths.front();
}
PixelComponentEnum ImageEffectHostDescription::getDefaultPixelComponent() const
{
    return _supportedComponents.empty() ? ePixelComponentRGBA : _supportedComponents.front();
}

} // namespace OFX
