#include "runtime/cells.h"

#include "runtime/screen.h"

TSwitches switches;
TRuntimeCells runtimecells;

void resetcells()
{
    switches = TSwitches {};
    runtimecells = TRuntimeCells {};
    screen.clear();
    scrcursor = tscrcursor {};
}
