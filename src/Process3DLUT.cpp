#include "Process3DLUT.h"

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

bool Process3DLUT::sourceCoversWindow() const
{
    return m_SrcImg != nullptr &&
           OFX::ImageProcessor::windowInside(m_RenderWindow, m_SrcImg->getBounds());
}

void Process3DLUT::processImagesOpenCL()
{
#if defined(ZELK_HAVE_OPENCL)
    if (!m_LutUsable || !sourceCoversWindow() || m_DstImg == nullptr) {
        OFX::Log::print("OpenCL render skipped: no usable LUT or source image");
        return;
    }
    const OfxRectI& w = m_RenderWindow;
    RunOpenClKernel3DLUT(m_OpenCLCmdQ, w.x2 - w.x1, w.y2 - w.y1, m_Mix, m_Lut.data(), m_LutSize,
                         static_cast<const float*>(m_SrcImg->getPixelData()),
                         static_cast<float*>(m_DstImg->getPixelData()));
#else
    OFX::ImageProcessor::processImagesOpenCL();
#endif
}

void Process3DLUT::processImagesCuda()
{
#if defined(ZELK_HAVE_CUDA)
    if (!m_LutUsable || !sourceCoversWindow() || m_DstImg == nullptr) {
        OFX::Log::print("CUDA render skipped: no usable LUT or source image");
        return;
    }
    const OfxRectI& w = m_RenderWindow;
    RunCudaKernel3DLUT(m_CudaStream, w.x2 - w.x1, w.y2 - w.y1, m_Mix, m_Lut.data(), m_LutSize,
                       static_cast<const float*>(m_SrcImg->getPixelData()),
                       static_cast<float*>(m_DstImg->getPixelData()));
#else
    OFX::ImageProcessor::processImagesCuda();
#endif
}

void Process3DLUT::processImagesMetal()
{
    // No Metal path on this platform: the host gets an unwritten destination.
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

    for (int y = window.y1; y < window.y2; ++y) {
        if (m_Effect.abort()) {
            return;
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
    }
}
