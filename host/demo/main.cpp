// zelk-demo: the demo's test chart and contact sheet, and the plug-in's icon.
//   zelk-demo chart tevo4|tevo3 OUTPUT [--size WxH]
//   zelk-demo sheet OUTPUT [--title T] [--columns N] [--tile W] [--skin-and-sweep]
//                   {--heading T | LABEL=FILE}...
//   zelk-demo wheel tevo4|tevo3 OUTPUT [--size N]
//   zelk-demo icon OUTPUT [--size N] IMAGE...
// --skin-and-sweep shows only the chart's skin ramp and hue sweep in each tile.
// The icon lays out IMAGE... (the wheel rendered through some looks) in a grid.
#include "Chart.h"
#include "ContactSheet.h"
#include "Icon.h"

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

namespace {

using zelk::lut::TransferCurve;

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

int parsePositive(const std::string& text, const char* what)
{
    std::size_t used = 0;
    int value = 0;
    try {
        value = std::stoi(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used != text.size() || value < 1 || value > 16384)
        throw UsageError(std::string(what) + ": '" + text + "' is not a size");
    return value;
}

void writeByExtension(const std::string& path, const zelk::RgbaImage& image,
                      zelk::SampleType floatOr8)
{
    const zelk::FileFormat format = zelk::formatFromFileName(path);
    const zelk::SampleType sample = zelk::formatSupports(format, floatOr8)
                                        ? floatOr8
                                        : zelk::defaultSampleType(format, floatOr8);
    zelk::writeImage(path, image, format, sample);
}

TransferCurve parseCurve(const std::string& text)
{
    if (text == "tevo4")
        return TransferCurve::Tevo4;
    if (text == "tevo3")
        return TransferCurve::Tevo3;
    throw UsageError("unknown curve '" + text + "' (use tevo4 or tevo3)");
}

int runChart(const std::vector<std::string>& args)
{
    if (args.size() < 2)
        throw UsageError("chart needs a curve (tevo4 or tevo3) and an output");
    const TransferCurve curve = parseCurve(args[0]);
    int width = 512, height = 288;
    for (std::size_t i = 2; i < args.size(); ++i) {
        if (args[i] == "--size" && i + 1 < args.size()) {
            const std::string size = args[++i];
            const auto x = size.find('x');
            if (x == std::string::npos)
                throw UsageError("--size: expected WxH");
            width = parsePositive(size.substr(0, x), "--size");
            height = parsePositive(size.substr(x + 1), "--size");
        } else {
            throw UsageError("unknown argument '" + args[i] + "'");
        }
    }
    writeByExtension(args[1], zelkdemo::makeChart(curve, width, height), zelk::SampleType::Float);
    return 0;
}

int runSheet(const std::vector<std::string>& args)
{
    if (args.empty())
        throw UsageError("sheet needs an output");
    zelkdemo::SheetLayout layout;
    std::vector<zelkdemo::SheetSection> sections;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--title" && hasValue) {
            layout.title = args[++i];
        } else if (a == "--columns" && hasValue) {
            layout.columns = parsePositive(args[++i], "--columns");
        } else if (a == "--tile" && hasValue) {
            layout.tileWidth = parsePositive(args[++i], "--tile");
        } else if (a == "--skin-and-sweep") {
            const zelkdemo::ChartBand band = zelkdemo::skinAndSweepBand();
            layout.cropTop = band.top;
            layout.cropBottom = band.bottom;
        } else if (a == "--heading" && hasValue) {
            sections.push_back({args[++i], {}});
        } else if (a.find('=') != std::string::npos && a[0] != '-') {
            if (sections.empty())
                sections.push_back({"", {}});
            const auto eq = a.find('=');
            sections.back().tiles.push_back({a.substr(0, eq), zelk::readImage(a.substr(eq + 1))});
        } else {
            throw UsageError("unknown argument '" + a + "'");
        }
    }
    writeByExtension(args[0], zelkdemo::makeContactSheet(layout, sections),
                     zelk::SampleType::UInt8);
    return 0;
}

int runWheel(const std::vector<std::string>& args)
{
    if (args.size() != 2 && !(args.size() == 4 && args[2] == "--size"))
        throw UsageError("wheel needs a curve (tevo4 or tevo3), an output and at most --size N");
    const int size = args.size() == 4 ? parsePositive(args[3], "--size") : 256;
    writeByExtension(args[1], zelkdemo::makeColourWheel(parseCurve(args[0]), size),
                     zelk::SampleType::Float);
    return 0;
}

int runIcon(const std::vector<std::string>& args)
{
    if (args.empty())
        throw UsageError("icon needs an output and the images to lay out");
    int size = 128;
    std::vector<zelk::RgbaImage> tiles;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--size" && i + 1 < args.size())
            size = parsePositive(args[++i], "--size");
        else if (args[i][0] == '-')
            throw UsageError("unknown argument '" + args[i] + "'");
        else
            tiles.push_back(zelk::readImage(args[i]));
    }
    if (tiles.empty())
        throw UsageError("icon needs at least one image");
    writeByExtension(args[0], zelkdemo::makeIcon(tiles, size), zelk::SampleType::UInt8);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    try {
        if (args.empty())
            throw UsageError("expected 'chart', 'sheet', 'wheel' or 'icon'");
        const std::vector<std::string> rest(args.begin() + 1, args.end());
        if (args[0] == "chart")
            return runChart(rest);
        if (args[0] == "sheet")
            return runSheet(rest);
        if (args[0] == "wheel")
            return runWheel(rest);
        if (args[0] == "icon")
            return runIcon(rest);
        throw UsageError("unknown command '" + args[0] + "' (use chart, sheet, wheel or icon)");
    } catch (const UsageError& e) {
        std::cerr << "zelk-demo: " << e.what() << "\n"
                  << "usage: zelk-demo chart tevo4|tevo3 OUTPUT [--size WxH]\n"
                  << "       zelk-demo sheet OUTPUT [--title T] [--columns N] [--tile W]"
                     " [--skin-and-sweep] {--heading T | LABEL=FILE}...\n"
                  << "       zelk-demo wheel tevo4|tevo3 OUTPUT [--size N]\n"
                  << "       zelk-demo icon OUTPUT [--size N] IMAGE...\n";
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "zelk-demo: " << e.what() << "\n";
        return 1;
    }
}
