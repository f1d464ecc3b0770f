// The bundle of test effects, one for each host feature the host tests try.
#include "Effects.h"

const std::vector<OfxPlugin*>& kit::bundle()
{
    static const std::vector<OfxPlugin*> all = {
        plugin<kMaskedInvert>(), plugin<kMix>(),      plugin<kByteInvert>(), plugin<kFormatProbe>(),
        plugin<kDot>(),          plugin<kParamZoo>(), plugin<kPad>(),        plugin<kTimeOffset>(),
        plugin<kInvert1>(),      plugin<kInvert2>(),  plugin<kRamp>()};
    return all;
}
