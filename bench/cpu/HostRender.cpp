#include "HostRender.h"

#include "BenchData.h"
#include "BenchTiming.h"
#include "LookRow.h"

#include <ofxhost/Host.h>

#include <cstring>
#include <stdexcept>
#include <vector>

namespace zelkbench {

HostRenderResult renderThroughHost(const HostRenderJob& job)
{
    ofxhost::HostOptions options;
    options.reportedCPUs = job.threads;
    ofxhost::Host host(options);
    ofxhost::Bundle& bundle = host.loadBundle(job.bundlePath);
    if (bundle.effects().empty()) {
        throw std::runtime_error("the bundle holds no effect");
    }
    std::unique_ptr<ofxhost::Instance> instance = bundle.effects().front()->createInstance();
    instance->setChoice("printStock", job.look);
    instance->setParam("colorSpaceTransform", 0);
    instance->setParam("color", job.mix);

    const std::vector<float> src = makeFrame(job.width, job.height);
    std::vector<float> dst(src.size(), 0.0f);
    const OfxRectI bounds{0, 0, job.width, job.height};
    ofxhost::ImageDesc image;
    image.rowBytes = 16 * job.width;
    image.bounds = bounds;
    image.data = const_cast<float*>(src.data());
    instance->setClipImage("Source", image);
    image.data = dst.data();
    instance->setClipImage("Output", image);

    auto render = [&] {
        const OfxStatus status = instance->render(0.0, bounds);
        if (status != kOfxStatOK) {
            throw std::runtime_error("render failed with status " + std::to_string(status));
        }
    };
    HostRenderResult result;
    result.medianSeconds = medianSeconds(job.runs, render);

    // The render must be the scalar rule's output, bit for bit.
    const std::vector<float> lut = makeLook(job.lutSize);
    const zelk::LookRowParams params{lut.data(), job.lutSize, job.mix, 1.0f - job.mix};
    std::vector<float> want(src.size());
    zelk::lookRowScalar(params, src.data(), want.data(), job.width * job.height);
    for (std::size_t i = 0; i < want.size(); ++i) {
        result.mismatches += std::memcmp(&want[i], &dst[i], sizeof(float)) != 0;
    }
    instance.reset();
    return result;
}

} // namespace zelkbench
