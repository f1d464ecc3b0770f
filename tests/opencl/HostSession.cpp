#include "HostSession.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "TestBundle.h"

using namespace looktest;

const TestLook kTestLooks[4] = {
    {"twisted33", 33, twistedLut},
    {"redonly19", 19, redOnlyLut},
    {"bizarre21", 21, bizarreLut},
    {"twisted65", 65, twistedLut},
};

namespace {

std::string bundle_dir()
{
    static const std::string dir =
        std::string(ZELK_TEST_BUILD_DIR) + "/opencl-host-test-" + std::to_string(::getpid());
    return dir;
}

void remove_bundle_dir()
{
    std::error_code ignored;
    std::filesystem::remove_all(bundle_dir(), ignored);
}

} // namespace

HostSession& HostSession::get()
{
    static HostSession session = [] {
        HostSession s;
        std::string why;
        if (!ofxhost::openClDeviceAvailable(&why)) {
            s.unavailable = "No OpenCL device: " + why;
            return s;
        }
        std::vector<NamedLook> looks;
        for (const TestLook& look : kTestLooks)
            looks.push_back({look.name, look.n, look.make(look.n)});
        const std::string bundle = makeTestBundle(ZELK_TEST_BUNDLE, bundle_dir(), looks);
        s.host = std::make_unique<ofxhost::Host>();
        s.effect = s.host->loadBundle(bundle).effects().at(0);
        s.renderer = std::make_unique<ofxhost::OpenClRenderer>();
        return s;
    }();
    // Registered after `session` exists: runs once the plug-in is unloaded.
    static const int removal = std::atexit(remove_bundle_dir);
    (void)removal;
    return session;
}

std::unique_ptr<ofxhost::Instance> HostSession::instance(const std::string& look, double mix)
{
    std::unique_ptr<ofxhost::Instance> instance = effect->createInstance();
    instance->setChoice("printStock", look);
    instance->setParam("color", mix);
    return instance;
}

Pixels renderOnCpu(ofxhost::Instance& instance, const Pixels& src, int width, int height)
{
    Pixels dst(src.size(), 0.0f);
    ofxhost::ImageDesc image;
    image.rowBytes = width * 16;
    image.bounds = OfxRectI{0, 0, width, height};
    image.data = const_cast<float*>(src.data());
    instance.setClipImage("Source", image);
    image.data = dst.data();
    instance.setClipImage("Output", image);
    const OfxStatus status = instance.render(0.0, image.bounds);
    instance.clearClipImage("Source");
    instance.clearClipImage("Output");
    if (status != kOfxStatOK)
        throw std::runtime_error("CPU render failed with status " + std::to_string(status));
    return dst;
}
