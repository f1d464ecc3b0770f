// The instance side against the fake host: render arguments as the host sends
// them, identity, images and their addressing, and the thread helpers.
#include "FakeHost.h"
#include "TestPlugin.h"
#include "ofxsMultiThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>

using fakehost::Effect;
using fakehost::Host;
using fakehost::Props;
using supporttest::hooks;
using supporttest::TestEffect;

namespace {

class SupportInstanceTest : public ::testing::Test {
protected:
  void SetUp() override {
    hooks() = supporttest::Hooks();
    ASSERT_EQ(host.load(), kOfxStatOK);
    effect = &host.makeInstanceEffect();
    ASSERT_EQ(host.action(kOfxActionCreateInstance, effect), kOfxStatOK);
  }
  void TearDown() override {
    if (effect)
      host.action(kOfxActionDestroyInstance, effect);
  }

  static Props renderArgs() {
    Props in;
    in.setDouble(kOfxPropTime, 7.0);
    in.setDouble(kOfxImageEffectPropRenderScale, 1.0, 0);
    in.setDouble(kOfxImageEffectPropRenderScale, 1.0, 1);
    const int window[4] = {1, 2, 11, 12};
    for (int i = 0; i < 4; ++i)
      in.setInt(kOfxImageEffectPropRenderWindow, window[i], i);
    in.setString(kOfxImageEffectPropFieldToRender, kOfxImageFieldNone);
    return in;
  }

  OFX::RenderArguments render(Props &in, OfxStatus expected = kOfxStatOK) {
    OFX::RenderArguments seen;
    hooks().render = [&seen](TestEffect &, const OFX::RenderArguments &a) { seen = a; };
    EXPECT_EQ(host.action(kOfxImageEffectActionRender, effect, in.handle()), expected);
    return seen;
  }

  Host host;
  Effect *effect = nullptr;
};

TEST_F(SupportInstanceTest, RenderArgumentsReadGpuSelectionOnlyWhenTheHostSendsIt) {
  Props cpuOnly = renderArgs();
  OFX::RenderArguments a = render(cpuOnly);
  EXPECT_EQ(a.time, 7.0);
  EXPECT_EQ(a.renderWindow.x1, 1);
  EXPECT_EQ(a.renderWindow.y2, 12);
  EXPECT_FALSE(a.isEnabledOpenCLRender);
  EXPECT_FALSE(a.isEnabledCudaRender);
  EXPECT_FALSE(a.isEnabledMetalRender);
  EXPECT_EQ(a.pOpenCLCmdQ, nullptr);
  EXPECT_EQ(a.pCudaStream, nullptr);
  EXPECT_EQ(a.pMetalCmdQ, nullptr);

  int queue = 0, stream = 0;
  Props gpu = renderArgs();
  gpu.setInt(kOfxImageEffectPropOpenCLEnabled, 1);
  gpu.setPointer(kOfxImageEffectPropOpenCLCommandQueue, &queue);
  gpu.setInt(kOfxImageEffectPropCudaEnabled, 0);
  gpu.setPointer(kOfxImageEffectPropCudaStream, &stream);
  a = render(gpu);
  EXPECT_TRUE(a.isEnabledOpenCLRender);
  EXPECT_EQ(a.pOpenCLCmdQ, &queue);
  EXPECT_FALSE(a.isEnabledCudaRender);
  EXPECT_EQ(a.pCudaStream, &stream) << "handles are passed on whatever the flags say";

  // What every render needs is not optional.
  Props noTime = renderArgs();
  noTime.values.erase(kOfxPropTime);
  render(noTime, kOfxStatErrMissingHostFeature);
  Props oddField = renderArgs();
  oddField.setString(kOfxImageEffectPropFieldToRender, "OfxFieldSideways");
  EXPECT_EQ(render(oddField).fieldToRender, OFX::eFieldNone);
}

TEST_F(SupportInstanceTest, IdentityInstanceDataAndDestroy) {
  Props in;
  in.setDouble(kOfxPropTime, 3.0);
  in.setDouble(kOfxImageEffectPropRenderScale, 1.0, 0);
  in.setDouble(kOfxImageEffectPropRenderScale, 1.0, 1);
  for (int i = 0; i < 4; ++i)
    in.setInt(kOfxImageEffectPropRenderWindow, 0, i);
  in.setString(kOfxImageEffectPropFieldToRender, kOfxImageFieldNone);

  Props out;
  EXPECT_EQ(host.action(kOfxImageEffectActionIsIdentity, effect, in.handle(), out.handle()), kOfxStatReplyDefault);
  EXPECT_FALSE(out.has(kOfxPropName));
  effect->params.at("gain")->value = 0.0;
  EXPECT_EQ(host.action(kOfxImageEffectActionIsIdentity, effect, in.handle(), out.handle()), kOfxStatOK);
  EXPECT_EQ(out.getString(kOfxPropName), "Source");
  EXPECT_EQ(out.values.at(kOfxPropTime).d.at(0), 4.0);

  ASSERT_NE(effect->props.getPointer(kOfxPropInstanceData), nullptr);
  ASSERT_EQ(host.action(kOfxActionDestroyInstance, effect), kOfxStatOK);
  EXPECT_EQ(effect->props.getPointer(kOfxPropInstanceData), nullptr);
  // A late action on the destroyed instance finds nothing to call.
  EXPECT_EQ(host.action(kOfxActionPurgeCaches, effect), kOfxStatErrBadHandle);
  effect = nullptr;

  // A parameter the host does not hold fails creation and leaves no dangling
  // instance pointer behind.
  Effect &broken = host.makeInstanceEffect();
  broken.params.erase("gain");
  EXPECT_NE(host.action(kOfxActionCreateInstance, &broken), kOfxStatOK);
  EXPECT_EQ(broken.props.getPointer(kOfxPropInstanceData), nullptr);
}

TEST_F(SupportInstanceTest, ImagesAddressPixelsInsideTheirBoundsAndAreReleased) {
  const OfxRectI bounds = {10, 20, 14, 23}; // 4 x 3 pixels
  const int rowBytes = 4 * 16;
  fakehost::Image &srcImage = host.attachImage(*effect, "Source", bounds, rowBytes);
  fakehost::Image &flipped = host.attachImage(*effect, "Output", bounds, -rowBytes);
  std::unique_ptr<OFX::Image> src, dst;
  hooks().render = [&](TestEffect &fx, const OFX::RenderArguments &) {
    src.reset(fx.src->fetchImage(0.0));
    dst.reset(fx.dst->fetchImage(0.0));
  };
  Props in = renderArgs();
  ASSERT_EQ(host.action(kOfxImageEffectActionRender, effect, in.handle()), kOfxStatOK);
  ASSERT_TRUE(src && dst);
  EXPECT_EQ(src->getPixelDepth(), OFX::eBitDepthFloat);
  EXPECT_EQ(src->getPixelComponents(), OFX::ePixelComponentRGBA);
  EXPECT_EQ(src->getRowBytes(), rowBytes);
  EXPECT_EQ(src->getBounds().x2, 14);

  const float *base = srcImage.pixels.data();
  EXPECT_EQ(src->getPixelAddress(10, 20), base);
  EXPECT_EQ(src->getPixelAddress(13, 22), base + (2 * 4 + 3) * 4);
  for (auto xy : {std::make_pair(9, 20), std::make_pair(14, 20), std::make_pair(10, 19), std::make_pair(10, 23)})
    EXPECT_EQ(src->getPixelAddress(xy.first, xy.second), nullptr) << xy.first << "," << xy.second;

  // Negative row bytes: the data pointer is the bottom row and rows go down.
  const float *bottom = flipped.pixels.data() + 2 * 4 * 4;
  EXPECT_EQ(dst->getPixelAddress(10, 20), bottom);
  EXPECT_EQ(dst->getPixelAddress(11, 22), flipped.pixels.data() + 4);

  EXPECT_EQ(host.releasedImages, 0);
  src.reset();
  dst.reset();
  EXPECT_EQ(host.releasedImages, 2);

  // No image at that time: NULL, and nothing to release.
  effect->clips.at("Source")->image.reset();
  hooks().render = [&](TestEffect &fx, const OFX::RenderArguments &) { EXPECT_EQ(fx.src->fetchImage(1.0), nullptr); };
  ASSERT_EQ(host.action(kOfxImageEffectActionRender, effect, in.handle()), kOfxStatOK);
  EXPECT_EQ(host.releasedImages, 2);
}

class RecordingProcessor : public OFX::MultiThread::Processor {
public:
  void multiThreadFunction(unsigned int i, unsigned int n) override {
    std::lock_guard<std::mutex> lock(mutex);
    calls.insert({i, n});
    threads.insert(std::this_thread::get_id());
    if (throwOn == static_cast<int>(i))
      throw std::runtime_error("band failed");
  }
  std::mutex mutex;
  std::set<std::pair<unsigned, unsigned>> calls;
  std::set<std::thread::id> threads;
  int throwOn = -1;
};

TEST_F(SupportInstanceTest, ProcessorRunsEveryIndexAndBringsFailuresHome) {
  RecordingProcessor direct;
  direct.multiThread(1);
  EXPECT_EQ(direct.calls, (std::set<std::pair<unsigned, unsigned>>{{0, 1}}));
  EXPECT_EQ(*direct.threads.begin(), std::this_thread::get_id());
  EXPECT_EQ(host.lastThreadCount, 0u) << "one thread needs no host call";

  RecordingProcessor spread;
  spread.multiThread(3);
  EXPECT_EQ(spread.calls, (std::set<std::pair<unsigned, unsigned>>{{0, 3}, {1, 3}, {2, 3}}));
  EXPECT_EQ(host.lastThreadCount, 3u);

  // A throwing band must not unwind into the host's thread code.
  RecordingProcessor failing;
  failing.throwOn = 1;
  EXPECT_THROW(failing.multiThread(4), std::runtime_error);
  EXPECT_EQ(failing.calls.size(), 4u);

  host.multiThreadStatus = kOfxStatErrExists;
  RecordingProcessor refused;
  try {
    refused.multiThread(2);
    ADD_FAILURE() << "a refused multiThread call must throw";
  } catch (const OFX::Exception::Suite &e) {
    EXPECT_EQ(e.status(), kOfxStatErrExists);
  }

  host.numCPUs = 6;
  EXPECT_EQ(OFX::MultiThread::getNumCPUs(), 6u);
  RecordingProcessor automatic;
  host.multiThreadStatus = kOfxStatOK;
  automatic.multiThread();
  EXPECT_EQ(automatic.calls.size(), 6u);
  host.numCPUsFails = true;
  EXPECT_EQ(OFX::MultiThread::getNumCPUs(), 1u);
}

} // namespace
