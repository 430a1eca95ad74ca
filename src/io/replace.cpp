#include "io/replace.h"

#include <cstdio>

#include "io/filename.h"
#include "io/os/os_layer.h"
#include "io/status.h"
#include "io/units.h"

void IoReplacement::open(int unit, std::string_view file_name, int& retstat, int& status)
{
    if (!st_enter(status, "Subroutine IO_OPEN_REPLACEMENT V0.1")) return;
    abandon();
    retstat = IO_REPLACEMENT_NOT_MADE;
    std::string path;
    if (!io_translate_name(file_name, path, status)) return;
    const std::string resolved = IO_REALPATHC(path);
    target_ = resolved.empty() ? path : resolved;
    int permissions = 0;
    const IoFileKind kind = IO_FILEKINDC(target_, permissions);
    // Renaming over a device or a FIFO would put a plain file in its place.
    if (kind == IoFileKind::directory || kind == IoFileKind::other) {
        retstat = IO_REPLACEMENT_NOT_REGULAR;
        return;
    }
    // Renaming over a write-protected file would undo its protection.
    if (kind == IoFileKind::regular && !IO_WRITABLEC(target_)) {
        retstat = IO_REPLACEMENT_READ_ONLY;
        return;
    }
    std::string temporary = IO_TEMPORARY_NAMEC(target_);
    // One left by a run that did not finish is of no use to anyone.
    std::remove(temporary.c_str());
    int error_value = 0;
    if (!io_unit_open(unit, temporary, IoAccess::create, error_value,
                      kind == IoFileKind::regular ? permissions : -1))
        return;
    unit_ = unit;
    temporary_ = std::move(temporary);
    retstat = IO_REPLACEMENT_OPEN;
}

void IoReplacement::commit(int& status)
{
    constexpr std::string_view position = "Subroutine IO_CLOSE_REPLACEMENT V0.1";
    if (!st_enter(status, position)) {
        abandon();
        return;
    }
    if (temporary_.empty()) return;
    IO_CLOSE_FILE(unit_, status);
    if (status == ST_GOOD_VALUE && std::rename(temporary_.c_str(), target_.c_str()) != 0) {
        io_say("ERROR: The new file could not take the place of " + target_);
        st_fail(status, ST_MOD_IO + ST_WRITE_FAIL, position);
    }
    if (status != ST_GOOD_VALUE) std::remove(temporary_.c_str());
    temporary_.clear();
}

void IoReplacement::abandon()
{
    if (temporary_.empty()) return;
    int ignored = 0;
    io_unit_close(unit_, ignored);
    std::remove(temporary_.c_str());
    temporary_.clear();
}
