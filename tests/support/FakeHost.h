#pragma once

// A minimal in-process OFX host for the support layer's tests: a map-backed
// property suite, just enough of the image-effect, parameter, multi-thread and
// message suites, and switches that make the host misbehave on purpose.

#include "ofxsImageEffect.h"

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace fakehost {

struct Property {
  char type = 0; // 's', 'i', 'd', 'p'
  std::vector<std::string> s;
  std::vector<int> i;
  std::vector<double> d;
  std::vector<void *> p;
  int size() const;
};

struct Props {
  std::map<std::string, Property> values;
  std::set<std::string> unknown; // names this host refuses to get or set

  OfxPropertySetHandle handle() { return reinterpret_cast<OfxPropertySetHandle>(this); }
  void setString(const std::string &name, const std::string &v, int idx = 0);
  void setInt(const std::string &name, int v, int idx = 0);
  void setDouble(const std::string &name, double v, int idx = 0);
  void setPointer(const std::string &name, void *v, int idx = 0);
  bool has(const std::string &name) const { return values.count(name) != 0; }
  std::string getString(const std::string &name, int idx = 0) const;
  int getInt(const std::string &name, int idx = 0) const;
  void *getPointer(const std::string &name, int idx = 0) const;
};

struct Image {
  Props props;
  std::vector<float> pixels;
};

struct Clip {
  Props props;
  std::unique_ptr<Image> image; // null: the host has no image (kOfxStatFailed)
};

struct Param {
  Props props;
  double value = 0;
};

struct Effect {
  Props props;
  Props paramSetProps;
  std::map<std::string, std::unique_ptr<Clip>> clips;
  std::map<std::string, std::unique_ptr<Param>> params;
  bool abortFlag = false;
  OfxImageEffectHandle handle() { return reinterpret_cast<OfxImageEffectHandle>(this); }
};

// One host per test; installs itself as the support layer's host.
class Host {
public:
  Host();
  ~Host();

  // The whole load: OfxGetPlugin(0)->setHost, then the Load action.
  OfxStatus load();
  OfxStatus action(const char *name, void *handle, OfxPropertySetHandle in = nullptr,
                   OfxPropertySetHandle out = nullptr);

  // An instance of the test effect in the filter context, with "Source" and
  // "Output" clips and a double parameter "gain".
  Effect &makeInstanceEffect();
  Image &attachImage(Effect &e, const std::string &clip, OfxRectI bounds, int rowBytes);

  Props hostProps;
  std::set<std::string> missingSuites; // "name/version"
  OfxStatus multiThreadStatus = kOfxStatOK;
  unsigned int numCPUs = 4;
  bool numCPUsFails = false;
  int releasedImages = 0;
  unsigned int lastThreadCount = 0;

  static Host *current;

private:
  OfxHost _ofxHost;
  OfxPluginEntryPoint *_mainEntry = nullptr;
  bool _loaded = false;
  std::vector<std::unique_ptr<Effect>> _effects;
};

} // namespace fakehost
