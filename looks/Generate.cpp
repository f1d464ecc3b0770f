#include "Generate.h"

#include "AtomicFile.h"
#include "CubeBin.h"
#include "LutError.h"
#include "LutRules.h"

#include <filesystem>

namespace zelk::lut {

LatticeLut bakeLook(const LookRecipe& recipe, TransferCurve curve, int size)
{
    LatticeLut lut = makeLattice(size);
    const double last = static_cast<double>(size - 1);
    for (int ir = 0; ir < size; ++ir)
        for (int ig = 0; ig < size; ++ig)
            for (int ib = 0; ib < size; ++ib) {
                const ops::Rgb code{ir / last, ig / last, ib / last};
                float* e = lut.entry(ir, ig, ib);
                if (recipe.identity) {
                    e[0] = static_cast<float>(code.r);
                    e[1] = static_cast<float>(code.g);
                    e[2] = static_cast<float>(code.b);
                    continue;
                }
                const ops::Rgb scene{decodeCurve(curve, code.r), decodeCurve(curve, code.g),
                                     decodeCurve(curve, code.b)};
                const ops::Rgb display = recipe.sceneToDisplay(scene);
                e[0] = static_cast<float>(encodeDisplay(display.r));
                e[1] = static_cast<float>(encodeDisplay(display.g));
                e[2] = static_cast<float>(encodeDisplay(display.b));
            }
    return lut;
}

int generateLookSet(const std::string& resourcesDir, int size)
{
    if (size < kMinAppliedSize || size > kMaxCubeSize)
        throw LutError("generate: --size " + std::to_string(size) + " is outside " +
                       std::to_string(kMinAppliedSize) + " to " + std::to_string(kMaxCubeSize));
    int written = 0;
    for (TransferCurve curve : {TransferCurve::Tevo4, TransferCurve::Tevo3}) {
        const std::string dir = resourcesDir + "/" + curveDirectory(curve);
        std::error_code ec;
        std::filesystem::create_directories(dir, ec);
        if (ec)
            throw LutError(where(dir) + "cannot create the directory: " + ec.message());
        for (const LookRecipe& recipe : lookRecipes()) {
            const std::string path = dir + "/" + recipe.name + ".cube.bin";
            writeFileAtomic(path, encodeCubeBin(bakeLook(recipe, curve, size)), resourcesDir);
            ++written;
        }
    }
    return written;
}

} // namespace zelk::lut
