// ofxhost: our OFX image-effect host. Loads bundles, describes their effects and creates instances.
#pragma once

#include <ofxhost/Error.h>
#include <ofxhost/Instance.h>
#include <ofxhost/PropertySet.h>
#include <ofxhost/Types.h>

#include <ofxCore.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ofxhost {

class HostCore; // suites, thread pool, message log (internal)

// What the plug-in described: the effect's properties, its clips and parameters in order of
// definition. One for Describe, one per context for DescribeInContext.
class EffectDescriptor {
public:
    const PropertySet& properties() const;
    const PropertySet& paramSetProperties() const;           // holds OfxPluginPropParamPageOrder
    std::vector<std::string> clipNames() const;              // definition order
    const PropertySet* clip(const std::string& name) const;  // nullptr if not defined
    std::vector<std::string> paramNames() const;             // definition order
    const PropertySet* param(const std::string& name) const; // nullptr if not defined
    std::string paramType(const std::string& name) const;    // "" if not defined

    struct Data;
    explicit EffectDescriptor(std::shared_ptr<Data> data);
    const std::shared_ptr<Data>& data() const { return m_data; }

private:
    std::shared_ptr<Data> m_data;
};

// One image effect of a loaded bundle (one OfxPlugin record), loaded and described.
class Effect {
public:
    const std::string& identifier() const;
    unsigned versionMajor() const;
    unsigned versionMinor() const;
    const std::string& bundlePath() const;
    const EffectDescriptor& descriptor() const; // from "OfxActionDescribe"
    std::vector<std::string> contexts() const;  // contexts described in, in order
    // From "OfxImageEffectActionDescribeInContext"; nullptr when not described in `context`.
    const EffectDescriptor* contextDescriptor(const std::string& context) const;
    // Creates an instance in a described context ("OfxActionCreateInstance") within `project`
    // (default: 1920 x 1080 at 24 frames a second); throws Error naming the status when the
    // plug-in fails it. The Effect must outlive the instance.
    std::unique_ptr<Instance>
    createInstance(const std::string& context = "OfxImageEffectContextFilter");
    std::unique_ptr<Instance> createInstance(const std::string& context,
                                             const ProjectSettings& project);

    struct Data;
    explicit Effect(std::unique_ptr<Data> data);
    ~Effect();
    Data& data() { return *m_data; }

private:
    std::unique_ptr<Data> m_data;
};

// An effect of a bundle that could not be used: its load, its description or every context it
// shares with the host failed (reason says which, with the status and what the host lacks).
struct SkippedEffect {
    std::string identifier;
    unsigned versionMajor = 0;
    unsigned versionMinor = 0;
    std::string reason;
};

// A loaded bundle: its binary stays open while the Bundle lives; destroying it sends
// "OfxActionUnload" to each described effect, then closes the binary.
class Bundle {
public:
    const std::string& path() const;       // the bundle directory (OfxPluginPropFilePath)
    const std::string& binaryPath() const; // <bundle>/Contents/Linux-x86-64/<name>.ofx
    std::vector<Effect*> effects() const;  // the usable ones, in the binary's order
    // The highest version of the effect, of major version `major` (and minor `minor`) when
    // given; nullptr if there is none.
    Effect* effect(const std::string& identifier, int major = -1, int minor = -1) const;
    const std::vector<SkippedEffect>& skipped() const;

    struct Data;
    explicit Bundle(std::unique_ptr<Data> data);
    ~Bundle();

private:
    std::unique_ptr<Data> m_data;
};

class Host {
public:
    explicit Host(HostOptions options = {});
    ~Host(); // unloads every bundle; instances must be destroyed first
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    // Directories searched for bundles: each OFX_PLUGIN_PATH entry (':'-separated, empty
    // entries skipped), then options.defaultPluginDir.
    std::vector<std::string> searchPath() const;
    // Path of the first "<name>.ofx.bundle" (name given with or without ".ofx.bundle") in the
    // search path; throws Error listing the directories searched when none has it.
    std::string findBundle(const std::string& name) const;
    // Every *.ofx.bundle in the search path, in search order (earlier directories first).
    std::vector<std::string> findAllBundles() const;

    // Loads the bundle at `bundlePath` (a "<name>.ofx.bundle" directory), hands each effect the
    // host, runs load, describe and describe-in-context for each context the effect and this
    // host share (filter, general). Throws Error with the dlerror() text when the binary does not
    // load. An effect that fails its load or description, or every shared context, is skipped
    // and a context it fails is left out, each with a warning message; the rest stay usable.
    Bundle& loadBundle(const std::string& bundlePath);
    // findBundle(name) then loadBundle.
    Bundle& loadBundleByName(const std::string& name);
    const std::vector<std::unique_ptr<Bundle>>& bundles() const;
    // The highest version of the effect in the first loaded bundle that has it; nullptr if none.
    Effect* effect(const std::string& identifier) const;

    // The multi-thread suite's reported CPU count; 0 reports the machine's cores. The suite has
    // no handle to tell hosts apart, so the count and the thread pool are process-wide: the last
    // setting (or Host construction) wins.
    void setReportedCPUs(unsigned count);
    unsigned reportedCPUs() const;   // the count the suite reports now
    unsigned threadPoolSize() const; // threads created at construction (the machine's cores)

    // Messages the plug-ins sent through the message suite, oldest first.
    std::vector<Message> messages() const;
    void clearMessages();

    const PropertySet& hostProperties() const;
    // The OfxHost handed to plug-ins: its property set and fetchSuite (for suite-level tests).
    OfxHost* ofxHost();
    const HostOptions& options() const;
    HostCore& core();

private:
    std::unique_ptr<HostCore> m_core;
    std::vector<std::unique_ptr<Bundle>> m_bundles;
};

} // namespace ofxhost
