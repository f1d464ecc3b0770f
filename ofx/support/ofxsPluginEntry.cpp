// The binary's exported entry points and the registry of the plug-in's factories.
#include "ofxsImageEffect.h"
#include "ofxsLog.h"
#include "ofxsSupportPrivate.h"

#include <memory>
#include <mutex>

namespace OFX {
namespace Private {
namespace {

struct Registry {
    PluginFactoryArray factories;
    std::vector<OfxPlugin> plugins;
};

std::once_flag gRegistryOnce;
Registry* gRegistry = nullptr; // lives until process exit, like the factories
// Frees the registry when a host unloads the binary (dlclose), as the factories are.
std::unique_ptr<Registry> gRegistryOwner;

void setHostEntry(OfxHost* host)
{
    setHost(host);
}

void buildRegistry()
{
    std::unique_ptr<Registry> r(new Registry);
    Plugin::getPluginIDs(r->factories);
    for (PluginFactory* f : r->factories) {
        OfxPlugin p;
        p.pluginApi = kOfxImageEffectPluginApi;
        p.apiVersion = kOfxImageEffectPluginApiVersion;
        p.pluginIdentifier = f->getID().c_str();
        p.pluginVersionMajor = f->getMajorVersion();
        p.pluginVersionMinor = f->getMinorVersion();
        p.setHost = &setHostEntry;
        p.mainEntry = f->getMainEntry();
        r->plugins.push_back(p);
    }
    gRegistry = r.get();
    gRegistryOwner = std::move(r);
}

// NULL if the plug-in's registration failed (it is retried on the next call).
Registry* registry()
{
    try {
        std::call_once(gRegistryOnce, buildRegistry);
    } catch (const std::exception& e) {
        Log::error(true, "registering the plug-in's factories failed: %s", e.what());
    } catch (...) {
        Log::error(true, "registering the plug-in's factories failed");
    }
    return gRegistry;
}

} // namespace

PluginFactory* findFactory(const char* uid)
{
    Registry* r = registry();
    if (r == nullptr || uid == nullptr)
        return nullptr;
    for (PluginFactory* f : r->factories)
        if (f->getUID() == uid)
            return f;
    return nullptr;
}

} // namespace Private
} // namespace OFX

extern "C" {

__attribute__((visibility("default"))) int OfxGetNumberOfPlugins(void)
{
    OFX::Private::Registry* r = OFX::Private::registry();
    return r ? static_cast<int>(r->plugins.size()) : 0;
}

__attribute__((visibility("default"))) OfxPlugin* OfxGetPlugin(int nth)
{
    OFX::Private::Registry* r = OFX::Private::registry();
    if (r == nullptr || nth < 0 || static_cast<size_t>(nth) >= r->plugins.size()) {
        OFX::Log::error(true, "OfxGetPlugin: no plug-in at index %d", nth);
        return nullptr;
    }
    return &r->plugins[static_cast<size_t>(nth)];
}

} // extern "C"
