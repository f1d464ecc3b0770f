#pragma once

// One effect instance: its clips and parameters, its identity and change
// handling, and the render set-up with the per-instance look cache.

#include <string>
#include <vector>

#include "ZelkVec3.h"
#include "ofxsImageEffect.h"

class RenderLook : public OFX::ImageEffect {
public:
    // lookDir serves "Tevo3/QXR3", lookDirTevo4 (lookDir + "4") "Tevo4/QXR4".
    RenderLook(OfxImageEffectHandle handle, const std::string& lookDir,
               const std::string& lookDirTevo4);
    ~RenderLook() override;

    void render(const OFX::RenderArguments& args) override;
    bool isIdentity(const OFX::IsIdentityArguments& args, OFX::Clip*& identityClip,
                    double& identityTime) override;
    void changedParam(const OFX::InstanceChangedArgs& args, const std::string& paramName) override;
    void changedClip(const OFX::InstanceChangedArgs& args, const std::string& clipName) override;

    void setEnabledness();
    void setupAndProcess(const OFX::RenderArguments& args);

private:
    // Loads the look's file when the look or the transfer curve differs from the
    // one loaded last; a file that failed is not retried until either changes.
    void updateLookCache(int lookIndex, int curveIndex);

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
};
