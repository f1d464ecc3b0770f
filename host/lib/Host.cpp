// The Host: bundle search, opening a bundle's binary and loading each of its effects.
#include "InstanceData.h"
#include "ThreadPool.h"

#include <ofxhost/Error.h>

#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace ofxhost {
namespace {

constexpr const char* kBundleSuffix = ".ofx.bundle";
constexpr const char* kBinaryArch = "Linux-x86-64";

bool endsWith(const std::string& s, const std::string& suffix)
{
    return s.size() >= suffix.size() &&
           s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::string withoutTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

} // namespace

// --- Host ----------------------------------------------------------------------------------------
Host::Host(HostOptions options) : m_core(std::make_unique<HostCore>(std::move(options))) {}

Host::~Host()
{
    while (!m_bundles.empty())
        m_bundles.pop_back(); // newest first
}

std::vector<std::string> Host::searchPath() const
{
    std::vector<std::string> dirs;
    if (const char* env = std::getenv("OFX_PLUGIN_PATH")) {
        std::string list = env;
        size_t start = 0;
        while (start <= list.size()) {
            size_t end = list.find(':', start);
            if (end == std::string::npos)
                end = list.size();
            if (end > start)
                dirs.push_back(list.substr(start, end - start));
            start = end + 1;
        }
    }
    if (!m_core->options().defaultPluginDir.empty())
        dirs.push_back(m_core->options().defaultPluginDir);
    return dirs;
}

std::string Host::findBundle(const std::string& name) const
{
    const std::string bundleName = endsWith(name, kBundleSuffix) ? name : name + kBundleSuffix;
    std::string searched;
    for (const auto& dir : searchPath()) {
        const fs::path candidate = fs::path(dir) / bundleName;
        std::error_code ec;
        if (fs::is_directory(candidate, ec))
            return candidate.string();
        searched += (searched.empty() ? "" : ", ") + dir;
    }
    throw Error("bundle " + bundleName + " not found in " +
                (searched.empty() ? "(no directories)" : searched) +
                " (OFX_PLUGIN_PATH, then the default plug-in directory)");
}

std::vector<std::string> Host::findAllBundles() const
{
    std::vector<std::string> found;
    for (const auto& dir : searchPath()) {
        std::error_code ec;
        std::vector<std::string> here;
        for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
            const std::string name = it->path().filename().string();
            std::error_code typeError;
            if (endsWith(name, kBundleSuffix) && it->is_directory(typeError))
                here.push_back(it->path().string());
        }
        std::sort(here.begin(), here.end());
        found.insert(found.end(), here.begin(), here.end());
    }
    return found;
}

Bundle& Host::loadBundle(const std::string& bundlePath)
{
    const std::string path = withoutTrailingSlashes(bundlePath);
    const std::string dirName = fs::path(path).filename().string();
    if (!endsWith(dirName, kBundleSuffix) || dirName.size() == std::string(kBundleSuffix).size())
        throw Error("not an OFX bundle (expected a NAME.ofx.bundle directory): " + bundlePath);
    std::error_code ec;
    if (!fs::is_directory(path, ec))
        throw Error("no such bundle directory: " + bundlePath);
    const std::string name = dirName.substr(0, dirName.size() - std::string(kBundleSuffix).size());

    auto data = std::make_unique<Bundle::Data>();
    Bundle::Data* d = data.get();
    d->path = path;
    d->binaryPath = (fs::path(path) / "Contents" / kBinaryArch / (name + ".ofx")).string();
    if (!fs::exists(d->binaryPath, ec))
        throw Error("bundle " + path + " has no binary " + d->binaryPath);

    dlerror();
    d->library = dlopen(d->binaryPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!d->library) {
        const char* why = dlerror();
        throw Error("cannot load " + d->binaryPath + ": " + (why ? why : "unknown dlopen error"));
    }
    auto bundle =
        std::make_unique<Bundle>(std::move(data)); // closes the library on any failure below

    using CountFn = int (*)();
    using GetFn = OfxPlugin* (*)(int);
    using SetHostFn = OfxStatus (*)(const OfxHost*);
    dlerror();
    auto count = reinterpret_cast<CountFn>(dlsym(d->library, "OfxGetNumberOfPlugins"));
    auto get = reinterpret_cast<GetFn>(dlsym(d->library, "OfxGetPlugin"));
    if (!count || !get) {
        const char* why = dlerror();
        throw Error(d->binaryPath +
                    " is not an OFX plug-in: " + (why ? why : "entry points missing"));
    }
    // Optional since 1.5: a binary may refuse this host, which then skips it quietly.
    if (auto setHost = reinterpret_cast<SetHostFn>(dlsym(d->library, "OfxSetHost"))) {
        if (setHost(m_core->ofxHost()) == kOfxStatFailed) {
            m_bundles.push_back(std::move(bundle));
            return *m_bundles.back();
        }
    }
    const int n = count();
    for (int i = 0; i < n; ++i) {
        OfxPlugin* plugin = get(i);
        if (!plugin || !plugin->pluginApi || !plugin->setHost || !plugin->mainEntry)
            continue;
        if (std::string(plugin->pluginApi) != kOfxImageEffectPluginApi ||
            plugin->apiVersion != kOfxImageEffectPluginApiVersion) {
            m_core->addMessage(
                {kOfxMessageWarning, "ofxhost",
                 "skipping plug-in " +
                     std::string(plugin->pluginIdentifier ? plugin->pluginIdentifier : "?") +
                     ": unsupported API " + plugin->pluginApi + " version " +
                     std::to_string(plugin->apiVersion),
                 false});
            continue;
        }
        // One effect that cannot be used leaves the others of the bundle usable.
        try {
            d->effects.push_back(loadEffect(*m_core, plugin, path));
        } catch (const Error& e) {
            SkippedEffect skipped{plugin->pluginIdentifier ? plugin->pluginIdentifier : "?",
                                  plugin->pluginVersionMajor, plugin->pluginVersionMinor, e.what()};
            m_core->addMessage({kOfxMessageWarning, "ofxhost",
                                "skipping effect " + skipped.identifier + " " +
                                    versionText(skipped.versionMajor, skipped.versionMinor) + ": " +
                                    skipped.reason,
                                false});
            d->skipped.push_back(std::move(skipped));
        }
    }
    m_bundles.push_back(std::move(bundle));
    return *m_bundles.back();
}

Bundle& Host::loadBundleByName(const std::string& name)
{
    return loadBundle(findBundle(name));
}

const std::vector<std::unique_ptr<Bundle>>& Host::bundles() const
{
    return m_bundles;
}

Effect* Host::effect(const std::string& identifier) const
{
    for (const auto& b : m_bundles)
        if (Effect* e = b->effect(identifier))
            return e;
    return nullptr;
}

void Host::setReportedCPUs(unsigned count)
{
    setReportedCPUCount(count);
}
unsigned Host::reportedCPUs() const
{
    return reportedCPUCount();
}
unsigned Host::threadPoolSize() const
{
    return ThreadPool::instance().size();
}

std::vector<Message> Host::messages() const
{
    return m_core->messages();
}
void Host::clearMessages()
{
    m_core->clearMessages();
}
const PropertySet& Host::hostProperties() const
{
    return m_core->hostProperties();
}
OfxHost* Host::ofxHost()
{
    return m_core->ofxHost();
}
const HostOptions& Host::options() const
{
    return m_core->options();
}
HostCore& Host::core()
{
    return *m_core;
}

} // namespace ofxhost
