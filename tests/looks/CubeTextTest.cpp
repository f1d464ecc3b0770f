// The .cube text reader and writer: what it accepts, every rejection with its
// line, and exact float round trips. (The red-fastest row order: a look added
// and rendered, BundleAddTest.cpp, and exported looks read by OpenColorIO.)

#include "CubeText.h"
#include "Bake.h"
#include "LutError.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <string>

using namespace zelk::lut;

namespace {

// A size-2 identity table in .cube row order (red fastest).
const std::string kRows = "0 0 0\n1 0 0\n0 1 0\n1 1 0\n0 0 1\n1 0 1\n0 1 1\n1 1 1\n";

std::string rejection(const std::string& text)
{
    try {
        parseCubeText(text, "bad.cube");
    } catch (const LutError& e) {
        return e.what();
    }
    return "(accepted)";
}

} // namespace

TEST(CubeText, AcceptsTheFormatsVariants)
{
    // BOM, CRLF, lower-case keywords, comments, blank lines, tabs, exponents, a leading '+'.
    const std::string text = "\xEF\xBB\xBF# made by hand\r\ntitle \"Hand made\"\r\n\r\n"
                             "  lut_3d_size\t2  \r\nDomain_Min 0 0 0\r\nDOMAIN_MAX 1 1 1\r\n"
                             "0 0 0\r\n1.5e-1 +0 0\r\n  0\t1   0\r\n# a comment between rows\r\n"
                             "1 1 0\r\n0 0 1\r\n1 0 1\r\n0 1 1\r\n1 1 -2.5E+2";
    const CubeText cube = parseCubeText(text, "hand.cube");
    EXPECT_EQ(cube.title, "Hand made");
    ASSERT_EQ(cube.table3d.size(), 24u);
    EXPECT_EQ(cube.table3d[3], 0.15f);
    EXPECT_EQ(cube.table3d[23], -250.0f);
    EXPECT_TRUE(cube.isPlainLattice());
    EXPECT_EQ(cube.warnings, std::vector<std::string>{"hand.cube:1: warning: UTF-8 byte-order "
                                                      "mark at the start, ignored"});
}

TEST(CubeText, RejectsWithFileLineAndReason)
{
    const std::pair<std::string, std::string> cases[] = {
        // The input, and the start of the message: file, line, reason.
        {"TITLE \"x\"\n", "bad.cube: no LUT_3D_SIZE or LUT_1D_SIZE"},
        {"0 0 0\n", "bad.cube:1: a row comes before LUT_3D_SIZE or LUT_1D_SIZE"},
        {"LUT_3D_SIZE 2\nTITLE \"a\"\nLUT_3D_SIZE 2\n" + kRows,
         "bad.cube:3: LUT_3D_SIZE repeats (first on line 1)"},
        {"LUT_3D_SIZE 257\n",
         "bad.cube:1: LUT_3D_SIZE needs one whole number from 2 to 256, not 257"},
        {"LUT_3D_SIZE\n", "bad.cube:1: LUT_3D_SIZE needs one whole number"},
        {"LUT_3D_SIZE 2\n0 0 0\nTITLE \"late\"\n",
         "bad.cube:3: keyword 'TITLE' after the first row"},
        {"LUT_3D_SIZE 2\n0 0\n", "bad.cube:2: a row needs exactly three numbers, found 2"},
        // 256^3 rows declared, three given: no reservation for what the text cannot fill.
        {"LUT_3D_SIZE 256\n0 0 0\n1 1 1\n0 0 0\n", "bad.cube:4: only 3 of the 16777216 rows"},
        {"LUT_3D_SIZE 2\n" + kRows + "1 1 1\n",
         "bad.cube:10: more rows than the 8 the sizes declare"},
        {"LUT_3D_SIZE 2\n0 0 0\n1 nan 0\n", "bad.cube:3: non-finite value 'nan'"},
        {"LUT_3D_SIZE 2\n0 1e39 0\n", "bad.cube:2: value '1e39' is outside the 32-bit float range"},
        {"LUT_3D_SIZE 2\n0 1,5 0\n", "bad.cube:2: '1,5' is not a number"},
        {"LUT_3D_SIZE 2\nDOMAIN_MIN 0 0 0\nDOMAIN_MAX 1 0 1\n" + kRows,
         "bad.cube:3: DOMAIN_MIN must be below DOMAIN_MAX (green)"},
        {"LUT_3D_SIZE 2\nLUT_3D_INPUT_RANGE 0 2\nDOMAIN_MAX 2 2 2\n" + kRows,
         "bad.cube:3: DOMAIN_MIN/DOMAIN_MAX cannot be combined"},
        {"LUT_3D_SIZE 2\nLUT_3D_SIZES 2\n", "bad.cube:2: unknown keyword 'LUT_3D_SIZES'"},
        // CR-only line ends still count lines.
        {"LUT_3D_SIZE 2\r0 0 0\r1 0\r", "bad.cube:3: a row needs exactly three numbers"},
        // Bytes a terminal must not see raw are escaped; UTF-8 stays.
        {"LUT_3D_SIZE 2\n0 \xff\x1b[2J 0\n", "bad.cube:2: '\\xFF\\x1B[2J' is not a number"},
        {"LUT_3D_SIZE 2\n0 \xc3\xa9 0\n", "bad.cube:2: '\xc3\xa9' is not a number"},
        {std::string("\x01\x02\0\0 1 2\n", 10), "bad.cube:1: binary data, not a cube LUT text"},
    };
    for (const auto& [text, expected] : cases) {
        const std::string message = rejection(text);
        EXPECT_EQ(message.rfind(expected, 0), 0u) << "input:\n" << text << "\nmessage: " << message;
    }
}

TEST(CubeText, ReadsWhatOtherToolsWrite)
{
    // An unquoted title is the rest of the line; a stray quote is kept with a warning.
    EXPECT_EQ(parseCubeText("TITLE Film look v2 \nLUT_3D_SIZE 2\n" + kRows, "t").title,
              "Film look v2");
    const CubeText open = parseCubeText("TITLE \"open\nLUT_3D_SIZE 2\n" + kRows, "o.cube");
    EXPECT_EQ(open.title, "\"open");
    ASSERT_EQ(open.warnings.size(), 1u);
    EXPECT_EQ(open.warnings[0].rfind("o.cube:1: warning: TITLE: the closing double quote", 0), 0u);

    // A 1D table before a 3D one without range lines: a shaper over 0..1.
    const CubeText both =
        parseCubeText("LUT_1D_SIZE 2\nLUT_3D_SIZE 2\n0 0 0\n1 1 1\n" + kRows, "b.cube");
    EXPECT_TRUE(both.usesInputRanges);
    EXPECT_EQ(both.table1d.size(), 6u);
    EXPECT_EQ(both.table3d.size(), 24u);
    float lo, hi;
    both.inputRange(1, 0, lo, hi);
    EXPECT_EQ(std::pair(lo, hi), std::pair(0.0f, 1.0f));

    // A range for a table that is not there is ignored, with a note.
    const CubeText stray =
        parseCubeText("LUT_3D_SIZE 2\nLUT_1D_INPUT_RANGE 0 4\n" + kRows, "s.cube");
    EXPECT_TRUE(stray.isPlainLattice());
    EXPECT_EQ(stray.warnings, std::vector<std::string>{"s.cube:2: warning: LUT_1D_INPUT_RANGE "
                                                       "without a 1D table is ignored"});

    // CR-only line ends (old Mac editors) read like LF.
    std::string cr = "LUT_3D_SIZE 2\n" + kRows;
    std::replace(cr.begin(), cr.end(), '\n', '\r');
    EXPECT_EQ(parseCubeText(cr, "cr.cube").table3d,
              parseCubeText("LUT_3D_SIZE 2\n" + kRows, "lf").table3d);
}

TEST(CubeText, Utf16IsDecodedOrRefusedClearly)
{
    // The title holds a character outside the basic plane (a surrogate pair in UTF-16).
    const std::u16string text = u"TITLE \"Look \U0001F3A5\"\r\nLUT_3D_SIZE 2\r\n0 0 0\r\n1 0 0\r\n"
                                u"0 1 0\r\n1 1 0\r\n0 0 1\r\n1 0 1\r\n0 1 1\r\n1 1 1\r\n";
    auto encode = [&](bool bigEndian, bool mark) {
        std::string bytes = mark ? (bigEndian ? "\xFE\xFF" : "\xFF\xFE") : "";
        for (char16_t u : text) {
            const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
            bytes += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
        }
        return bytes;
    };
    for (bool bigEndian : {false, true}) {
        const CubeText cube = parseCubeText(encode(bigEndian, true), "u16.cube");
        EXPECT_EQ(cube.title, "Look \xF0\x9F\x8E\xA5");
        EXPECT_EQ(cube.table3d.size(), 24u);
        EXPECT_EQ(cube.warnings,
                  std::vector<std::string>{"u16.cube: warning: UTF-16 text, read as UTF-8"});
    }
    EXPECT_EQ(rejection(encode(false, false)), "bad.cube: UTF-16 text: save the file as UTF-8");
    EXPECT_EQ(rejection(std::string("\xFF\xFE\x00\xD8T\x00", 6)),
              "bad.cube: UTF-16 text with a broken surrogate pair at byte 0");
}

TEST(CubeText, WrittenFloatsReadBackBitForBit)
{
    std::mt19937 random(7);
    LatticeLut lut = makeLattice(4);
    for (float& v : lut.values)
        do {
            const std::uint32_t b = random();
            std::memcpy(&v, &b, sizeof v);
        } while (!std::isfinite(v));
    // The awkward ones: denormals, the extremes, negative zero.
    lut.values[0] = std::numeric_limits<float>::denorm_min();
    lut.values[1] = std::numeric_limits<float>::max();
    lut.values[2] = -std::numeric_limits<float>::min();
    lut.values[3] = -0.0f;
    lut.values[4] = 0.1f;

    const CubeText back = parseCubeText(formatCubeText(lut, "round \"trip\""), "rt.cube");
    EXPECT_EQ(back.title, "round trip");
    const LatticeLut again = transposeTable(back);
    ASSERT_EQ(again.values.size(), lut.values.size());
    EXPECT_EQ(std::memcmp(again.values.data(), lut.values.data(), 4 * lut.values.size()), 0);
}
