#include "TextInput.h"

#include "LutError.h"

#include <cstdint>
#include <cstdio>

namespace zelk::lut {

namespace {

void appendUtf8(std::string& out, std::uint32_t cp)
{
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

std::string decodeUtf16(std::string_view bytes, bool bigEndian, const std::string& name)
{
    auto unit = [&](std::size_t i) -> std::uint32_t {
        const auto hi = static_cast<unsigned char>(bytes[bigEndian ? i : i + 1]);
        const auto lo = static_cast<unsigned char>(bytes[bigEndian ? i + 1 : i]);
        return (static_cast<std::uint32_t>(hi) << 8) | lo;
    };
    if (bytes.size() % 2 != 0)
        throw LutError(where(name) + "UTF-16 text with an odd number of bytes");
    std::string out;
    out.reserve(bytes.size() / 2 + bytes.size() / 4);
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        std::uint32_t cp = unit(i);
        if (cp >= 0xD800 && cp < 0xDC00 && i + 2 < bytes.size()) {
            const std::uint32_t low = unit(i + 2);
            if (low >= 0xDC00 && low < 0xE000) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                i += 2;
            }
        }
        if (cp >= 0xD800 && cp < 0xE000)
            throw LutError(where(name) + "UTF-16 text with a broken surrogate pair at byte " +
                           std::to_string(i));
        appendUtf8(out, cp);
    }
    return out;
}

// A text editor's "Unicode" without a mark: ASCII with every other byte zero.
bool looksLikeUnmarkedUtf16(std::string_view bytes)
{
    return bytes.size() >= 2 && ((bytes[0] == '\0') != (bytes[1] == '\0'));
}

// Length of the well-formed UTF-8 sequence at the start of `s` (2 to 4), or 0.
std::size_t utf8SequenceLength(std::string_view s)
{
    const auto b0 = static_cast<unsigned char>(s[0]);
    std::size_t n = 0;
    std::uint32_t cp = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF)
        n = 2, cp = b0 & 0x1F;
    else if (b0 >= 0xE0 && b0 <= 0xEF)
        n = 3, cp = b0 & 0x0F;
    else if (b0 >= 0xF0 && b0 <= 0xF4)
        n = 4, cp = b0 & 0x07;
    if (n == 0 || s.size() < n)
        return 0;
    for (std::size_t i = 1; i < n; ++i) {
        const auto b = static_cast<unsigned char>(s[i]);
        if ((b & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    const bool overlong = (n == 3 && cp < 0x800) || (n == 4 && cp < 0x10000);
    const bool surrogate = cp >= 0xD800 && cp < 0xE000;
    return overlong || surrogate || cp > 0x10FFFF ? 0 : n;
}

} // namespace

std::string decodeText(std::string_view bytes, const std::string& name,
                       std::vector<std::string>& warnings)
{
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        warnings.push_back(where(name, 1) + "warning: UTF-8 byte-order mark at the start, ignored");
        return std::string(bytes.substr(3));
    }
    const std::string_view mark = bytes.substr(0, 2);
    if (mark == "\xFF\xFE" || mark == "\xFE\xFF") {
        warnings.push_back(where(name) + "warning: UTF-16 text, read as UTF-8");
        return decodeUtf16(bytes.substr(2), mark == "\xFE\xFF", name);
    }
    if (looksLikeUnmarkedUtf16(bytes))
        throw LutError(where(name) + "UTF-16 text: save the file as UTF-8");
    return std::string(bytes);
}

std::string printable(std::string_view s, std::size_t maxShown)
{
    const bool cut = s.size() > maxShown;
    s = s.substr(0, maxShown);
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c >= 0x20 && c < 0x7F) {
            out.push_back(static_cast<char>(c));
            ++i;
            continue;
        }
        const std::size_t n = c >= 0x80 ? utf8SequenceLength(s.substr(i)) : 0;
        if (n) {
            out.append(s.substr(i, n));
            i += n;
            continue;
        }
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02X", c);
        out += hex;
        ++i;
    }
    return cut ? out + "..." : out;
}

} // namespace zelk::lut
