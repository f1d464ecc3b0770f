// The bundle of test effects, one for each host feature the host tests try.
#include "Effects.h"

#include <iterator>

namespace {

OfxPlugin* plugin(int nth)
{
    OfxPlugin* all[] = {kit::maskedInvert(), kit::mix(),      kit::byteInvert(), kit::formatProbe(),
                        kit::dot(),          kit::paramZoo(), kit::pad(),        kit::timeOffset(),
                        kit::invert(1),      kit::invert(2)};
    return nth >= 0 && nth < int(std::size(all)) ? all[nth] : nullptr;
}

} // namespace

extern "C" __attribute__((visibility("default"))) int OfxGetNumberOfPlugins(void)
{
    int n = 0;
    while (plugin(n))
        ++n;
    return n;
}

extern "C" __attribute__((visibility("default"))) OfxPlugin* OfxGetPlugin(int nth)
{
    return plugin(nth);
}
