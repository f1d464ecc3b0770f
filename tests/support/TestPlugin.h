#pragma once

// The effect that the support layer's tests register: its factory and instance do
// whatever the current test installs in hooks().

#include "ofxsImageEffect.h"

#include <functional>

namespace supporttest {

constexpr const char *kPluginId = "org.zelk.test.Support";

class TestEffect;

struct Hooks {
  std::function<void(OFX::ImageEffectDescriptor &)> describe;
  std::function<void(TestEffect &, const OFX::RenderArguments &)> render;
};

// Reset at the start of every test by the fixture.
Hooks &hooks();

class TestEffect : public OFX::ImageEffect {
public:
  explicit TestEffect(OfxImageEffectHandle handle);
  void render(const OFX::RenderArguments &args) override;
  bool isIdentity(const OFX::IsIdentityArguments &args, OFX::Clip *&clip, double &time) override;

  OFX::Clip *src;
  OFX::Clip *dst;
  OFX::DoubleParam *gain;
};

} // namespace supporttest
