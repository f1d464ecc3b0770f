// The test effects of the host tests, one OfxPlugin record each, gathered into bundles by
// HostFeatures.cpp, Curves.cpp and Partly.cpp.
#pragma once

#include <ofxCore.h>

namespace kit {

OfxPlugin* maskedInvert();      // org.zelk.test.MaskedInvert: an optional Alpha mask
OfxPlugin* mix();               // org.zelk.test.Mix: two mandatory inputs A and B
OfxPlugin* byteInvert();        // org.zelk.test.ByteInvert: 8-bit images only
OfxPlugin* formatProbe();       // org.zelk.test.FormatProbe: depth and components from parameters
OfxPlugin* dot();               // org.zelk.test.Dot: a disc at a normalised centre and radius
OfxPlugin* paramZoo();          // org.zelk.test.ParamZoo: one parameter of every type
OfxPlugin* pad();               // org.zelk.test.Pad: output larger than its input
OfxPlugin* timeOffset();        // org.zelk.test.TimeOffset: another frame of its input
OfxPlugin* invert(int version); // org.zelk.test.Invert 1.0 and 2.3

} // namespace kit
