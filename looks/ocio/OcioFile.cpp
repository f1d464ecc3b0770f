#include "OcioFile.h"

#include "Fidelity.h"
#include "LutError.h"
#include "LutRules.h"
#include "OcioInputRange.h"
#include "OcioSupport.h"

#include <cctype>
#include <cstdio>
#include <filesystem>

namespace zelk::lut::ocio {

namespace {

struct ReadFile {
    OCIO::ConstProcessorRcPtr processor;
    OCIO::ConstGroupTransformRcPtr steps; // after lossless optimisation
};

ReadFile readFile(const std::string& path)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        throw LutError(where(path) + (std::filesystem::exists(path, ec)
                                          ? "not a regular file"
                                          : "cannot open: no such file"));
    try {
        OCIO::FileTransformRcPtr file = OCIO::FileTransform::Create();
        // Absolute: the raw config has no search path of its own.
        file->setSrc(std::filesystem::absolute(path).c_str());
        // Tetrahedral for 3D tables (as the plug-in), linear for 1D ones.
        file->setInterpolation(OCIO::INTERP_BEST);
        const OCIO::ConstConfigRcPtr raw = OCIO::Config::CreateRaw();
        ReadFile read;
        read.processor = raw->getProcessor(file);
        read.steps = read.processor
                         ->getOptimizedProcessor(OCIO::BIT_DEPTH_F32, OCIO::BIT_DEPTH_F32,
                                                 OCIO::OPTIMIZATION_LOSSLESS)
                         ->createGroupTransform();
        return read;
    } catch (const OCIO::Exception& e) {
        throw LutError(ocioFailure(path, e));
    }
}

// The file's one 3D table as the plug-in's lattice, or an empty lattice when
// the file holds anything more (or less).
LatticeLut singleTable(const ReadFile& read)
{
    if (read.steps->getNumTransforms() != 1)
        return {};
    const auto table =
        OCIO::DynamicPtrCast<const OCIO::Lut3DTransform>(read.steps->getTransform(0));
    if (!table || table->getDirection() != OCIO::TRANSFORM_DIR_FORWARD)
        return {};
    const int n = static_cast<int>(table->getGridSize());
    if (n < kMinCubeSize || n > kMaxCubeSize)
        return {};
    LatticeLut lut = makeLattice(n);
    for (int r = 0; r < n; ++r)
        for (int g = 0; g < n; ++g)
            for (int b = 0; b < n; ++b) {
                float* e = lut.entry(r, g, b);
                table->getValue(r, g, b, e[0], e[1], e[2]);
            }
    return lut;
}

std::string describeStep(const OCIO::ConstTransformRcPtr& step)
{
    if (const auto t = OCIO::DynamicPtrCast<const OCIO::Lut3DTransform>(step))
        return "3D table, lattice " + std::to_string(t->getGridSize());
    if (const auto t = OCIO::DynamicPtrCast<const OCIO::Lut1DTransform>(step))
        return "1D table, " + std::to_string(t->getLength()) + " entries" +
               (t->getInputHalfDomain() ? " over the half-float domain" : "");
    if (OCIO::DynamicPtrCast<const OCIO::MatrixTransform>(step))
        return "matrix";
    if (OCIO::DynamicPtrCast<const OCIO::RangeTransform>(step))
        return "range";
    if (OCIO::DynamicPtrCast<const OCIO::CDLTransform>(step))
        return "CDL";
    if (OCIO::DynamicPtrCast<const OCIO::LogAffineTransform>(step) ||
        OCIO::DynamicPtrCast<const OCIO::LogTransform>(step) ||
        OCIO::DynamicPtrCast<const OCIO::LogCameraTransform>(step))
        return "logarithm";
    if (OCIO::DynamicPtrCast<const OCIO::ExponentTransform>(step) ||
        OCIO::DynamicPtrCast<const OCIO::ExponentWithLinearTransform>(step))
        return "exponent";
    return "other transform";
}

} // namespace

bool readByOpenColorIo(const std::string& path)
{
    const std::string name = std::filesystem::path(path).filename().string();
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos)
        return false;
    std::string extension = name.substr(dot + 1);
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension == "cube" || extension == "bin") // ours: .cube, .cube.bin
        return false;
    for (int i = 0; i < OCIO::FileTransform::GetNumFormats(); ++i)
        if (extension == OCIO::FileTransform::GetFormatExtensionByIndex(i))
            return true;
    return false;
}

Conversion convertOcioFile(const std::string& path, int requestedSize)
{
    const ReadFile read = readFile(path);
    const LatticeLut table = singleTable(read);
    if (!table.values.empty()) {
        Conversion c = convertWithReport(plainCube(table), requestedSize, path);
        c.report[0] = "one 3D table: " + c.report[0];
        return c;
    }
    // Anything else is OpenColorIO's evaluation of the whole file, sampled.
    if (requestedSize && (requestedSize < kMinAppliedSize || requestedSize > kMaxCubeSize))
        throw LutError(where(path) + "--size " + std::to_string(requestedSize) + " is outside " +
                       std::to_string(kMinAppliedSize) + " to " + std::to_string(kMaxCubeSize));
    try {
        const OCIO::ConstCPUProcessorRcPtr cpu = exactCpu(read.processor);
        Conversion c;
        const int size = requestedSize ? requestedSize : kDefaultResampleSize;
        c.lut = sampleLattice(cpu, size, path);
        std::string steps;
        for (int i = 0; i < read.steps->getNumTransforms(); ++i)
            steps += (i ? ", " : "") + describeStep(read.steps->getTransform(i));
        c.report.push_back("OpenColorIO's evaluation of the file (" +
                           (steps.empty() ? std::string("no change") : steps) +
                           ") baked onto a 0..1 lattice of " + std::to_string(size));
        double lo[3], hi[3];
        if (!declaredRange(read.steps, lo, hi))
            responseRange(cpu, lo, hi);
        for (const std::string& line : unreachableInputs(lo, hi))
            c.report.push_back(line);
        c.report.push_back(differenceLine(largestDifference(cpu, c.lut), "the source", false));
        return c;
    } catch (const OCIO::Exception& e) {
        throw LutError(ocioFailure(path, e));
    }
}

void printOcioFileInfo(const std::string& path, int requestedSize)
{
    const ReadFile read = readFile(path);
    std::printf("%s: read by OpenColorIO %s\n", path.c_str(), OCIO::GetVersion());
    for (int i = 0; i < read.steps->getNumTransforms(); ++i)
        std::printf("  step %d: %s\n", i + 1, describeStep(read.steps->getTransform(i)).c_str());
    if (read.steps->getNumTransforms() == 0)
        std::printf("  no change to any colour\n");
    try {
        const Conversion c = convertOcioFile(path, requestedSize);
        for (std::size_t i = 0; i < c.report.size(); ++i)
            std::printf("%s%s\n", i == 0 ? "  convert: " : "    ", c.report[i].c_str());
    } catch (const LutError& e) {
        std::printf("  convert: refuses: %s\n", e.what());
    }
}

} // namespace zelk::lut::ocio
