#include "io/directory.h"

#include "io/os/os_layer.h"
#include "io/status.h"

void IO_FILEEXIST(std::string_view name, bool& exists, int& kind, int& third, int& status)
{
    constexpr std::string_view position = "Subroutine IO_FILEEXIST V0.1";
    if (!st_enter(status, position)) return;
    const std::string_view path = st_strip(name);
    if (path.empty()) {
        st_fail(status, ST_MOD_IO + ST_BAD_CHAR, position);
        return;
    }
    bool directory = false;
    exists = IO_FILEEXISTC(std::string(path), directory);
    kind = exists ? (directory ? 2 : 1) : 0;
    third = 0;
}

void IO_FILESIZE(std::string_view name, long long& size, int& status)
{
    if (!st_enter(status, "Subroutine IO_FILESIZE V0.1")) return;
    size = IO_FILESIZEC(std::string(st_strip(name)));
}
