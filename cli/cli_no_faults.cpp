#include "cli/cli_faults.h"

bool InjectedFault(FaultPoint, int*)
{
    return false;
}

void InjectedPause(FaultPoint, const char*)
{
}
