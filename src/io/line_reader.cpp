#include "io/line_reader.h"

#include "io/os/os_layer.h"
#include "io/status.h"

// A graphical menu asked on the terminal cannot be answered there: the
// marker text and the end-of-input status go back to the caller. The line is
// kept whole: a long file name cut short would be a different name.
void IO_READ(std::string_view prompt, std::string& line, int& status)
{
    constexpr std::string_view position = "Subroutine IO_READ V0.1";
    if (!st_enter(status, position)) return;
    if (st_strip(prompt).rfind("MENU CHOICE (GRAPHICAL", 0) == 0) {
        line = "%!*\\ EOF";
        status = ST_EOF_VALUE;
        return;
    }
    // The prompt keeps its trailing blank so that the answer does not touch it.
    if (!IO_READC(std::string(prompt), line)) {
        IO_WRITE("", status);
        status = ST_EOF_VALUE;
        line.clear();
    }
}

void IO_INPUT_KEY(std::string_view prompt, std::string& keys, int& status)
{
    if (!st_enter(status, "Subroutine IO_INPUT_KEY V0.1")) return;
    if (!IO_INPUT_KEYC(std::string(prompt), keys)) {
        IO_WRITE("", status);
        status = ST_EOF_VALUE;
    }
}
