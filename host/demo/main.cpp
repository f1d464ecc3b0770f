// zelk-demo: the demo's test chart and contact sheet.
//   zelk-demo chart tevo4|tevo3 OUTPUT [--size WxH]
//   zelk-demo sheet OUTPUT [--title T] [--columns N] [--tile W] [--skin-and-sweep]
//                   {--heading T | LABEL=FILE}...
// --skin-and-sweep shows only the chart's skin ramp and hue sweep in each tile.
#include "Chart.h"
#include "ContactSheet.h"

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

int runChart(const std::vector<std::string>& args)
{
    if (args.size() < 2)
        throw UsageError("chart needs a curve (tevo4 or tevo3) and an output");
    TransferCurve curve;
    if (args[0] == "tevo4")
        curve = TransferCurve::Tevo4;
    else if (args[0] == "tevo3")
        curve = TransferCurve::Tevo3;
    else
        throw UsageError("unknown curve '" + args[0] + "' (use tevo4 or tevo3)");
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

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    try {
        if (args.empty())
            throw UsageError("expected 'chart' or 'sheet'");
        const std::vector<std::string> rest(args.begin() + 1, args.end());
        if (args[0] == "chart")
            return runChart(rest);
        if (args[0] == "sheet")
            return runSheet(rest);
        throw UsageError("unknown command '" + args[0] + "' (use chart or sheet)");
    } catch (const UsageError& e) {
        std::cerr << "zelk-demo: " << e.what() << "\n"
                  << "usage: zelk-demo chart tevo4|tevo3 OUTPUT [--size WxH]\n"
                  << "       zelk-demo sheet OUTPUT [--title T] [--columns N] [--tile W]"
                     " [--skin-and-sweep] {--heading T | LABEL=FILE}...\n";
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "zelk-demo: " << e.what() << "\n";
        return 1;
    }
}
