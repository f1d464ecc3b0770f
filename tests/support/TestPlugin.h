#pragma once

// The effect that the support layer's tests register: its describe runs whatever
// the current test installs.

#include "ofxsImageEffect.h"

#include <functional>

namespace supporttest {

struct Hooks {
    std::function<void(OFX::ImageEffectDescriptor&)> describe;
};

// Reset at the start of every test by the fixture.
Hooks& hooks();

class TestEffect : public OFX::ImageEffect {
public:
    explicit TestEffect(OfxImageEffectHandle handle);
    void render(const OFX::RenderArguments&) override {}

    OFX::Clip* src;
    OFX::Clip* dst;
    OFX::DoubleParam* gain;
};

} // namespace supporttest
