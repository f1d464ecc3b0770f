#pragma once

// One effect instance: its clips and parameters, its identity and change
// handling, and the render set-up with the per-instance look cache.

#include <string>
#include <vector>

#include "RenderMessages.h"
#include "ZelkVec3.h"
#include "ofxsImageEffect.h"

class RenderLook : public OFX::ImageEffect {
public:
    // lookDir serves "Tevo3/QXR3", lookDirTevo4 (lookDir + "4") "Tevo4/QXR4".
    RenderLook(OfxImageEffectHandle handle, const std::string& lookDir,
               const std::string& lookDirTevo4);
    ~RenderLook() override;

    // A render that writes no pixel, for any reason but the host's abort, fails
    // and tells the user why through the host's messages; the next render that
    // writes takes the message down.
    void render(const OFX::RenderArguments& args) override;
    bool isIdentity(const OFX::IsIdentityArguments& args, OFX::Clip*& identityClip,
                    double& identityTime) override;
    void changedParam(const OFX::InstanceChangedArgs& args, const std::string& paramName) override;
    void changedClip(const OFX::InstanceChangedArgs& args, const std::string& clipName) override;

    void setEnabledness();

    // How a render ended: `reason` says why nothing was written, with the
    // status the render fails with.
    struct Outcome {
        OfxStatus status = kOfxStatOK;
        std::string reason;
        bool aborted = false;
    };
    Outcome setupAndProcess(const OFX::RenderArguments& args);

private:
    // Loads the look's file when the look or the transfer curve differs from the
    // one loaded last; a file that failed is not retried until either changes.
    void updateLookCache(int lookIndex, int curveIndex);
    // Why the cached LUT is not applied ("" when it is).
    std::string lookProblem() const;
    const std::string& lookDirFor(int curveIndex) const;
    // The failure as the user reads it: the reason, then the look, the curve and
    // the look file chosen at `time`.
    std::string failureText(const std::string& reason, double time);

    OFX::Clip* m_DstClip;
    OFX::Clip* m_SrcClip;
    OFX::ChoiceParam* m_PrintStock;
    OFX::DoubleParam* m_Color;
    OFX::ChoiceParam* m_ColorSpaceTransform;
    std::string m_LookDir;
    std::string m_LookDirTevo4;
    std::vector<zelk_vec3<float>> m_Lut;
    int m_CurrLookIndex;
    int m_CurrCurveIndex;
    int m_LutSize;
    bool m_LookCached = false; // m_CurrLookIndex names the look loaded (or tried) last
    std::string m_LoadProblem; // why that look's file could not be used ("" if it could)
    RenderMessages m_Messages;
};
