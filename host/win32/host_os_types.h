// Windows declarations the portable host code needs to name (IStream's Stat record).
#pragma once
#include "qmvsti/com.h"

namespace qm::host {
using StreamStatRecord = STATSTG;
}
