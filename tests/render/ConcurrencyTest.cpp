// Several instances rendering at once on different threads, each with its own
// look and intensity, must give what each gives alone.

#include <thread>

#include "RenderFixture.h"

using namespace zelktest;

TEST(Concurrency, InstancesRenderAtTheSameTime)
{
    TestBundle bundle;
    const int n = 33;
    const float last = n - 1;
    bundle.addLook("Cross", makeLut(n, [&](int r, int g, int b) {
                       return zelk_vec3<float>{g / last, b / last, r / last};
                   }));
    bundle.addLook("Ident", makeLut(n, [&](int r, int g, int b) {
                       return zelk_vec3<float>{r / last, g / last, b / last};
                   }));
    bundle.addLook("Flat", constantLut(n, 0.5f));

    ofxhost::Host host;
    ofxhost::Effect* effect = host.loadBundle(bundle.path()).effect(kEffectId);
    ASSERT_NE(effect, nullptr);

    constexpr int kInstances = 4;
    constexpr int kFrames = 6;
    const char* looks[kInstances] = {"Cross", "Ident", "Flat", "Cross"};
    const double mixes[kInstances] = {1.0, 0.5, 0.25, 0.75};

    Frame src(OfxRectI{0, 0, 256, 96}, 0.0f);
    for (size_t i = 0; i < src.pixels.size(); ++i) {
        src.pixels[i] = static_cast<float>((i * 37) % 251) / 250.0f;
    }

    auto makeInstance = [&](int k) {
        std::unique_ptr<ofxhost::Instance> inst = effect->createInstance();
        inst->setChoice("printStock", looks[k]);
        inst->setParam("color", mixes[k]);
        inst->setClipImage("Source", src.desc());
        return inst;
    };

    // Alone, one after the other.
    std::vector<Frame> expected;
    for (int k = 0; k < kInstances; ++k) {
        std::unique_ptr<ofxhost::Instance> inst = makeInstance(k);
        Frame dst(src.bounds, -1.0f);
        inst->setClipImage("Output", dst.desc());
        ASSERT_EQ(inst->render(0.0, dst.bounds), kOfxStatOK);
        expected.push_back(std::move(dst));
    }

    // Together, several frames each.
    std::vector<std::unique_ptr<ofxhost::Instance>> instances;
    for (int k = 0; k < kInstances; ++k) {
        instances.push_back(makeInstance(k));
    }
    // Each thread counts the frames that failed or differ from the instance alone.
    std::vector<int> wrong(kInstances, 0);
    std::vector<std::thread> threads;
    for (int k = 0; k < kInstances; ++k) {
        threads.emplace_back([&, k] {
            for (int f = 0; f < kFrames; ++f) {
                Frame dst(src.bounds, -1.0f);
                instances[k]->setClipImage("Output", dst.desc());
                const bool ok = instances[k]->render(f, dst.bounds) == kOfxStatOK;
                wrong[k] += ok && dst.pixels == expected[k].pixels ? 0 : 1;
            }
        });
    }
    for (std::thread& t : threads) {
        t.join();
    }
    for (int k = 0; k < kInstances; ++k) {
        EXPECT_EQ(wrong[k], 0) << "instance " << k << " (" << looks[k] << ")";
    }
}
