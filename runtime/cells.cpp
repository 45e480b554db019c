#include "runtime/cells.h"

TSwitches switches;
TRuntimeCells runtimecells;

void resetcells()
{
    switches = TSwitches {};
    runtimecells = TRuntimeCells {};
}
