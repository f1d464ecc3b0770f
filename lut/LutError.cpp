#include "LutError.h"

namespace zelk::lut {

std::string where(const std::string& file, int line)
{
    return line > 0 ? file + ":" + std::to_string(line) + ": " : file + ": ";
}

} // namespace zelk::lut
