// Loading one effect (load, describe, describe-in-context), its actions, and the Effect,
// EffectDescriptor and Bundle classes.
#include "InstanceData.h"
#include "MissingFeatures.h"

#include <ofxhost/Error.h>

#include <dlfcn.h>

#include <algorithm>

namespace ofxhost {
namespace {

// A fresh descriptor of the effect carrying the host's default properties.
std::shared_ptr<EffectDescriptor::Data> newDescriptor(const Effect::Data& d, bool gpuProperties)
{
    auto descriptor = std::make_shared<EffectDescriptor::Data>();
    descriptor->object = std::make_unique<EffectObject>();
    descriptor->object->core = d.core;
    initEffectDescriptorProps(descriptor->object->props, d.bundlePath, gpuProperties);
    return descriptor;
}

std::string listed(const std::vector<std::string>& items)
{
    std::string out;
    for (const auto& item : items)
        out += (out.empty() ? "" : ", ") + item;
    return out;
}

// Describes the effect, then in each context it shares with the host. A context the effect
// fails to describe is left out with a warning; an effect left with none fails.
void describeEffect(Effect::Data& d, bool gpuProperties)
{
    auto described = newDescriptor(d, gpuProperties);
    d.perform(kOfxActionDescribe, kOfxActionDescribe, described->object->handle(), nullptr,
              nullptr);
    d.described = true;
    d.descriptor = std::make_unique<EffectDescriptor>(described);

    const PropertySet& props = described->object->props;
    const auto hostContexts =
        d.core->hostProperties().getStrings(kOfxImageEffectPropSupportedContexts);
    const auto effectContexts = props.getStrings(kOfxImageEffectPropSupportedContexts);
    std::vector<std::string> failures;
    for (const auto& context : effectContexts) {
        if (std::find(hostContexts.begin(), hostContexts.end(), context) == hostContexts.end())
            continue;
        // What the effect said in describe holds in every context unless it says otherwise.
        auto inContext = newDescriptor(d, gpuProperties);
        copyProperties(props, inContext->object->props, true);
        PropertySet inArgs(PropertySet::Policy::Closed);
        inArgs.defineString(kOfxImageEffectPropContext, {context}, 1);
        try {
            d.perform(std::string(kOfxImageEffectActionDescribeInContext) + " (" + context + ")",
                      kOfxImageEffectActionDescribeInContext, inContext->object->handle(), &inArgs,
                      nullptr);
        } catch (const Error& e) {
            failures.push_back(e.what());
            continue;
        }
        d.contexts.emplace_back(context, std::make_unique<EffectDescriptor>(inContext));
    }
    if (d.contexts.empty() && !failures.empty())
        throw Error(listed(failures));
    if (d.contexts.empty())
        throw Error(d.identifier + " supports only " +
                    (effectContexts.empty() ? std::string("no context")
                                            : "the contexts " + listed(effectContexts)) +
                    ", none of which " + d.core->options().displayName + " provides (" +
                    listed(hostContexts) + ")");
    for (const auto& failure : failures)
        d.core->addMessage({kOfxMessageWarning, "ofxhost",
                            "effect " + d.identifier + " " +
                                versionText(d.versionMajor, d.versionMinor) +
                                ": leaving out a context: " + failure,
                            false});
}

// The effect with this identifier and the highest version among `effects` that `wanted` allows.
template <typename Effects>
Effect* highestVersion(const Effects& effects, const std::string& identifier, int major, int minor)
{
    Effect* best = nullptr;
    for (const auto& e : effects) {
        if (e->identifier() != identifier)
            continue;
        if ((major >= 0 && e->versionMajor() != unsigned(major)) ||
            (minor >= 0 && e->versionMinor() != unsigned(minor)))
            continue;
        if (!best || e->versionMajor() > best->versionMajor() ||
            (e->versionMajor() == best->versionMajor() && e->versionMinor() > best->versionMinor()))
            best = &*e;
    }
    return best;
}

} // namespace

std::string versionText(unsigned major, unsigned minor)
{
    return std::to_string(major) + "." + std::to_string(minor);
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
    d->perform(kOfxActionLoad, kOfxActionLoad, nullptr, nullptr, nullptr);
    describeEffect(*d, core.options().gpuProperties);
    return effect;
}

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
                             PropertySet* out, std::vector<std::string>* missing) const
{
    MissingFeatureScope scope;
    const OfxStatus status = plugin->mainEntry(action, handle, in ? in->handle() : nullptr,
                                               out ? out->handle() : nullptr);
    if (missing)
        *missing = scope.features();
    return status;
}

OfxStatus Effect::Data::perform(const std::string& what, const char* action, const void* handle,
                                PropertySet* in, PropertySet* out) const
{
    std::vector<std::string> missing;
    const OfxStatus status = call(action, handle, in, out, &missing);
    if (!succeeded(status))
        throw failure(what, action, status, missing);
    return status;
}

Error Effect::Data::failure(const std::string& what, const char* action, OfxStatus status,
                            const std::vector<std::string>& missing) const
{
    const std::string lacking = lackingText(status, missing, core->options().displayName);
    return Error(identifier + ": " + what + " failed with " + statusName(status) + lacking, status,
                 action, lacking);
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
    return createInstance(context, ProjectSettings{});
}

std::unique_ptr<Instance> Effect::createInstance(const std::string& context,
                                                 const ProjectSettings& project)
{
    const EffectDescriptor* described = contextDescriptor(context);
    if (!described)
        throw Error(m_data->identifier + " was not described in context " + context +
                    " (it was in " +
                    (contexts().empty() ? std::string("none") : listed(contexts())) + ")");
    auto data = std::make_unique<Instance::Data>();
    data->effect = m_data.get();
    data->context = context;
    data->object = makeInstanceObject(*described->data()->object, context, project,
                                      m_data->core->options().gpuProperties);
    // A failed create leaves no plug-in instance behind, so it must not be destroyed either.
    m_data->perform(kOfxActionCreateInstance, kOfxActionCreateInstance, data->object->handle(),
                    nullptr, nullptr);
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

Effect* Bundle::effect(const std::string& identifier, int major, int minor) const
{
    return highestVersion(m_data->effects, identifier, major, minor);
}

const std::vector<SkippedEffect>& Bundle::skipped() const
{
    return m_data->skipped;
}

} // namespace ofxhost
