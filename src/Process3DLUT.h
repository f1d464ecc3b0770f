#pragma once

// Applies a look: every pixel of the source through the 3D LUT (tetrahedral
// interpolation), blended with the untouched pixel by `mix`, alpha kept.

#include <vector>

#include "ImageProcessor.h"
#include "ZelkVec3.h"

class Process3DLUT : public OFX::ImageProcessor {
public:
    // Takes its own copy of the LUT, so later changes to the caller's LUT do not
    // reach a render in flight.
    Process3DLUT(OFX::ImageEffect& effect, const std::vector<zelk_vec3<float>>& lut, int lutSize);
    ~Process3DLUT() override;

    void processImagesOpenCL() override;
    void processImagesCuda() override;
    void processImagesMetal() override;
    void multiThreadProcessImages(OfxRectI window) override;

    void setSrcImg(OFX::Image* image) { m_SrcImg = image; }
    void setParameter(float mix) { m_Mix = mix; }

private:
    // The GPU paths read whole packed frames: the source has to cover the window.
    bool sourceCoversWindow() const;

    // The look's N*N*N entries followed by one zero entry: the vector row
    // functions load four floats per corner, the last corner included.
    std::vector<zelk_vec3<float>> m_Lut;
    int m_LutSize;
    bool m_LutUsable;
    OFX::Image* m_SrcImg = nullptr;
    float m_Mix = 0.0f;
};
