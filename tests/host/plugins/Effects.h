// The test effects of the host tests, gathered into one bundle by HostFeatures.cpp.
#pragma once

#include "PluginKit.h"

namespace kit {

extern const EffectSpec kMaskedInvert; // an optional Alpha mask
extern const EffectSpec kMix;          // two mandatory inputs; also a transition
extern const EffectSpec kRamp;         // the generator context: no input
extern const EffectSpec kByteInvert;   // 8-bit images only
extern const EffectSpec kFormatProbe;  // depth and components from parameters
extern const EffectSpec kDot;          // a disc at a normalised centre and radius
extern const EffectSpec kParamZoo;     // one parameter of every type
extern const EffectSpec kPad;          // output larger than its input
extern const EffectSpec kTimeOffset;   // another frame of its input
extern const EffectSpec kCurves;       // three curves of a parametric parameter
extern const EffectSpec kInvert1;      // Invert 1.0 and 2.3
extern const EffectSpec kInvert2;

} // namespace kit
