// Bundle search and loading, the load / describe / describe-in-context sequence, and the Host,
// Bundle, Effect and EffectDescriptor classes.
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

bool succeeded(OfxStatus st)
{
    return st == kOfxStatOK || st == kOfxStatReplyDefault;
}

std::string withoutTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

// Throws naming the effect and the action (with what it acted on) when the action failed.
void requireSuccess(const Effect::Data& d, const std::string& action, OfxStatus st)
{
    if (!succeeded(st))
        throw Error(d.identifier + ": " + action + " failed with " + statusName(st), st);
}

// A fresh descriptor of the effect carrying the host's default properties.
std::shared_ptr<EffectDescriptor::Data> newDescriptor(const Effect::Data& d, bool gpuProperties)
{
    auto descriptor = std::make_shared<EffectDescriptor::Data>();
    descriptor->object = std::make_unique<EffectObject>();
    descriptor->object->core = d.core;
    initEffectDescriptorProps(descriptor->object->props, d.bundlePath, gpuProperties);
    return descriptor;
}

void describeEffect(Effect::Data& d, bool gpuProperties)
{
    auto described = newDescriptor(d, gpuProperties);
    requireSuccess(d, kOfxActionDescribe,
                   d.call(kOfxActionDescribe, described->object->handle(), nullptr, nullptr));
    d.described = true;
    d.descriptor = std::make_unique<EffectDescriptor>(described);

    const PropertySet& props = described->object->props;
    const auto hostContexts =
        d.core->hostProperties().getStrings(kOfxImageEffectPropSupportedContexts);
    for (const auto& context : props.getStrings(kOfxImageEffectPropSupportedContexts)) {
        if (std::find(hostContexts.begin(), hostContexts.end(), context) == hostContexts.end())
            continue;
        auto inContext = newDescriptor(d, gpuProperties);
        PropertySet inArgs(PropertySet::Policy::Closed);
        inArgs.defineString(kOfxImageEffectPropContext, {context}, 1);
        const OfxStatus st = d.call(kOfxImageEffectActionDescribeInContext,
                                    inContext->object->handle(), &inArgs, nullptr);
        requireSuccess(
            d, std::string(kOfxImageEffectActionDescribeInContext) + " (" + context + ")", st);
        d.contexts.emplace_back(context, std::make_unique<EffectDescriptor>(inContext));
    }
}

std::unique_ptr<Effect> loadEffect(HostCore& core, OfxPlugin* plugin, const std::string& bundlePath)
{
    auto data = std::make_unique<Effect::Data>();
    Effect::Data* d = data.get();
    d->core = &core;
    d->plugin = plugin;
    d->identifier = plugin->pluginIdentifier ? plugin->pluginIdentifier : "";
    d->versionMajor = plugin->pluginVersionMajor;
    d->versionMinor = plugin->pluginVersionMinor;
    d->bundlePath = bundlePath;
    auto effect = std::make_unique<Effect>(std::move(data)); // from here on, failures unload
    plugin->setHost(core.ofxHost());
    requireSuccess(*d, kOfxActionLoad, d->call(kOfxActionLoad, nullptr, nullptr, nullptr));
    describeEffect(*d, core.options().gpuProperties);
    return effect;
}

} // namespace

// --- EffectDescriptor ----------------------------------------------------------------------------
EffectDescriptor::EffectDescriptor(std::shared_ptr<Data> data) : m_data(std::move(data)) {}

const PropertySet& EffectDescriptor::properties() const
{
    return m_data->object->props;
}
const PropertySet& EffectDescriptor::paramSetProperties() const
{
    return m_data->object->props;
}

std::vector<std::string> EffectDescriptor::clipNames() const
{
    std::lock_guard<std::mutex> lock(m_data->object->clipMutex);
    std::vector<std::string> names;
    for (const auto& c : m_data->object->clips)
        names.push_back(c->name);
    return names;
}

const PropertySet* EffectDescriptor::clip(const std::string& name) const
{
    ClipObject* c = m_data->object->findClip(name);
    return c ? &c->props : nullptr;
}

std::vector<std::string> EffectDescriptor::paramNames() const
{
    std::lock_guard<std::mutex> lock(m_data->object->paramSet.mutex);
    std::vector<std::string> names;
    for (const auto& p : m_data->object->paramSet.params)
        names.push_back(p->name);
    return names;
}

const PropertySet* EffectDescriptor::param(const std::string& name) const
{
    std::lock_guard<std::mutex> lock(m_data->object->paramSet.mutex);
    ParamObject* p = m_data->object->paramSet.find(name);
    return p ? &p->props : nullptr;
}

std::string EffectDescriptor::paramType(const std::string& name) const
{
    std::lock_guard<std::mutex> lock(m_data->object->paramSet.mutex);
    ParamObject* p = m_data->object->paramSet.find(name);
    return p ? p->type : std::string();
}

// --- Effect --------------------------------------------------------------------------------------
OfxStatus Effect::Data::call(const char* action, const void* handle, PropertySet* in,
                             PropertySet* out) const
{
    return plugin->mainEntry(action, handle, in ? in->handle() : nullptr,
                             out ? out->handle() : nullptr);
}

Effect::Effect(std::unique_ptr<Data> data) : m_data(std::move(data)) {}

Effect::~Effect()
{
    if (m_data->described)
        m_data->call(kOfxActionUnload, nullptr, nullptr, nullptr);
}

const std::string& Effect::identifier() const
{
    return m_data->identifier;
}
unsigned Effect::versionMajor() const
{
    return m_data->versionMajor;
}
unsigned Effect::versionMinor() const
{
    return m_data->versionMinor;
}
const std::string& Effect::bundlePath() const
{
    return m_data->bundlePath;
}
const EffectDescriptor& Effect::descriptor() const
{
    return *m_data->descriptor;
}

std::vector<std::string> Effect::contexts() const
{
    std::vector<std::string> names;
    for (const auto& c : m_data->contexts)
        names.push_back(c.first);
    return names;
}

const EffectDescriptor* Effect::contextDescriptor(const std::string& context) const
{
    for (const auto& c : m_data->contexts)
        if (c.first == context)
            return c.second.get();
    return nullptr;
}

std::unique_ptr<Instance> Effect::createInstance(const std::string& context)
{
    const EffectDescriptor* described = contextDescriptor(context);
    if (!described)
        throw Error(m_data->identifier + " was not described in context " + context);
    auto data = std::make_unique<Instance::Data>();
    data->effect = m_data.get();
    data->context = context;
    data->object = makeInstanceObject(*described->data()->object, context,
                                      m_data->core->options().gpuProperties);
    // A failed create leaves no plug-in instance behind, so it must not be destroyed either.
    requireSuccess(
        *m_data, kOfxActionCreateInstance,
        m_data->call(kOfxActionCreateInstance, data->object->handle(), nullptr, nullptr));
    data->created = true;
    return std::make_unique<Instance>(std::move(data));
}

// --- Bundle --------------------------------------------------------------------------------------
Bundle::Bundle(std::unique_ptr<Data> data) : m_data(std::move(data)) {}

Bundle::~Bundle()
{
    m_data->effects.clear(); // unload before the code goes away
    if (m_data->library)
        dlclose(m_data->library);
}

const std::string& Bundle::path() const
{
    return m_data->path;
}
const std::string& Bundle::binaryPath() const
{
    return m_data->binaryPath;
}

std::vector<Effect*> Bundle::effects() const
{
    std::vector<Effect*> out;
    for (const auto& e : m_data->effects)
        out.push_back(e.get());
    return out;
}

Effect* Bundle::effect(const std::string& identifier) const
{
    for (const auto& e : m_data->effects)
        if (e->identifier() == identifier)
            return e.get();
    return nullptr;
}

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
        d->effects.push_back(loadEffect(*m_core, plugin, path));
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
