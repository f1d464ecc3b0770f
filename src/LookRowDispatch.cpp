#include "LookRow.h"

namespace zelk {

LookRowFn lookRow()
{
    return &lookRowScalar;
}

} // namespace zelk
