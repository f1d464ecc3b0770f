#pragma once

// Applies a look: every pixel of the source through the 3D LUT (tetrahedral
// interpolation), blended with the untouched pixel by `mix`, alpha kept.

#include <atomic>
#include <string>
#include <vector>

#include "ImageProcessor.h"
#include "ZelkVec3.h"

struct GpuLookWindow;

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

    // After process(): why no pixel was written, as a user reads it; "" when the
    // render wrote (a host abort may still have cut it short).
    std::string failure() const;

private:
    // The window in both images for the device path of `api`; false (and the
    // failure set) when one of them cannot be addressed there. `rowsGoUp`: the
    // path cannot take negative rowBytes.
    bool deviceWindow(const char* api, bool rowsGoUp, GpuLookWindow& window);
    void failDevice(const char* api, const char* step, int error);

    // The look's N*N*N entries followed by one zero entry: the vector row
    // functions load four floats per corner, the last corner included.
    std::vector<zelk_vec3<float>> m_Lut;
    int m_LutSize;
    bool m_LutUsable;
    OFX::Image* m_SrcImg = nullptr;
    float m_Mix = 0.0f;
    std::atomic<bool> m_Wrote{false}; // the CPU bands set it, each from its own thread
    std::string m_Failure;
};
