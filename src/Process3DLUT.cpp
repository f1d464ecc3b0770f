#include "Process3DLUT.h"

#include <cstdint>

#include "DeviceLayout.h"
#include "LookRow.h"
#include "LutRules.h"

#if defined(ZELK_HAVE_CUDA)
#include "gpu/CudaKernels.h"
#endif
#if defined(ZELK_HAVE_OPENCL)
#include "gpu/OpenClLibrary.h"
#endif

Process3DLUT::Process3DLUT(OFX::ImageEffect& effect, const std::vector<zelk_vec3<float>>& lut,
                           int lutSize)
    : OFX::ImageProcessor(effect), m_LutSize(lutSize),
      m_LutUsable(zelk::lut::lutIsUsable(lut.size(), lutSize))
{
    m_Lut.reserve(lut.size() + 1);
    m_Lut.assign(lut.begin(), lut.end());
    m_Lut.push_back(zelk_vec3<float>{0.0f, 0.0f, 0.0f});
}

Process3DLUT::~Process3DLUT() = default;

std::string Process3DLUT::failure() const
{
    if (m_Wrote)
        return "";
    if (!m_Failure.empty())
        return m_Failure;
    const OfxRectI& w = m_RenderWindow;
    if (w.x1 >= w.x2 || w.y1 >= w.y2)
        return ""; // nothing was asked for
    if (m_DstImg == nullptr || !windowInside(w, m_DstImg->getBounds()))
        return "the render window lies outside the Output image";
    if (!m_LutUsable)
        return "the look cannot be applied";
    return "the Source image covers none of the render window";
}

bool Process3DLUT::deviceWindow(const char* api, bool rowsGoUp, GpuLookWindow& window)
{
    const OfxRectI& w = m_RenderWindow;
    window.width = w.x2 - w.x1;
    window.height = w.y2 - w.y1;
    const struct {
        const char* name;
        OFX::Image* image;
        GpuImageLayout& layout;
    } images[] = {{"Source", m_SrcImg, window.src}, {"Output", m_DstImg, window.dst}};
    for (const auto& image : images) {
        std::string why = image.image == nullptr
                              ? "is missing"
                              : zelk::deviceLayout(w, image.image->getBounds(),
                                                   image.image->getRowBytes(), image.layout);
        if (why.empty() && rowsGoUp && image.layout.pitch < 0)
            why = std::string("has negative rowBytes, which an ") + api + " buffer cannot have";
        if (!why.empty()) {
            m_Failure = std::string("the ") + api + " render cannot use the " + image.name +
                        " image: it " + why;
            OFX::Log::print("%s", m_Failure.c_str());
            return false;
        }
    }
    return true;
}

void Process3DLUT::failDevice(const char* api, const char* step, int error)
{
    m_Failure = std::string("the ") + api + " render failed while " + step;
    if (error != 0)
        m_Failure += " (" + std::string(api) + " error " + std::to_string(error) + ")";
}

void Process3DLUT::processImagesOpenCL()
{
#if defined(ZELK_HAVE_OPENCL)
    GpuLookWindow window;
    // A buffer handle has no address before its start to reach lower rows from.
    if (!m_LutUsable || !deviceWindow("OpenCL", true, window))
        return;
    const GpuLaunchResult result =
        RunOpenClKernel3DLUT(m_OpenCLCmdQ, window, m_Mix, m_Lut.data(), m_LutSize,
                             static_cast<const float*>(m_SrcImg->getPixelData()),
                             static_cast<float*>(m_DstImg->getPixelData()));
    if (result.ok())
        m_Wrote = true;
    else
        failDevice("OpenCL", result.failedStep, result.error);
#else
    OFX::ImageProcessor::processImagesOpenCL();
#endif
}

void Process3DLUT::processImagesCuda()
{
#if defined(ZELK_HAVE_CUDA)
    GpuLookWindow window;
    if (!m_LutUsable || !deviceWindow("CUDA", false, window))
        return;
    const GpuLaunchResult result =
        RunCudaKernel3DLUT(m_CudaStream, window, m_Mix, m_Lut.data(), m_LutSize,
                           static_cast<const float*>(m_SrcImg->getPixelData()),
                           static_cast<float*>(m_DstImg->getPixelData()));
    if (result.ok())
        m_Wrote = true;
    else
        failDevice("CUDA", result.failedStep, result.error);
#else
    OFX::ImageProcessor::processImagesCuda();
#endif
}

void Process3DLUT::processImagesMetal()
{
    m_Failure = "the host asked for a Metal render, which this plug-in does not have";
}

void Process3DLUT::multiThreadProcessImages(OfxRectI window)
{
    if (window.y1 >= window.y2 || !m_LutUsable || m_SrcImg == nullptr || m_DstImg == nullptr) {
        return;
    }
    const zelk::LookRowParams params{reinterpret_cast<const float*>(m_Lut.data()), m_LutSize, m_Mix,
                                     1.0f - m_Mix};
    const zelk::LookRowFn lookRow = zelk::lookRow();
    const int width = window.x2 > window.x1 ? window.x2 - window.x1 : 0;

    // A source narrower than the window has no complete row to read.
    const OfxRectI& srcBounds = m_SrcImg->getBounds();
    const bool srcCoversColumns = srcBounds.x1 <= window.x1 && window.x2 <= srcBounds.x2;

    bool wrote = false;
    for (int y = window.y1; y < window.y2; ++y) {
        if (m_Effect.abort()) {
            break;
        }
        if (width == 0 || !srcCoversColumns) {
            continue;
        }
        const float* src = static_cast<const float*>(m_SrcImg->getPixelAddress(window.x1, y));
        float* dst = static_cast<float*>(m_DstImg->getPixelAddress(window.x1, y));
        if (src == nullptr || dst == nullptr) {
            continue; // a missing row is left as the host supplied it
        }
        lookRow(params, src, dst, width);
        wrote = true;
    }
    // Once per band, not per row: every band's thread shares the flag.
    if (wrote) {
        m_Wrote.store(true, std::memory_order_relaxed);
    }
}
