#pragma once

// An in-process host for the support layer's tests. Property sets and the
// multi-thread, memory and message suites are the real host library's; faked is
// only what a real host never does: leave out a suite or a host property, fail a
// call, or hand the plug-in effect, clip and image handles that a test builds.

#include "ofxsImageEffect.h"

#include <ofxhost/Host.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace fakehost {

using Props = ofxhost::PropertySet;

struct Clip {
    Props props;
    std::unique_ptr<Props> image; // null: the host has no image (kOfxStatFailed)
    std::vector<float> pixels;
};

struct Effect {
    Props props;
    Props paramSetProps;
    std::map<std::string, Clip> clips;
    std::map<std::string, Props> params;
};

// One host per test; installs itself as the support layer's host.
class Host {
public:
    Host();
    ~Host(); // sends the unload when the load succeeded

    // OfxGetPlugin(0)->setHost, then the load action.
    OfxStatus load();
    OfxStatus action(const char* name, void* handle, OfxPropertySetHandle in = nullptr,
                     OfxPropertySetHandle out = nullptr);

    // An instance of the test effect in the filter context: "Source" and "Output"
    // clips and a double parameter "gain".
    Effect& makeInstanceEffect();
    // Gives the clip an RGBA float image; negative row bytes store the rows
    // bottom-up. Returns the first pixel in memory.
    float* attachImage(Effect& effect, const std::string& clip, OfxRectI bounds, int rowBytes);

    ofxhost::Host real;
    Props hostProps{real.hostProperties()};
    std::set<std::string> missingSuites; // "name/version"
    bool numCPUsFails = false;
    int releasedImages = 0;

    static Host* current;

private:
    OfxHost _ofxHost;
    OfxMultiThreadSuiteV1 _threadSuite;
    bool _loaded = false;
    std::vector<std::unique_ptr<Effect>> _effects;

    static const void* fetchSuite(OfxPropertySetHandle, const char* name, int version);
};

} // namespace fakehost
