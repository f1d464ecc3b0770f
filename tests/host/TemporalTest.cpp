// Temporal access: an effect reads other frames of its input, asks for them first, and finds no
// image where the sequence has none.
#include "HostTestUtil.h"

#include <algorithm>
#include <cmath>
#include <map>

using hosttest::Pixels;
using hosttest::sample;

namespace {

// Frames 1 to 5 of a sequence, frame n filled with n / 10; the times asked for are kept.
struct Sequence {
    std::map<int, Pixels> frames;
    std::vector<double> asked;

    Sequence()
    {
        for (int f = 1; f <= 5; ++f)
            frames.emplace(f, Pixels(3, 2, f / 10.0f));
    }
    ofxhost::ClipInput input()
    {
        ofxhost::ClipInput in;
        in.frameRange = {1, 5};
        in.frameAt = [this](double time) -> std::optional<ofxhost::ClipFrame> {
            asked.push_back(time);
            auto it = frames.find(int(std::lround(time)));
            if (it == frames.end())
                return std::nullopt;
            return ofxhost::ClipFrame{it->second.desc(), nullptr};
        };
        return in;
    }
};

using Temporal = hosttest::FeaturesTest;

TEST_F(Temporal, AnEffectReadsOtherFramesOfItsInput)
{
    auto fx = create("org.zelk.test.TimeOffset");
    Sequence shot;
    fx->connectClip("Source", shot.input());
    EXPECT_EQ(fx->clipProperties("Source").getDoubles(kOfxImageEffectPropFrameRange),
              (std::vector<double>{1, 5}));

    const auto needed = fx->framesNeeded(3);
    ASSERT_EQ(needed.at("Source").size(), 1u);
    EXPECT_EQ(needed.at("Source")[0].min, 2.0) << "one frame back by default";

    shot.asked.clear();
    EXPECT_EQ(sample(fx->renderFrame(3), 1, 1, 0), 0.2f);
    EXPECT_NE(std::find(shot.asked.begin(), shot.asked.end(), 2.0), shot.asked.end());
    EXPECT_EQ(sample(fx->renderFrame(1), 1, 1, 0), 0.0f) << "no frame 0: transparent black";
    fx->setParam("offset", 2);
    EXPECT_EQ(sample(fx->renderFrame(2), 2, 0, 3), 0.4f);
    EXPECT_EQ(fx->framesNeeded(2).at("Source")[0].max, 4.0);

    // An effect without temporal access is not asked: it needs the frame it renders.
    auto invert = create("org.zelk.test.Invert");
    const auto own = invert->framesNeeded(7);
    EXPECT_EQ(own.at("Source")[0].min, 7.0);
    EXPECT_EQ(own.at("Source")[0].max, 7.0);
}

} // namespace
