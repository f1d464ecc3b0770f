#include "TestPlugin.h"

namespace supporttest {

Hooks& hooks()
{
    static Hooks h;
    return h;
}

TestEffect::TestEffect(OfxImageEffectHandle handle)
    : OFX::ImageEffect(handle), src(fetchClip(kOfxImageEffectSimpleSourceClipName)),
      dst(fetchClip(kOfxImageEffectOutputClipName)), gain(fetchDoubleParam("gain"))
{
}

namespace {
class TestFactory : public OFX::PluginFactoryHelper<TestFactory> {
public:
    TestFactory() : OFX::PluginFactoryHelper<TestFactory>("org.zelk.test.Support", 2, 3) {}
    void describe(OFX::ImageEffectDescriptor& desc) override
    {
        if (hooks().describe)
            hooks().describe(desc);
    }
    void describeInContext(OFX::ImageEffectDescriptor&, OFX::ContextEnum) override {}
    OFX::ImageEffect* createInstance(OfxImageEffectHandle handle, OFX::ContextEnum) override
    {
        return new TestEffect(handle);
    }
};
} // namespace

} // namespace supporttest

void OFX::Plugin::getPluginIDs(OFX::PluginFactoryArray& ids)
{
    static supporttest::TestFactory factory;
    ids.push_back(&factory);
}
