#include <ofxhost/Text.h>

namespace ofxhost {

namespace {

std::string escaped(const std::string& text, bool quoting)
{
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
        if (c == 0xc2 && next >= 0x80 && next <= 0x9f) { // a C1 control in UTF-8
            out += std::string("\\u00") + kHex[next >> 4] + kHex[next & 15];
            ++i;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c < 0x20 || c == 0x7f) {
            out += std::string("\\x") + kHex[c >> 4] + kHex[c & 15];
        } else if (quoting && (c == '"' || c == '\\')) {
            out += '\\';
            out += char(c);
        } else {
            out += char(c);
        }
    }
    return out;
}

} // namespace

std::string escapedText(const std::string& text)
{
    return escaped(text, false);
}

std::string quotedText(const std::string& text)
{
    return "\"" + escaped(text, true) + "\"";
}

} // namespace ofxhost
