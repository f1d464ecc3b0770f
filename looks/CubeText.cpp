#include "CubeText.h"

#include "AtomicFile.h"
#include "LutError.h"
#include "LutRules.h"
#include "TextInput.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <map>

namespace zelk::lut {

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t';
}

std::vector<std::string_view> splitWords(std::string_view line)
{
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && isSpace(line[i]))
            ++i;
        const std::size_t start = i;
        while (i < line.size() && !isSpace(line[i]))
            ++i;
        if (i > start)
            words.push_back(line.substr(start, i - start));
    }
    return words;
}

std::string upper(std::string_view s)
{
    std::string u(s);
    for (char& c : u)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return u;
}

std::string quoted(std::string_view s)
{
    return "'" + printable(s) + "'";
}

enum class NumberStatus { Ok, NotANumber, NonFinite, OutOfRange };

// One whole word as a 32-bit float, correctly rounded.
NumberStatus parseFloat(std::string_view word, float& value)
{
    if (!word.empty() && word[0] == '+') {
        word.remove_prefix(1);
        if (!word.empty() && (word[0] == '+' || word[0] == '-'))
            return NumberStatus::NotANumber;
    }
    if (word.empty())
        return NumberStatus::NotANumber;
    const char* end = word.data() + word.size();
    double wide = 0.0;
    const auto wideResult = std::from_chars(word.data(), end, wide);
    if (wideResult.ptr != end || wideResult.ec == std::errc::invalid_argument)
        return NumberStatus::NotANumber;
    if (wideResult.ec == std::errc::result_out_of_range) {
        // Overflow or underflow of a double: strtod tells which.
        const std::string copy(word);
        if (std::fabs(std::strtod(copy.c_str(), nullptr)) > 1.0)
            return NumberStatus::OutOfRange;
        value = 0.0f;
        return NumberStatus::Ok;
    }
    if (!std::isfinite(wide))
        return NumberStatus::NonFinite;
    // Out of range only when it rounds to infinity: FLT_MAX printed with nine
    // digits reads back as slightly more than FLT_MAX.
    if (std::isinf(static_cast<float>(wide)))
        return NumberStatus::OutOfRange;
    float narrow = 0.0f;
    const auto narrowResult = std::from_chars(word.data(), end, narrow);
    value = narrowResult.ec == std::errc() ? narrow : static_cast<float>(wide);
    return NumberStatus::Ok;
}

// Keywords start with a letter; "nan" and "inf" are (bad) numbers, not keywords.
bool isKeyword(std::string_view word)
{
    const char c = word[0];
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'))
        return false;
    float ignored;
    return parseFloat(word, ignored) == NumberStatus::NotANumber;
}

class Parser {
public:
    Parser(std::string_view bytes, const std::string& name)
        : m_decoded(decodeText(bytes, name, m_cube.warnings)), m_text(m_decoded), m_name(name)
    {
    }

    CubeText parse()
    {
        // Lines end in LF, CR LF or a lone CR (old Mac editors).
        std::size_t pos = 0;
        while (pos < m_text.size()) {
            std::size_t eol = m_text.find_first_of("\r\n", pos);
            if (eol == std::string_view::npos)
                eol = m_text.size();
            ++m_line;
            handleLine(m_text.substr(pos, eol - pos));
            pos = eol + 1;
            if (eol < m_text.size() && m_text[eol] == '\r' && pos < m_text.size() &&
                m_text[pos] == '\n')
                ++pos;
        }
        finish();
        return std::move(m_cube);
    }

private:
    [[noreturn]] void fail(const std::string& reason, int line = -1) const
    {
        throw LutError(where(m_name, line < 0 ? m_line : line) + reason);
    }

    void handleLine(std::string_view line)
    {
        const std::vector<std::string_view> words = splitWords(line);
        if (words.empty() || words[0][0] == '#')
            return;
        if (isKeyword(words[0]))
            handleKeyword(words, line);
        else
            handleRow(words);
    }

    void once(const std::string& keyword)
    {
        const auto seen = m_seen.find(keyword);
        if (seen != m_seen.end())
            fail(keyword + " repeats (first on line " + std::to_string(seen->second) + ")");
        m_seen[keyword] = m_line;
    }

    int parseSize(const std::vector<std::string_view>& words, const std::string& keyword, int low,
                  int high)
    {
        const std::string reason = keyword + " needs one whole number from " + std::to_string(low) +
                                   " to " + std::to_string(high);
        if (words.size() != 2)
            fail(reason);
        int v = 0;
        const char* end = words[1].data() + words[1].size();
        const auto r = std::from_chars(words[1].data(), end, v);
        if (r.ptr != end || r.ec != std::errc())
            fail(reason + ", not " + quoted(words[1]));
        if (v < low || v > high)
            fail(reason + ", not " + std::to_string(v));
        return v;
    }

    void parseNumbers(const std::vector<std::string_view>& words, std::size_t count, float* out,
                      const std::string& what)
    {
        if (words.size() - 1 != count)
            fail(what + " needs " + std::to_string(count) + " numbers, found " +
                 std::to_string(words.size() - 1));
        for (std::size_t i = 0; i < count; ++i)
            number(words[i + 1], out[i]);
    }

    void number(std::string_view word, float& out)
    {
        switch (parseFloat(word, out)) {
        case NumberStatus::Ok:
            return;
        case NumberStatus::NonFinite:
            fail("non-finite value " + quoted(word));
        case NumberStatus::OutOfRange:
            fail("value " + quoted(word) + " is outside the 32-bit float range");
        case NumberStatus::NotANumber:
            fail(quoted(word) + " is not a number");
        }
    }

    void handleKeyword(const std::vector<std::string_view>& words, std::string_view line)
    {
        const std::string keyword = upper(words[0]);
        if (m_rowsSeen > 0)
            fail("keyword " + quoted(words[0]) + " after the first row of the table");
        if (keyword == "TITLE") {
            once(keyword);
            m_cube.title = parseTitle(line);
        } else if (keyword == "LUT_3D_SIZE") {
            once(keyword);
            m_cube.size3d = parseSize(words, keyword, kMinCubeSize, kMaxCubeSize);
        } else if (keyword == "LUT_1D_SIZE") {
            once(keyword);
            m_cube.size1d = parseSize(words, keyword, 2, 65536);
        } else if (keyword == "DOMAIN_MIN") {
            once(keyword);
            parseNumbers(words, 3, m_cube.domainMin, keyword);
            m_cube.hasDomain = true;
        } else if (keyword == "DOMAIN_MAX") {
            once(keyword);
            parseNumbers(words, 3, m_cube.domainMax, keyword);
            m_cube.hasDomain = true;
        } else if (keyword == "LUT_1D_INPUT_RANGE" || keyword == "LUT_3D_INPUT_RANGE") {
            once(keyword);
            float* range = keyword == "LUT_1D_INPUT_RANGE" ? m_cube.range1d : m_cube.range3d;
            parseNumbers(words, 2, range, keyword);
            if (!(range[0] < range[1]))
                fail(keyword + ": the minimum must be below the maximum");
        } else {
            fail("unknown keyword " + quoted(words[0]));
        }
    }

    // The text between double quotes; without them (as several tools write
    // it) the rest of the line.
    std::string parseTitle(std::string_view line)
    {
        std::size_t start = line.find_first_not_of(" \t");
        start += 5; // "TITLE"
        std::string_view rest = line.substr(start);
        const std::size_t first = rest.find_first_not_of(" \t");
        rest = first == std::string_view::npos ? std::string_view() : rest.substr(first);
        while (!rest.empty() && isSpace(rest.back()))
            rest.remove_suffix(1);
        if (rest.size() >= 2 && rest.front() == '"' && rest.back() == '"')
            return std::string(rest.substr(1, rest.size() - 2));
        if (!rest.empty() && rest.front() == '"')
            warn("TITLE: the closing double quote is missing; the rest of the line is the title");
        return std::string(rest);
    }

    void warn(const std::string& reason, int line = -1)
    {
        m_cube.warnings.push_back(where(m_name, line < 0 ? m_line : line) + "warning: " + reason);
    }

    // The line of whichever of two keywords came last (0 when neither did).
    int laterOf(const std::string& a, const std::string& b) const
    {
        const auto ia = m_seen.find(a);
        const auto ib = m_seen.find(b);
        return std::max(ia == m_seen.end() ? 0 : ia->second, ib == m_seen.end() ? 0 : ib->second);
    }

    // The header is complete once the first row arrives: check it as a whole.
    void checkHeader()
    {
        if (m_cube.size3d == 0 && m_cube.size1d == 0)
            fail(m_text.find('\0') != std::string_view::npos
                     ? "binary data, not a cube LUT text"
                     : "a row comes before LUT_3D_SIZE or LUT_1D_SIZE");
        // A range for a table the file does not hold changes nothing: other
        // readers skip it, and so do we.
        for (const char* keyword : {"LUT_1D_INPUT_RANGE", "LUT_3D_INPUT_RANGE"}) {
            const bool oneD = keyword[4] == '1';
            if (m_seen.count(keyword) && !(oneD ? m_cube.size1d : m_cube.size3d)) {
                warn(std::string(keyword) + " without a " + (oneD ? "1D" : "3D") +
                         " table is ignored",
                     m_seen[keyword]);
                m_seen.erase(keyword);
                float* range = oneD ? m_cube.range1d : m_cube.range3d;
                range[0] = 0.0f;
                range[1] = 1.0f;
            }
        }
        const bool rangeLine =
            m_seen.count("LUT_1D_INPUT_RANGE") || m_seen.count("LUT_3D_INPUT_RANGE");
        // A 1D table before a 3D one is a shaper, with input ranges 0..1 unless given.
        m_cube.usesInputRanges = rangeLine || (m_cube.size1d && m_cube.size3d);
        if (m_cube.usesInputRanges && m_cube.hasDomain)
            fail(rangeLine ? "DOMAIN_MIN/DOMAIN_MAX cannot be combined with LUT_1D_INPUT_RANGE/"
                             "LUT_3D_INPUT_RANGE"
                           : "DOMAIN_MIN/DOMAIN_MAX cannot be combined with a 1D shaper table "
                             "before the 3D table",
                 std::max(laterOf("DOMAIN_MIN", "DOMAIN_MAX"),
                          rangeLine ? laterOf("LUT_1D_INPUT_RANGE", "LUT_3D_INPUT_RANGE")
                                    : laterOf("LUT_1D_SIZE", "LUT_3D_SIZE")));
        static const char* const channel[3] = {"red", "green", "blue"};
        for (int c = 0; c < 3; ++c)
            if (!(m_cube.domainMin[c] < m_cube.domainMax[c])) {
                const int line =
                    m_seen.count("DOMAIN_MAX") ? m_seen["DOMAIN_MAX"] : m_seen["DOMAIN_MIN"];
                fail(std::string("DOMAIN_MIN must be below DOMAIN_MAX (") + channel[c] + ")", line);
            }
        const std::uint64_t n3 = static_cast<std::uint64_t>(m_cube.size3d);
        m_rowsExpected = static_cast<std::uint64_t>(m_cube.size1d) + n3 * n3 * n3;
        // Reserve no more than the text can fill: a row takes at least 6 bytes.
        const std::uint64_t fillable = m_text.size() / 6 + 1;
        const std::uint64_t reserve = m_rowsExpected < fillable ? m_rowsExpected : fillable;
        m_cube.table1d.reserve(3 * static_cast<std::size_t>(m_cube.size1d));
        m_cube.table3d.reserve(3 * static_cast<std::size_t>(reserve));
    }

    void handleRow(const std::vector<std::string_view>& words)
    {
        if (m_rowsSeen == 0)
            checkHeader();
        if (words.size() != 3)
            fail("a row needs exactly three numbers, found " + std::to_string(words.size()));
        if (m_rowsSeen >= m_rowsExpected)
            fail("more rows than the " + std::to_string(m_rowsExpected) + " the sizes declare");
        float v[3];
        for (int i = 0; i < 3; ++i)
            number(words[static_cast<std::size_t>(i)], v[i]);
        std::vector<float>& table = m_rowsSeen < static_cast<std::uint64_t>(m_cube.size1d)
                                        ? m_cube.table1d
                                        : m_cube.table3d;
        table.insert(table.end(), v, v + 3);
        ++m_rowsSeen;
    }

    void finish()
    {
        if (m_rowsSeen == 0) {
            if (m_cube.size3d == 0 && m_cube.size1d == 0)
                fail("no LUT_3D_SIZE or LUT_1D_SIZE", 0);
            checkHeader();
        }
        if (m_rowsSeen < m_rowsExpected)
            fail("only " + std::to_string(m_rowsSeen) + " of the " +
                 std::to_string(m_rowsExpected) + " rows the sizes declare");
    }

    CubeText m_cube; // first: the decoder adds its warnings
    std::string m_decoded;
    std::string_view m_text;
    const std::string& m_name;
    int m_line = 0;
    std::map<std::string, int> m_seen;
    std::uint64_t m_rowsSeen = 0;
    std::uint64_t m_rowsExpected = 0;
};

} // namespace

void CubeText::inputRange(int table, int channel, float& lo, float& hi) const
{
    if (usesInputRanges) {
        const float* range = table == 1 ? range1d : range3d;
        lo = range[0];
        hi = range[1];
    } else {
        lo = domainMin[channel];
        hi = domainMax[channel];
    }
}

bool CubeText::isPlainLattice() const
{
    if (size3d == 0 || size1d != 0)
        return false;
    for (int c = 0; c < 3; ++c) {
        float lo, hi;
        inputRange(3, c, lo, hi);
        if (lo != 0.0f || hi != 1.0f)
            return false;
    }
    return true;
}

CubeText parseCubeText(std::string_view text, const std::string& name)
{
    return Parser(text, name).parse();
}

CubeText readCubeText(const std::string& path)
{
    return parseCubeText(readWholeFile(path), path);
}

std::string formatCubeText(const LatticeLut& lut, const std::string& title)
{
    std::string out = "# Written by zelk-lut\n";
    std::string cleanTitle;
    for (char c : title)
        if (c != '"' && c != '\n' && c != '\r')
            cleanTitle.push_back(c);
    out += "TITLE \"" + cleanTitle + "\"\n";
    out += "LUT_3D_SIZE " + std::to_string(lut.size) + "\n";
    out += "DOMAIN_MIN 0 0 0\nDOMAIN_MAX 1 1 1\n";
    char row[64];
    for (int ib = 0; ib < lut.size; ++ib)
        for (int ig = 0; ig < lut.size; ++ig)
            for (int ir = 0; ir < lut.size; ++ir) {
                const float* e = lut.entry(ir, ig, ib);
                // Nine significant digits name every float uniquely.
                std::snprintf(row, sizeof row, "%.9g %.9g %.9g\n", static_cast<double>(e[0]),
                              static_cast<double>(e[1]), static_cast<double>(e[2]));
                out += row;
            }
    return out;
}

} // namespace zelk::lut
