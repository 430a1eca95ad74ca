// The input/output state back to its start: the state every run begins
// with, and what a caller gets back after it (tests, a new run).

#include "io/status.h"
#include "io/system.h"
#include "io/terminal.h"
#include "io/variables.h"

// Empties the input line, the help display state and the variable store, and
// resets the token separators.
void IO_DEF_SYSTEM(int& status)
{
    if (!st_enter(status, "Subroutine IO_DEF_SYSTEM V0.1")) return;
    IO_DEF_INPUT(status);
    IO_DEF_VARIABLES(status);
    IO_DEF_SEPARATORS(status);
}
