#pragma once

// Text files as other tools write them: byte-order marks, UTF-16, and bytes
// that must not reach a terminal raw.

#include <string>
#include <string_view>
#include <vector>

namespace zelk::lut {

// The text of a file as UTF-8: a UTF-8 byte-order mark is dropped, UTF-16 with
// a byte-order mark is decoded (each with a warning naming `name`). UTF-16
// without a mark, or with a broken surrogate pair, throws LutError.
std::string decodeText(std::string_view bytes, const std::string& name,
                       std::vector<std::string>& warnings);

// `s` fit for a message: control characters, DEL and bytes that are not part
// of a well-formed UTF-8 sequence become \xNN; at most `maxShown` bytes of
// the input are shown, "..." marks the cut.
std::string printable(std::string_view s, std::size_t maxShown = 40);

} // namespace zelk::lut
