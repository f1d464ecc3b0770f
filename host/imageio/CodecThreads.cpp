// OpenEXR decodes and encodes the chunks of a file on its global thread pool.
#include "zelk/ImageFile.h"

#include <ImfThreading.h>

#include <algorithm>
#include <climits>

namespace zelk {

void setCodecThreads(unsigned threads)
{
    Imf::setGlobalThreadCount(int(std::min(threads, unsigned(INT_MAX))));
}

} // namespace zelk
