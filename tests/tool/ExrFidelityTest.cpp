// An EXR through ofx-render comes back as it went in but for the graded
// colour: windows, attributes, channels, parts, tiling and compression, read
// back with OpenEXR and compared exactly.
#include "ExrFixtures.h"
#include "OfxRenderFixture.h"

#include <Imath/half.h>
#include <ImfChannelList.h>
#include <ImfInputFile.h>
#include <ImfIntAttribute.h>
#include <ImfStandardAttributes.h>
#include <ImfTiledInputFile.h>

#include <gtest/gtest.h>

using namespace tooltest;
using exrtest::attributes;
using exrtest::makeHeader;
using exrtest::readChannels;
using exrtest::readHeaders;
using exrtest::writeExr;

namespace {

class ExrFidelityTest : public OfxRenderTest {
protected:
    void renderOk(std::vector<std::string> args)
    {
        const RunResult r = renderWithBundle(args);
        ASSERT_EQ(r.exitCode, 0) << r.err;
    }
    void renderFails(std::vector<std::string> args, const std::vector<std::string>& named)
    {
        const RunResult r = renderWithBundle(args);
        EXPECT_EQ(r.exitCode, 1);
        for (const std::string& part : named)
            EXPECT_TRUE(contains(r.err, part))
                << "expected the message to name " << part << ": " << r.err;
    }
};

// The channels both files have, other than `graded`, hold the same bytes; the
// graded ones differ.
void expectOnlyGradedChanged(const exrtest::ChannelBytes& in, const exrtest::ChannelBytes& out,
                             const std::vector<std::string>& graded)
{
    for (const auto& [name, bytes] : in) {
        SCOPED_TRACE(name);
        ASSERT_EQ(out.count(name), 1u);
        const bool isGraded = std::find(graded.begin(), graded.end(), name) != graded.end();
        EXPECT_EQ(out.at(name) == bytes, !isGraded);
    }
}

} // namespace

TEST_F(ExrFidelityTest, WindowsAttributesAndLineOrderAreKept)
{
    Imf::Header header = makeHeader(100, 50, 40, 24, {"R", "G", "B", "A"});
    header.displayWindow() = Imath::Box2i(Imath::V2i(0, 0), Imath::V2i(1199, 699));
    header.pixelAspectRatio() = 2.0f;
    header.screenWindowCenter() = Imath::V2f(0.25f, -0.5f);
    header.screenWindowWidth() = 1.5f;
    header.lineOrder() = Imf::DECREASING_Y;
    header.compression() = Imf::PIZ_COMPRESSION;
    Imf::addOwner(header, "pipeline");
    Imf::addComments(header, "plate, take 3");
    Imf::addCapDate(header, "2024:05:01 12:00:00");
    Imf::addChromaticities(header, Imf::Chromaticities());
    header.insert("studio:shot", Imf::StringAttribute("sq010_sh020"));
    header.insert("studio:take", Imf::IntAttribute(3));
    header.insert("worldToCamera",
                  Imf::M44fAttribute(Imath::M44f().translate(Imath::V3f(1, 2, 3))));
    writeExr(file("in.exr"), {header});

    renderOk({"in.exr", "out.exr"});
    const Imf::Header out = readHeaders(file("out.exr")).at(0);
    EXPECT_EQ(attributes(out), attributes(readHeaders(file("in.exr")).at(0)));
    expectOnlyGradedChanged(readChannels(file("in.exr")), readChannels(file("out.exr")),
                            {"R", "G", "B"});
    // A single-part file stays one, without the "type" a multi-part file has.
    EXPECT_FALSE(Imf::InputFile(file("out.exr").c_str()).header().hasType());
}

TEST_F(ExrFidelityTest, UngradedChannelsAreCopiedAndEachKeepsItsType)
{
    Imf::Header header = makeHeader(0, 0, 32, 20, {"R", "G", "B", "A", "diffuse.R"});
    header.channels().insert("Z", Imf::Channel(Imf::FLOAT));
    header.channels().insert("id", Imf::Channel(Imf::UINT));
    header.channels().insert("chroma", Imf::Channel(Imf::HALF, 2, 2));
    header.channels().insert("G", Imf::Channel(Imf::FLOAT)); // R and B stay half
    header.compression() = Imf::ZIPS_COMPRESSION;
    writeExr(file("in.exr"), {header});
    const auto in = readChannels(file("in.exr"));

    renderOk({"in.exr", "out.exr"});
    const Imf::ChannelList kept = readHeaders(file("out.exr")).at(0).channels();
    EXPECT_EQ(kept["R"].type, Imf::HALF);
    EXPECT_EQ(kept["G"].type, Imf::FLOAT);
    EXPECT_EQ(kept["chroma"].xSampling, 2);
    expectOnlyGradedChanged(in, readChannels(file("out.exr")), {"R", "G", "B"});

    // --depth sets the graded channels only.
    renderOk({"--depth", "float", "in.exr", "float.exr"});
    const Imf::ChannelList deep = readHeaders(file("float.exr")).at(0).channels();
    EXPECT_EQ(deep["R"].type, Imf::FLOAT);
    EXPECT_EQ(deep["A"].type, Imf::FLOAT);
    EXPECT_EQ(deep["diffuse.R"].type, Imf::HALF);
    EXPECT_EQ(readChannels(file("float.exr")).at("Z"), in.at("Z"));
}

TEST_F(ExrFidelityTest, TilingAndCompressionAreKeptUnlessAskedOtherwise)
{
    Imf::Header tiled = makeHeader(8, 4, 40, 36, {"R", "G", "B"});
    tiled.setTileDescription(Imf::TileDescription(16, 8));
    tiled.compression() = Imf::DWAA_COMPRESSION;
    tiled.insert("dwaCompressionLevel", Imf::FloatAttribute(100.0f));
    writeExr(file("tiled.exr"), {tiled});

    renderOk({"tiled.exr", "same.exr"});
    const Imf::Header same = readHeaders(file("same.exr")).at(0);
    EXPECT_EQ(attributes(same), attributes(readHeaders(file("tiled.exr")).at(0)));
    EXPECT_TRUE(Imf::TiledInputFile(file("same.exr").c_str()).isComplete());

    renderOk({"--compression", "zip", "tiled.exr", "zip.exr"});
    const Imf::Header zip = readHeaders(file("zip.exr")).at(0);
    EXPECT_EQ(zip.compression(), Imf::ZIP_COMPRESSION);
    EXPECT_EQ(zip.tileDescription().xSize, 16u);
    renderOk({"--compression", "dwab:80", "tiled.exr", "dwab.exr"});
    const Imf::Header dwab = readHeaders(file("dwab.exr")).at(0);
    EXPECT_EQ(dwab.compression(), Imf::DWAB_COMPRESSION);
    EXPECT_EQ(dwab.typedAttribute<Imf::FloatAttribute>("dwaCompressionLevel").value(), 80.0f);

    const RunResult r = renderWithBundle({"--compression", "jpeg", "tiled.exr", "bad.exr"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(contains(r.err, "jpeg")) << r.err;
}

TEST_F(ExrFidelityTest, EveryPartIsKeptAndThePartToGradeCanBeChosen)
{
    Imf::Header depth = makeHeader(0, 0, 24, 16, {"Z"}, Imf::FLOAT);
    depth.setName("depth");
    depth.setTileDescription(Imf::TileDescription(8, 8));
    Imf::Header beauty = makeHeader(0, 0, 24, 16, {"R", "G", "B", "A"});
    beauty.setName("beauty");
    beauty.insert("studio:shot", Imf::StringAttribute("sq010"));
    Imf::Header matte = makeHeader(0, 0, 24, 16, {"R", "G", "B"});
    matte.setName("matte");
    writeExr(file("in.exr"), {depth, beauty, matte});

    // By default the first part with R, G and B: beauty.
    renderOk({"in.exr", "out.exr"});
    const auto inHeaders = readHeaders(file("in.exr"));
    const auto outHeaders = readHeaders(file("out.exr"));
    ASSERT_EQ(outHeaders.size(), 3u);
    for (int p = 0; p < 3; ++p) {
        EXPECT_EQ(attributes(outHeaders[p]), attributes(inHeaders[p])) << "part " << p;
        expectOnlyGradedChanged(readChannels(file("in.exr"), p), readChannels(file("out.exr"), p),
                                p == 1 ? std::vector<std::string>{"R", "G", "B"}
                                       : std::vector<std::string>{});
    }
    for (const char* pick : {"matte", "2"}) {
        renderOk({"-y", "--part", pick, "in.exr", "matte.exr"});
        expectOnlyGradedChanged(readChannels(file("in.exr"), 2), readChannels(file("matte.exr"), 2),
                                {"R", "G", "B"});
        EXPECT_EQ(readChannels(file("matte.exr"), 1), readChannels(file("in.exr"), 1));
    }
    renderFails({"--part", "depth", "in.exr", "x.exr"}, {"depth", "R, G and B"});
    renderFails({"--part", "7", "in.exr", "x.exr"}, {"'7'", "beauty", "matte"});
}

TEST_F(ExrFidelityTest, ALayerIsGradedByNameAndTheRestKeptAndDeepImagesAreRefused)
{
    writeExr(file("layers.exr"), {makeHeader(0, 0, 16, 8,
                                             {"beauty.R", "beauty.G", "beauty.B", "beauty.A",
                                              "gloss.R", "gloss.G", "gloss.B", "Z"})});
    renderFails({"layers.exr", "out.exr"}, {"no part has R, G and B", "beauty, gloss"});
    renderOk({"--layer", "gloss", "layers.exr", "out.exr"});
    expectOnlyGradedChanged(readChannels(file("layers.exr")), readChannels(file("out.exr")),
                            {"gloss.R", "gloss.G", "gloss.B"});
    renderFails({"--layer", "diffuse", "layers.exr", "none.exr"}, {"diffuse.R"});
    exrtest::writeDeepExr(file("deep.exr"));
    renderFails({"deep.exr", "deep.out.exr"}, {"deep.exr", "deep data"});
    EXPECT_FALSE(std::filesystem::exists(file("deep.out.exr")));
}
