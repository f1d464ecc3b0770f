#include "BenchSession.h"

#include "BenchBundle.h"
#include "BenchData.h"

#include <cstring>

namespace openclbench {

std::vector<zelk_vec3<float>> benchLut(int n)
{
    const std::vector<float> flat = zelkbench::makeLook(n); // entries and one spare float
    std::vector<zelk_vec3<float>> lut(size_t(n) * n * n);
    std::memcpy(lut.data(), flat.data(), lut.size() * sizeof(lut[0]));
    return lut;
}

Session& Session::get()
{
    static Session session = [] {
        Session s;
        if (!ofxhost::openClDeviceAvailable(&s.error))
            return s;
        try {
            s.host = std::make_unique<ofxhost::Host>();
            const std::string bundle =
                zelkbench::makeBenchBundle(ZELK_BENCH_BUNDLE, ZELK_BENCH_DIR);
            s.effect = s.host->loadBundle(bundle).effects().at(0);
            s.renderer = std::make_unique<ofxhost::OpenClRenderer>();
            s.source = zelkbench::makeFrame(kWidth, kHeight);
            s.output.assign(s.source.size(), 0.0f);
        } catch (const std::exception& e) {
            s.error = e.what();
            s.renderer.reset();
        }
        return s;
    }();
    return session;
}

std::unique_ptr<ofxhost::Instance> Session::instance(int n)
{
    std::unique_ptr<ofxhost::Instance> instance = effect->createInstance();
    instance->setChoice("printStock", "bench" + std::to_string(n));
    instance->setParam("color", kMix);
    return instance;
}

} // namespace openclbench
