// The process list as rows, the way the process panel fills it: one row per event of the
// process scanner, system processes only when asked for. Grades are left to the caller.
#pragma once

#include <vector>

#include "inventory/pure/Rows.h"
#include "scanners/cScanProcesses.h"

namespace vt {

// table: null for the live process table.
std::vector<ProcessRow> CollectProcessRows(bool systemProcesses, IProcessTable* table = nullptr);

}  // namespace vt
