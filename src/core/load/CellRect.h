#pragma once

// CellRect lives with the sheet now; this header stays only until every
// include has moved to core/sheet/CellRect.h.
#include "core/sheet/CellRect.h"
