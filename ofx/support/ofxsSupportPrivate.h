#ifndef OFXS_SUPPORT_PRIVATE_H
#define OFXS_SUPPORT_PRIVATE_H
// Library-internal state shared by the support layer's source files.

#include "ofxsCore.h"

namespace OFX {
class ImageEffect;
class PluginFactory;
namespace Private {

// The factory registered under a unique id, or NULL.
PluginFactory* findFactory(const char* uid);

// Set by the host through OfxPlugin::setHost; suites are fetched at load.
extern OfxHost* gHost;
extern const OfxPropertySuiteV1* gPropSuite;
extern const OfxImageEffectSuiteV1* gEffectSuite;
extern const OfxParameterSuiteV1* gParamSuite;
extern const OfxMemorySuiteV1* gMemorySuite;
extern const OfxMultiThreadSuiteV1* gThreadSuite;
extern const OfxMessageSuiteV1* gMessageSuite;
extern const OfxMessageSuiteV2* gMessageSuiteV2;
extern const OfxProgressSuiteV1* gProgressSuiteV1;
extern const OfxProgressSuiteV2* gProgressSuiteV2;
extern const OfxTimeLineSuiteV1* gTimeLineSuite;

void setHost(OfxHost* host);

// Accessors that throw Exception::HostInadequate instead of handing out NULL, so
// a call before load (or against a host that lacks the suite) never crashes.
const OfxPropertySuiteV1& propSuite();
const OfxImageEffectSuiteV1& effectSuite();
const OfxParameterSuiteV1& paramSuite();

// Load: fetch suites and read the host description (first load only); counted.
void loadAction();
// Unload: at the last one the suite pointers are cleared.
void unloadAction();

// The dispatcher behind every factory's main entry. Never throws.
OfxStatus mainEntryStr(const char* action, const void* handle, OfxPropertySetHandle inArgs,
                       OfxPropertySetHandle outArgs, const char* pluginUid);

// OK and the three replies: what a suite call or an action may answer on success.
bool isSuccessStatus(OfxStatus status);

// Property errors: OK and replies pass; unknown -> PropertyUnknownToHost (when
// enabled); ErrMemory -> bad_alloc; ErrValue -> PropertyValueIllegalToHost;
// others -> Exception::Suite.
void throwPropertyException(OfxStatus status, const char* propName);

// The index an append to an N-dimensional property writes at: its current
// dimension, or 0 when the host has not created it yet (the write then decides).
int appendIndex(const PropertySet& props, const char* property);
void appendString(PropertySet& props, const char* property, const std::string& value);

// Properties a host may leave out as a matter of course: absent reads as 0 / NULL,
// without a log line.
int optionalInt(OfxPropertySetHandle props, const char* property);
void* optionalPointer(OfxPropertySetHandle props, const char* property);

} // namespace Private
} // namespace OFX

#endif
