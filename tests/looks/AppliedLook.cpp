#include "AppliedLook.h"

#include "LutMath.h"

namespace lookquality {

AppliedLook::AppliedLook(const zelk::lut::LookRecipe& recipe, zelk::lut::TransferCurve curve,
                         int size)
    : m_recipe(&recipe), m_curve(curve), m_lut(zelk::lut::bakeLook(recipe, curve, size))
{
}

Rgb AppliedLook::sourceCode(const Rgb& scene) const
{
    // The host hands the plug-in 32-bit floats.
    auto code = [this](double v) { return double(float(zelk::lut::encodeCurve(m_curve, v))); };
    return {code(scene.r), code(scene.g), code(scene.b)};
}

Rgb AppliedLook::displayCode(const Rgb& scene) const
{
    const Rgb in = sourceCode(scene);
    const ZelkRgb out =
        zelk_tetrahedral(m_lut.values.data(), m_lut.size, float(in.r), float(in.g), float(in.b));
    return {out.r, out.g, out.b};
}

Lab AppliedLook::lab(const Rgb& scene) const
{
    const Rgb c = displayCode(scene);
    return labFromDisplayCode(c.r, c.g, c.b);
}

Lab AppliedLook::exactLab(const Rgb& scene) const
{
    const Rgb in = sourceCode(scene);
    if (m_recipe->identity)
        return labFromDisplayCode(in.r, in.g, in.b);
    using zelk::lut::decodeCurve, zelk::lut::encodeDisplay;
    const Rgb out = m_recipe->sceneToDisplay(
        {decodeCurve(m_curve, in.r), decodeCurve(m_curve, in.g), decodeCurve(m_curve, in.b)});
    return labFromDisplayCode(encodeDisplay(out.r), encodeDisplay(out.g), encodeDisplay(out.b));
}

std::vector<AppliedLook> applyEveryLook(zelk::lut::TransferCurve curve)
{
    std::vector<AppliedLook> looks;
    for (const zelk::lut::LookRecipe& recipe : zelk::lut::lookRecipes())
        looks.emplace_back(recipe, curve, ZELK_TEST_LOOK_SIZE);
    return looks;
}

} // namespace lookquality
