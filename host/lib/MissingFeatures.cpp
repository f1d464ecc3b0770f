// Missing host features noted per thread while an action runs.
#include "MissingFeatures.h"

#include <ofxhost/Error.h>

#include <algorithm>
#include <cstring>

namespace ofxhost {
namespace {

thread_local MissingFeatureScope* t_scope = nullptr;

std::string joinedFeatures(const std::vector<std::string>& features)
{
    std::string out;
    for (size_t i = 0; i < features.size(); ++i) {
        if (i > 0)
            out += i + 1 == features.size() ? " and " : ", ";
        out += features[i];
    }
    return out;
}

} // namespace

MissingFeatureScope::MissingFeatureScope() : m_outer(t_scope)
{
    t_scope = this;
}

MissingFeatureScope::~MissingFeatureScope()
{
    t_scope = m_outer;
}

void noteMissingFeature(const std::string& feature)
{
    if (!t_scope)
        return;
    auto& seen = t_scope->m_features;
    if (std::find(seen.begin(), seen.end(), feature) == seen.end())
        seen.push_back(feature);
}

std::string suiteFeature(const char* name, int version)
{
    static const struct {
        const char* suite;
        const char* feature;
    } known[] = {
        {"OfxInteractSuite", "the interact suite (on-screen controls)"},
        {"OfxDrawSuite", "the draw suite (on-screen controls)"},
        {"OfxImageEffectOpenGLRenderSuite", "OpenGL rendering"},
        {"OfxOpenCLProgramSuite", "the OpenCL program suite"},
        {"OfxParametricParameterSuite", "the parametric parameter suite"},
        {"OfxDialogSuite", "the dialog suite"},
    };
    const std::string text = name ? name : "(null)";
    for (const auto& k : known)
        if (text == k.suite && version == 1)
            return k.feature;
    return "the suite \"" + text + "\" version " + std::to_string(version);
}

std::string lackingText(OfxStatus status, const std::vector<std::string>& missing,
                        const std::string& hostName)
{
    if (missing.empty())
        return "";
    const std::string lack = joinedFeatures(missing) + ", which " + hostName + " does not provide";
    if (status == kOfxStatErrMissingHostFeature || status == kOfxStatErrUnsupported)
        return ": needs " + lack;
    return " (it asked for " + lack + ")";
}

} // namespace ofxhost
