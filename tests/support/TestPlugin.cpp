#include "TestPlugin.h"

namespace supporttest {

Hooks &hooks() {
  static Hooks h;
  return h;
}

TestEffect::TestEffect(OfxImageEffectHandle handle)
    : OFX::ImageEffect(handle), src(fetchClip(kOfxImageEffectSimpleSourceClipName)),
      dst(fetchClip(kOfxImageEffectOutputClipName)), gain(fetchDoubleParam("gain")) {}

void TestEffect::render(const OFX::RenderArguments &args) {
  if (hooks().render)
    hooks().render(*this, args);
}

bool TestEffect::isIdentity(const OFX::IsIdentityArguments &args, OFX::Clip *&clip, double &time) {
  if (gain->getValueAtTime(args.time) != 0.0)
    return false;
  clip = src;
  time = args.time + 1;
  return true;
}

namespace {
class TestFactory : public OFX::PluginFactoryHelper<TestFactory> {
public:
  TestFactory() : OFX::PluginFactoryHelper<TestFactory>(kPluginId, 2, 3) {}
  void describe(OFX::ImageEffectDescriptor &desc) override {
    if (hooks().describe)
      hooks().describe(desc);
  }
  void describeInContext(OFX::ImageEffectDescriptor &, OFX::ContextEnum) override {}
  OFX::ImageEffect *createInstance(OfxImageEffectHandle handle, OFX::ContextEnum) override {
    return new TestEffect(handle);
  }
};
} // namespace

} // namespace supporttest

void OFX::Plugin::getPluginIDs(OFX::PluginFactoryArray &ids) {
  static supporttest::TestFactory factory;
  ids.push_back(&factory);
}
