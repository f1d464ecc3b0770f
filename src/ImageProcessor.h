#pragma once

// The processor frame: runs one render window through exactly one path (OpenCL,
// CUDA, Metal or the CPU) and splits CPU work into bands of whole rows.

#include <algorithm>
#include <cstdint>

#include "ofxsImageEffect.h"
#include "ofxsLog.h"
#include "ofxsMultiThread.h"

namespace OFX {

class ImageProcessor : public MultiThread::Processor {
public:
    explicit ImageProcessor(ImageEffect& effect) : m_Effect(effect) {}
    ~ImageProcessor() override = default;

    // Band i of n: the full width of the window, rows split in equal chunks.
    void multiThreadFunction(unsigned int threadIndex, unsigned int threadCount) override
    {
        OfxRectI band;
        if (bandOf(m_RenderWindow, threadIndex, threadCount, band)) {
            multiThreadProcessImages(band);
        }
    }

    virtual void preProcess() {}

    virtual void processImagesOpenCL() { notImplemented("processImagesOpenCL not implemented"); }
    virtual void processImagesCuda() { notImplemented("processImagesCuda not implemented"); }
    virtual void processImagesMetal() { notImplemented("processImagesMetal not implemented"); }

    virtual void multiThreadProcessImages(OfxRectI /*window*/)
    {
        notImplemented("multiThreadProcessImages not implemented");
    }

    virtual void postProcess() {}

    virtual void process()
    {
        if (m_DstImg != nullptr && !windowInside(m_RenderWindow, m_DstImg->getBounds())) {
            return;
        }
        preProcess();
        if (m_OpenCLEnabled) {
            Log::print("processing via OpenCL");
            processImagesOpenCL();
        } else if (m_CudaEnabled) {
            Log::print("processing via CUDA");
            processImagesCuda();
        } else if (m_MetalEnabled) {
            Log::print("processing via Metal");
            processImagesMetal();
        } else {
            Log::print("processing via CPU");
            multiThread(cpuThreadCount(m_RenderWindow, MultiThread::getNumCPUs()));
        }
        postProcess();
    }

    void setDstImg(Image* image) { m_DstImg = image; }
    void setRenderWindow(OfxRectI window) { m_RenderWindow = window; }

    // A handle is taken only with its flag, so a path the host did not enable
    // never sees a stale queue or stream.
    void setGPURenderArgs(const RenderArguments& args)
    {
        m_OpenCLEnabled = args.isEnabledOpenCLRender;
        m_CudaEnabled = args.isEnabledCudaRender;
        m_MetalEnabled = args.isEnabledMetalRender;
        if (m_OpenCLEnabled) {
            m_OpenCLCmdQ = args.pOpenCLCmdQ;
        }
        if (m_CudaEnabled) {
            m_CudaStream = args.pCudaStream;
        }
        if (m_MetalEnabled) {
            m_MetalCmdQ = args.pMetalCmdQ;
        }
    }

    // Non-empty and inside the bounds (x2, y2 exclusive).
    static bool windowInside(const OfxRectI& window, const OfxRectI& bounds)
    {
        return window.x1 < window.x2 && window.y1 < window.y2 && bounds.x1 <= window.x1 &&
               window.x2 <= bounds.x2 && bounds.y1 <= window.y1 && window.y2 <= bounds.y2;
    }

    // One thread per further 4096 pixels (a row counts for at most 4096), never
    // more than the host's CPUs, at least one.
    static unsigned int cpuThreadCount(const OfxRectI& window, unsigned int numCPUs)
    {
        const std::int64_t width =
            std::min<std::int64_t>(static_cast<std::int64_t>(window.x2) - window.x1, 4096);
        const std::int64_t pixels = width * (static_cast<std::int64_t>(window.y2) - window.y1);
        const std::int64_t perPixels = std::max<std::int64_t>(pixels / 4096, 0);
        const unsigned int wanted =
            static_cast<unsigned int>(std::min<std::int64_t>(perPixels, UINT32_MAX));
        const unsigned int n = std::min(numCPUs, wanted);
        return n == 0 ? 1 : n;
    }

    // The rows of band `index` of `count`; false when that band is empty.
    static bool bandOf(const OfxRectI& window, unsigned int index, unsigned int count,
                       OfxRectI& band)
    {
        if (count == 0 || window.y2 <= window.y1) {
            return false;
        }
        const unsigned int rows = static_cast<unsigned int>(window.y2 - window.y1);
        unsigned int chunk =
            static_cast<unsigned int>((static_cast<std::uint64_t>(rows) + count - 1) / count);
        if (chunk == 0) {
            chunk = 1;
        }
        const std::uint64_t start = static_cast<std::uint64_t>(index) * chunk;
        if (start >= rows) {
            return false;
        }
        const std::uint64_t end = std::min<std::uint64_t>(start + chunk, rows);
        band.x1 = window.x1;
        band.x2 = window.x2;
        band.y1 = window.y1 + static_cast<int>(start);
        band.y2 = window.y1 + static_cast<int>(end);
        return true;
    }

protected:
    ImageEffect& m_Effect;
    Image* m_DstImg = nullptr;
    OfxRectI m_RenderWindow{0, 0, 0, 0};
    bool m_OpenCLEnabled = false;
    bool m_CudaEnabled = false;
    bool m_MetalEnabled = false;
    void* m_OpenCLCmdQ = nullptr;
    void* m_CudaStream = nullptr;
    void* m_MetalCmdQ = nullptr;

private:
    static void notImplemented(const char* line)
    {
        Log::print("%s", line);
        throwSuiteStatusException(kOfxStatErrUnsupported);
    }
};

} // namespace OFX
