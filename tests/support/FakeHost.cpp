#include "FakeHost.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace fakehost {

Host *Host::current = nullptr;

int Property::size() const {
  switch (type) {
  case 's': return static_cast<int>(s.size());
  case 'i': return static_cast<int>(i.size());
  case 'd': return static_cast<int>(d.size());
  case 'p': return static_cast<int>(p.size());
  default: return 0;
  }
}

namespace {

Props *P(OfxPropertySetHandle h) { return reinterpret_cast<Props *>(h); }

template <typename T> std::vector<T> &slot(Property &p);
template <> std::vector<std::string> &slot(Property &p) { return p.s; }
template <> std::vector<int> &slot(Property &p) { return p.i; }
template <> std::vector<double> &slot(Property &p) { return p.d; }
template <> std::vector<void *> &slot(Property &p) { return p.p; }

// N-dimensional properties grow when written at or past their end.
template <typename T> OfxStatus setValue(OfxPropertySetHandle h, const char *name, char type, int idx, T v) {
  if (h == nullptr)
    return kOfxStatErrBadHandle;
  Props &props = *P(h);
  if (props.unknown.count(name))
    return kOfxStatErrUnknown;
  if (idx < 0)
    return kOfxStatErrBadIndex;
  Property &prop = props.values[name];
  if (prop.type == 0)
    prop.type = type;
  if (prop.type != type)
    return kOfxStatErrValue;
  std::vector<T> &values = slot<T>(prop);
  if (static_cast<size_t>(idx) >= values.size())
    values.resize(static_cast<size_t>(idx) + 1);
  values[static_cast<size_t>(idx)] = v;
  return kOfxStatOK;
}

template <typename T> OfxStatus getValue(OfxPropertySetHandle h, const char *name, char type, int idx, T *out) {
  if (h == nullptr)
    return kOfxStatErrBadHandle;
  Props &props = *P(h);
  auto it = props.values.find(name);
  if (props.unknown.count(name) || it == props.values.end())
    return kOfxStatErrUnknown;
  if (it->second.type != type)
    return kOfxStatErrValue;
  std::vector<T> &values = slot<T>(it->second);
  if (idx < 0 || static_cast<size_t>(idx) >= values.size())
    return kOfxStatErrBadIndex;
  *out = values[static_cast<size_t>(idx)];
  return kOfxStatOK;
}

OfxStatus propSetPointer(OfxPropertySetHandle h, const char *n, int i, void *v) { return setValue(h, n, 'p', i, v); }
OfxStatus propSetString(OfxPropertySetHandle h, const char *n, int i, const char *v) {
  return setValue(h, n, 's', i, std::string(v));
}
OfxStatus propSetDouble(OfxPropertySetHandle h, const char *n, int i, double v) { return setValue(h, n, 'd', i, v); }
OfxStatus propSetInt(OfxPropertySetHandle h, const char *n, int i, int v) { return setValue(h, n, 'i', i, v); }
OfxStatus propSetDoubleN(OfxPropertySetHandle h, const char *n, int count, const double *v) {
  for (int i = 0; i < count; ++i)
    if (OfxStatus s = setValue(h, n, 'd', i, v[i]))
      return s;
  return kOfxStatOK;
}
OfxStatus propGetPointer(OfxPropertySetHandle h, const char *n, int i, void **v) { return getValue(h, n, 'p', i, v); }
OfxStatus propGetString(OfxPropertySetHandle h, const char *n, int i, char **v) {
  if (h == nullptr)
    return kOfxStatErrBadHandle;
  auto it = P(h)->values.find(n);
  if (P(h)->unknown.count(n) || it == P(h)->values.end())
    return kOfxStatErrUnknown;
  if (it->second.type != 's')
    return kOfxStatErrValue;
  if (i < 0 || static_cast<size_t>(i) >= it->second.s.size())
    return kOfxStatErrBadIndex;
  *v = const_cast<char *>(it->second.s[static_cast<size_t>(i)].c_str());
  return kOfxStatOK;
}
OfxStatus propGetDouble(OfxPropertySetHandle h, const char *n, int i, double *v) { return getValue(h, n, 'd', i, v); }
OfxStatus propGetInt(OfxPropertySetHandle h, const char *n, int i, int *v) { return getValue(h, n, 'i', i, v); }
OfxStatus propReset(OfxPropertySetHandle h, const char *n) {
  if (P(h)->values.erase(n) == 0)
    return kOfxStatErrUnknown;
  return kOfxStatOK;
}
OfxStatus propGetDimension(OfxPropertySetHandle h, const char *n, int *count) {
  if (h == nullptr)
    return kOfxStatErrBadHandle;
  auto it = P(h)->values.find(n);
  if (P(h)->unknown.count(n) || it == P(h)->values.end())
    return kOfxStatErrUnknown;
  *count = it->second.size();
  return kOfxStatOK;
}
template <typename... A> OfxStatus unsupported(A...) { return kOfxStatErrUnsupported; }

const OfxPropertySuiteV1 kPropSuite = {
    propSetPointer, propSetString, propSetDouble, propSetInt,
    unsupported<OfxPropertySetHandle, const char *, int, void *const *>,
    unsupported<OfxPropertySetHandle, const char *, int, const char *const *>,
    propSetDoubleN,
    unsupported<OfxPropertySetHandle, const char *, int, const int *>,
    propGetPointer, propGetString, propGetDouble, propGetInt,
    unsupported<OfxPropertySetHandle, const char *, int, void **>,
    unsupported<OfxPropertySetHandle, const char *, int, char **>,
    unsupported<OfxPropertySetHandle, const char *, int, double *>,
    unsupported<OfxPropertySetHandle, const char *, int, int *>,
    propReset, propGetDimension};

Effect *E(OfxImageEffectHandle h) { return reinterpret_cast<Effect *>(h); }
Effect *E(OfxParamSetHandle h) { return reinterpret_cast<Effect *>(h); }

OfxStatus getPropertySet(OfxImageEffectHandle h, OfxPropertySetHandle *p) {
  *p = E(h)->props.handle();
  return kOfxStatOK;
}
OfxStatus getParamSet(OfxImageEffectHandle h, OfxParamSetHandle *ps) {
  *ps = reinterpret_cast<OfxParamSetHandle>(h);
  return kOfxStatOK;
}
OfxStatus clipDefine(OfxImageEffectHandle h, const char *name, OfxPropertySetHandle *p) {
  auto &clip = E(h)->clips[name];
  if (!clip)
    clip.reset(new Clip);
  *p = clip->props.handle();
  return kOfxStatOK;
}
OfxStatus clipGetHandle(OfxImageEffectHandle h, const char *name, OfxImageClipHandle *c, OfxPropertySetHandle *p) {
  auto it = E(h)->clips.find(name);
  if (it == E(h)->clips.end())
    return kOfxStatErrUnknown;
  *c = reinterpret_cast<OfxImageClipHandle>(it->second.get());
  if (p)
    *p = it->second->props.handle();
  return kOfxStatOK;
}
OfxStatus clipGetPropertySet(OfxImageClipHandle c, OfxPropertySetHandle *p) {
  *p = reinterpret_cast<Clip *>(c)->props.handle();
  return kOfxStatOK;
}
OfxStatus clipGetImage(OfxImageClipHandle c, OfxTime, const OfxRectD *, OfxPropertySetHandle *img) {
  Clip *clip = reinterpret_cast<Clip *>(c);
  if (!clip->image)
    return kOfxStatFailed;
  *img = clip->image->props.handle();
  return kOfxStatOK;
}
OfxStatus clipReleaseImage(OfxPropertySetHandle) {
  ++Host::current->releasedImages;
  return kOfxStatOK;
}
int abortRender(OfxImageEffectHandle h) { return E(h)->abortFlag ? 1 : 0; }

const OfxImageEffectSuiteV1 kEffectSuite = {
    getPropertySet, getParamSet, clipDefine, clipGetHandle, clipGetPropertySet, clipGetImage, clipReleaseImage,
    unsupported<OfxImageClipHandle, OfxTime, OfxRectD *>, abortRender,
    unsupported<OfxImageEffectHandle, size_t, OfxImageMemoryHandle *>, unsupported<OfxImageMemoryHandle>,
    unsupported<OfxImageMemoryHandle, void **>, unsupported<OfxImageMemoryHandle>};

Param *PP(OfxParamHandle h) { return reinterpret_cast<Param *>(h); }

OfxStatus paramDefine(OfxParamSetHandle ps, const char *type, const char *name, OfxPropertySetHandle *p) {
  auto &param = E(ps)->params[name];
  if (param)
    return kOfxStatErrExists;
  param.reset(new Param);
  param->props.setString(kOfxParamPropType, type);
  param->props.setString(kOfxPropName, name);
  *p = param->props.handle();
  return kOfxStatOK;
}
OfxStatus paramGetHandle(OfxParamSetHandle ps, const char *name, OfxParamHandle *h, OfxPropertySetHandle *p) {
  auto it = E(ps)->params.find(name);
  if (it == E(ps)->params.end())
    return kOfxStatErrUnknown;
  *h = reinterpret_cast<OfxParamHandle>(it->second.get());
  if (p)
    *p = it->second->props.handle();
  return kOfxStatOK;
}
OfxStatus paramSetGetPropertySet(OfxParamSetHandle ps, OfxPropertySetHandle *p) {
  *p = E(ps)->paramSetProps.handle();
  return kOfxStatOK;
}
OfxStatus paramGetPropertySet(OfxParamHandle h, OfxPropertySetHandle *p) {
  *p = PP(h)->props.handle();
  return kOfxStatOK;
}
OfxStatus storeValue(Param *param, va_list args) {
  if (param->props.getString(kOfxParamPropType) == kOfxParamTypeDouble)
    *va_arg(args, double *) = param->value;
  else
    *va_arg(args, int *) = static_cast<int>(param->value);
  return kOfxStatOK;
}
OfxStatus paramGetValue(OfxParamHandle h, ...) {
  va_list args;
  va_start(args, h);
  OfxStatus s = storeValue(PP(h), args);
  va_end(args);
  return s;
}
OfxStatus paramGetValueAtTime(OfxParamHandle h, OfxTime time, ...) {
  va_list args;
  va_start(args, time);
  OfxStatus s = storeValue(PP(h), args);
  va_end(args);
  return s;
}
OfxStatus paramUnsupported(OfxParamHandle, ...) { return kOfxStatErrUnsupported; }
OfxStatus paramUnsupportedT(OfxParamHandle, OfxTime, ...) { return kOfxStatErrUnsupported; }
OfxStatus paramUnsupportedTT(OfxParamHandle, OfxTime, OfxTime, ...) { return kOfxStatErrUnsupported; }

const OfxParameterSuiteV1 kParamSuite = {
    paramDefine, paramGetHandle, paramSetGetPropertySet, paramGetPropertySet, paramGetValue, paramGetValueAtTime,
    paramUnsupportedT, paramUnsupportedTT, paramUnsupported, paramUnsupportedT,
    unsupported<OfxParamHandle, unsigned int *>, unsupported<OfxParamHandle, unsigned int, OfxTime *>,
    unsupported<OfxParamHandle, OfxTime, int, int *>, unsupported<OfxParamHandle, OfxTime>,
    unsupported<OfxParamHandle>, unsupported<OfxParamHandle, OfxParamHandle, OfxTime, const OfxRangeD *>,
    unsupported<OfxParamSetHandle, const char *>, unsupported<OfxParamSetHandle>};

OfxStatus multiThread(OfxThreadFunctionV1 func, unsigned int n, void *arg) {
  Host::current->lastThreadCount = n;
  if (Host::current->multiThreadStatus != kOfxStatOK)
    return Host::current->multiThreadStatus;
  std::vector<std::thread> threads;
  for (unsigned int i = 0; i < n; ++i)
    threads.emplace_back([=] { func(i, n, arg); });
  for (std::thread &t : threads)
    t.join();
  return kOfxStatOK;
}
OfxStatus numCPUs(unsigned int *n) {
  if (Host::current->numCPUsFails)
    return kOfxStatFailed;
  *n = Host::current->numCPUs;
  return kOfxStatOK;
}
OfxStatus threadIndex(unsigned int *i) {
  *i = 0;
  return kOfxStatOK;
}
int isSpawned() { return 0; }

const OfxMultiThreadSuiteV1 kThreadSuite = {
    multiThread, numCPUs, threadIndex, isSpawned, unsupported<OfxMutexHandle *, int>,
    unsupported<OfxMutexHandle>, unsupported<OfxMutexHandle>, unsupported<OfxMutexHandle>,
    unsupported<OfxMutexHandle>};

OfxStatus memoryAlloc(void *, size_t n, void **data) {
  *data = std::malloc(n);
  return *data ? kOfxStatOK : kOfxStatErrMemory;
}
OfxStatus memoryFree(void *data) {
  std::free(data);
  return kOfxStatOK;
}
const OfxMemorySuiteV1 kMemorySuite = {memoryAlloc, memoryFree};

OfxStatus message(void *, const char *, const char *, const char *, ...) { return kOfxStatOK; }
const OfxMessageSuiteV1 kMessageSuite = {message};

const void *fetchSuite(OfxPropertySetHandle, const char *name, int version) {
  if (Host::current->missingSuites.count(std::string(name) + "/" + std::to_string(version)))
    return nullptr;
  const std::string n = name;
  if (version != 1)
    return nullptr;
  if (n == kOfxPropertySuite) return &kPropSuite;
  if (n == kOfxImageEffectSuite) return &kEffectSuite;
  if (n == kOfxParameterSuite) return &kParamSuite;
  if (n == kOfxMultiThreadSuite) return &kThreadSuite;
  if (n == kOfxMemorySuite) return &kMemorySuite;
  if (n == kOfxMessageSuite) return &kMessageSuite;
  return nullptr;
}

} // namespace

void Props::setString(const std::string &name, const std::string &v, int idx) {
  propSetString(handle(), name.c_str(), idx, v.c_str());
}
void Props::setInt(const std::string &name, int v, int idx) { propSetInt(handle(), name.c_str(), idx, v); }
void Props::setDouble(const std::string &name, double v, int idx) { propSetDouble(handle(), name.c_str(), idx, v); }
void Props::setPointer(const std::string &name, void *v, int idx) { propSetPointer(handle(), name.c_str(), idx, v); }
std::string Props::getString(const std::string &name, int idx) const {
  auto it = values.find(name);
  return it != values.end() && idx < static_cast<int>(it->second.s.size()) ? it->second.s[idx] : std::string();
}
int Props::getInt(const std::string &name, int idx) const {
  auto it = values.find(name);
  return it != values.end() && idx < static_cast<int>(it->second.i.size()) ? it->second.i[idx] : 0;
}
void *Props::getPointer(const std::string &name, int idx) const {
  auto it = values.find(name);
  return it != values.end() && idx < static_cast<int>(it->second.p.size()) ? it->second.p[idx] : nullptr;
}

Host::Host() {
  current = this;
  _ofxHost.host = hostProps.handle();
  _ofxHost.fetchSuite = fetchSuite;
  hostProps.setString(kOfxPropType, kOfxTypeImageEffectHost);
  hostProps.setString(kOfxPropName, "org.zelk.fakehost");
  hostProps.setString(kOfxPropLabel, "Fake host");
  for (const char *name :
       {kOfxImageEffectHostPropIsBackground, kOfxImageEffectPropSupportsOverlays,
        kOfxImageEffectPropSupportsMultiResolution, kOfxImageEffectPropSupportsTiles,
        kOfxImageEffectPropTemporalClipAccess, kOfxImageEffectPropSupportsMultipleClipDepths,
        kOfxImageEffectPropSupportsMultipleClipPARs, kOfxImageEffectPropSetableFrameRate,
        kOfxImageEffectPropSetableFielding, kOfxParamHostPropSupportsStringAnimation,
        kOfxParamHostPropSupportsCustomInteract, kOfxParamHostPropSupportsChoiceAnimation,
        kOfxParamHostPropSupportsBooleanAnimation, kOfxParamHostPropSupportsCustomAnimation})
    hostProps.setInt(name, 0);
  hostProps.setInt(kOfxParamHostPropMaxParameters, -1);
  hostProps.setInt(kOfxParamHostPropMaxPages, 0);
  hostProps.setInt(kOfxParamHostPropPageRowColumnCount, 0, 0);
  hostProps.setInt(kOfxParamHostPropPageRowColumnCount, 0, 1);
  hostProps.setString(kOfxImageEffectPropSupportedComponents, kOfxImageComponentRGBA);
  hostProps.setString(kOfxImageEffectPropSupportedContexts, kOfxImageEffectContextFilter);
  hostProps.setString(kOfxImageEffectPropSupportedPixelDepths, kOfxBitDepthFloat);
}

Host::~Host() {
  if (_loaded)
    action(kOfxActionUnload, nullptr);
  current = nullptr;
}

OfxStatus Host::load() {
  OfxPlugin *plugin = OfxGetNumberOfPlugins() > 0 ? OfxGetPlugin(0) : nullptr;
  if (plugin == nullptr)
    return kOfxStatErrFatal;
  _mainEntry = plugin->mainEntry;
  plugin->setHost(&_ofxHost);
  OfxStatus s = action(kOfxActionLoad, nullptr);
  _loaded = s == kOfxStatOK;
  return s;
}

OfxStatus Host::action(const char *name, void *handle, OfxPropertySetHandle in, OfxPropertySetHandle out) {
  return _mainEntry(name, handle, in, out);
}

Effect &Host::makeInstanceEffect() {
  _effects.emplace_back(new Effect);
  Effect &e = *_effects.back();
  e.props.setString(kOfxPropType, kOfxTypeImageEffectInstance);
  e.props.setString(kOfxImageEffectPropContext, kOfxImageEffectContextFilter);
  e.props.setPointer(kOfxPropInstanceData, nullptr);
  for (const char *clip : {kOfxImageEffectSimpleSourceClipName, kOfxImageEffectOutputClipName}) {
    auto &c = e.clips[clip];
    c.reset(new Clip);
    c->props.setString(kOfxPropName, clip);
    c->props.setString(kOfxImageEffectPropPixelDepth, kOfxBitDepthFloat);
    c->props.setString(kOfxImageEffectPropComponents, kOfxImageComponentRGBA);
  }
  auto &gain = e.params["gain"];
  gain.reset(new Param);
  gain->props.setString(kOfxParamPropType, kOfxParamTypeDouble);
  gain->value = 1.0;
  return e;
}

Image &Host::attachImage(Effect &e, const std::string &clip, OfxRectI bounds, int rowBytes) {
  Clip &c = *e.clips.at(clip);
  c.image.reset(new Image);
  Image &img = *c.image;
  const size_t width = static_cast<size_t>(bounds.x2 - bounds.x1);
  const size_t height = static_cast<size_t>(bounds.y2 - bounds.y1);
  img.pixels.assign(width * height * 4, 0.0f);
  Props &p = img.props;
  p.setString(kOfxPropType, kOfxTypeImage);
  p.setDouble(kOfxImagePropPixelAspectRatio, 1.0);
  p.setString(kOfxImageEffectPropComponents, kOfxImageComponentRGBA);
  p.setString(kOfxImageEffectPropPixelDepth, kOfxBitDepthFloat);
  p.setString(kOfxImageEffectPropPreMultiplication, kOfxImagePreMultiplied);
  const int rect[4] = {bounds.x1, bounds.y1, bounds.x2, bounds.y2};
  for (int i = 0; i < 4; ++i) {
    p.setInt(kOfxImagePropRegionOfDefinition, rect[i], i);
    p.setInt(kOfxImagePropBounds, rect[i], i);
  }
  p.setString(kOfxImagePropField, kOfxImageFieldNone);
  p.setString(kOfxImagePropUniqueIdentifier, "img");
  p.setDouble(kOfxImageEffectPropRenderScale, 1.0, 0);
  p.setDouble(kOfxImageEffectPropRenderScale, 1.0, 1);
  p.setInt(kOfxImagePropRowBytes, rowBytes);
  // With negative row bytes the data pointer names the bottom row, stored last.
  unsigned char *base = reinterpret_cast<unsigned char *>(img.pixels.data());
  if (rowBytes < 0)
    base += (height - 1) * static_cast<size_t>(-rowBytes);
  p.setPointer(kOfxImagePropData, base);
  return img;
}

} // namespace fakehost
