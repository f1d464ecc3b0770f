// The instance side where only a test host can reach: the instance pointer a
// host keeps, image addressing, and the thread helpers on a failing host.
#include "FakeHost.h"
#include "TestPlugin.h"
#include "ofxsMultiThread.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <stdexcept>

using fakehost::Effect;
using fakehost::Host;
using supporttest::TestEffect;

namespace {

class SupportInstanceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        supporttest::hooks() = supporttest::Hooks();
        ASSERT_EQ(host.load(), kOfxStatOK);
        effect = &host.makeInstanceEffect();
        ASSERT_EQ(host.action(kOfxActionCreateInstance, effect), kOfxStatOK);
        fx = static_cast<TestEffect*>(
            static_cast<OFX::ImageEffect*>(effect->props.getPointer(kOfxPropInstanceData)));
        ASSERT_NE(fx, nullptr);
    }
    void TearDown() override
    {
        if (effect)
            host.action(kOfxActionDestroyInstance, effect);
    }

    Host host;
    Effect* effect = nullptr;
    TestEffect* fx = nullptr;
};

TEST_F(SupportInstanceTest, TheHostNeverKeepsADanglingInstancePointer)
{
    ASSERT_EQ(host.action(kOfxActionDestroyInstance, effect), kOfxStatOK);
    EXPECT_EQ(effect->props.getPointer(kOfxPropInstanceData), nullptr);
    EXPECT_EQ(host.action(kOfxActionPurgeCaches, effect), kOfxStatErrBadHandle)
        << "a late action finds nothing";
    effect = nullptr;

    // A parameter of another type than the effect asks for (its values would be
    // laid out differently) fails the creation half way.
    Effect& broken = host.makeInstanceEffect();
    broken.params.at("gain").defineString(kOfxParamPropType, {kOfxParamTypeChoice});
    EXPECT_NE(host.action(kOfxActionCreateInstance, &broken), kOfxStatOK);
    EXPECT_EQ(broken.props.getPointer(kOfxPropInstanceData), nullptr);
}

TEST_F(SupportInstanceTest, ImagesAddressOnlyPixelsInsideTheirBoundsAndGoBackToTheHost)
{
    const OfxRectI bounds = {10, 20, 14, 23}; // 4 x 3 pixels
    const int rowBytes = 4 * 16;
    const float* top = host.attachImage(*effect, "Source", bounds, rowBytes);
    const float* bottomUp = host.attachImage(*effect, "Output", bounds, -rowBytes);
    {
        std::unique_ptr<OFX::Image> src(fx->src->fetchImage(0.0)), dst(fx->dst->fetchImage(0.0));
        ASSERT_TRUE(src && dst);
        EXPECT_EQ(src->getPixelAddress(10, 20), top);
        EXPECT_EQ(src->getPixelAddress(13, 22), top + (2 * 4 + 3) * 4);
        for (auto xy : {std::make_pair(9, 20), std::make_pair(14, 20), std::make_pair(10, 19),
                        std::make_pair(10, 23)})
            EXPECT_EQ(src->getPixelAddress(xy.first, xy.second), nullptr)
                << xy.first << "," << xy.second;
        // Negative row bytes: the bottom row is stored last and rows go down in memory.
        EXPECT_EQ(dst->getPixelAddress(10, 20), bottomUp + 2 * 4 * 4);
        EXPECT_EQ(dst->getPixelAddress(11, 22), bottomUp + 4);
        EXPECT_EQ(host.releasedImages, 0);
    }
    EXPECT_EQ(host.releasedImages, 2);

    // An image the host describes incompletely fails the fetch and is still handed back.
    effect->clips.at("Source").image->remove(kOfxImagePropBounds);
    EXPECT_THROW(fx->src->fetchImage(0.0), OFX::Exception::PropertyUnknownToHost);
    EXPECT_EQ(host.releasedImages, 3);
}

class RecordingProcessor : public OFX::MultiThread::Processor {
public:
    void multiThreadFunction(unsigned int i, unsigned int n) override
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            calls.insert({i, n});
        }
        if (band)
            band(i);
    }
    std::mutex mutex;
    std::set<std::pair<unsigned, unsigned>> calls;
    std::function<void(unsigned)> band;
};

TEST_F(SupportInstanceTest, ProcessorRunsEveryIndexAndBringsFailuresHome)
{
    RecordingProcessor spread;
    spread.multiThread(3);
    EXPECT_EQ(spread.calls, (std::set<std::pair<unsigned, unsigned>>{{0, 3}, {1, 3}, {2, 3}}));

    // A throwing band must not unwind into the host's thread code.
    RecordingProcessor failing;
    failing.band = [](unsigned i) {
        if (i == 1)
            throw std::runtime_error("band failed");
    };
    EXPECT_THROW(failing.multiThread(4), std::runtime_error);
    EXPECT_EQ(failing.calls.size(), 4u);

    // The host refuses to spread a band again; its status reaches the first caller.
    RecordingProcessor nested;
    nested.band = [](unsigned) { RecordingProcessor().multiThread(2); };
    try {
        nested.multiThread(2);
        ADD_FAILURE() << "a refused multiThread call must throw";
    } catch (const OFX::Exception::Suite& e) {
        EXPECT_EQ(e.status(), kOfxStatErrExists);
    }

    host.real.setReportedCPUs(6);
    RecordingProcessor automatic;
    automatic.multiThread();
    EXPECT_EQ(automatic.calls.size(), 6u);
    host.numCPUsFails = true;
    EXPECT_EQ(OFX::MultiThread::getNumCPUs(), 1u);
    host.real.setReportedCPUs(0);
}

} // namespace
