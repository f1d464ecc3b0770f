// Which effect of a bundle ofx-render runs (--effect ID[:VERSION]) and in which context
// (--context NAME).
#pragma once

#include <ofxhost/Host.h>

#include <string>
#include <vector>

namespace ofxrender {

// "ID", "ID:MAJOR" or "ID:MAJOR.MINOR"; throws UsageError for anything else.
struct EffectName {
    std::string identifier;
    int major = -1; // -1: any
    int minor = -1;
};
EffectName parseEffectName(const std::string& text);

// The effect `name` picks (its highest version that matches), or the bundle's only one when
// `name` is empty. Throws UsageError listing the bundle's effects when there is none such or
// several to choose from, and RenderError with the reason when the bundle skipped it.
ofxhost::Effect& chooseEffect(const ofxhost::Bundle& bundle, const std::string& name);

// The context `name` gives ("filter", "general", "transition", "generator" or the full
// OfxImageEffectContext... name); without one, the first of filter, general, transition and
// generator that has every clip in `clips`, generator first when `clips` is empty. Throws
// UsageError naming the contexts the effect was described in when none fits.
std::string chooseContext(const ofxhost::Effect& effect, const std::string& name,
                          const std::vector<std::string>& clips);

} // namespace ofxrender
