// The test effects of the host tests, gathered into one bundle by HostFeatures.cpp.
#pragma once

#include "PluginKit.h"

namespace kit {

extern const EffectRecord kMaskedInvert; // an optional Alpha mask
extern const EffectRecord kMix;          // two mandatory inputs; also a transition
extern const EffectRecord kRamp;         // the generator context: no input
extern const EffectRecord kByteInvert;   // 8-bit images only
extern const EffectRecord kFormatProbe;  // depth and components from parameters
extern const EffectRecord kDot;          // a disc at a normalised centre and radius
extern const EffectRecord kParamZoo;     // one parameter of every type, curves too
extern const EffectRecord kPad;          // output larger than its input
extern const EffectRecord kTimeOffset;   // another frame of its input
extern const EffectRecord kInvert1;      // Invert 1.0 and 2.3
extern const EffectRecord kInvert2;

} // namespace kit
