#include "io/system.h"

#include <bit>
#include <cmath>

#include "io/os/os_layer.h"
#include "io/status.h"

namespace {

std::string separators = " ,\t";

const char* const system_names[] = {"IBM-AIX",  "DEC-UNIX",  "HP-UX-9", "HP-UX-10",
                                    "SG-IRIX",  "SG-IRIX64", "LINUX",   "SUN-OS",
                                    "SUN-SOLARIS", "DEC-VMS", "WINDOWS-NT"};
const char* const processor_names[] = {"IBM-RS6000", "DEC-ALPHA", "HP-700", "HP-800",
                                       "SG-MIPS",    "PC",        "SUN-4",  "DEC-VAX"};

} // namespace

// Allocates a block for a work array; the caller releases it with IO_FREE.
void IO_MALLOC(long long bytes, void*& address, int& status)
{
    constexpr std::string_view position = "Subroutine IO_MALLOC V0.1";
    if (!st_enter(status, position)) return;
    if (bytes < 1) {
        st_fail(status, ST_MOD_IO + ST_BAD_INT, position);
        return;
    }
    if (IO_MALLOCC(static_cast<std::size_t>(bytes), address) != 0) {
        address = nullptr;
        st_fail(status, ST_MOD_IO + ST_BAD_MALLOC, position);
    }
}

void IO_FREE(void*& address, int& status)
{
    if (!st_enter(status, "Subroutine IO_FREE V0.1")) return;
    IO_FREEC(address);
    address = nullptr;
}

// The program's name, then its arguments, as many as fit; the count is always
// that of all arguments plus one.
void IO_GETARGS(int max_arguments, int& num_arguments, std::vector<std::string>& arguments,
                int& status)
{
    constexpr std::string_view position = "Subroutine IO_GETARGS V0.1";
    if (!st_enter(status, position)) return;
    if (max_arguments < 1) {
        st_fail(status, ST_MOD_IO + ST_BAD_DIM1, position);
        return;
    }
    const auto& all = IO_ARGUMENTSC();
    arguments.assign(static_cast<std::size_t>(max_arguments), std::string());
    for (std::size_t i = 0; i < all.size() && i < arguments.size(); ++i)
        arguments[i] = std::string(st_trim(all[i]));
    num_arguments = all.empty() ? 1 : static_cast<int>(all.size());
}

void IO_SYSTEM_NAME(std::string& system_name, std::string& processor_name, int& status)
{
    if (!st_enter(status, "Subroutine IO_SYSTEM_NAME V0.1")) return;
    int system_code = 0;
    int processor_code = 0;
    IO_SYSTEM_NAMEC(system_code, processor_code);
    if (system_code >= 1 && system_code <= 11) system_name = system_names[system_code - 1];
    if (processor_code >= 1 && processor_code <= 8)
        processor_name = processor_names[processor_code - 1];
}

bool IO_BIG_ENDIAN(int& status)
{
    if (!st_enter(status, "Subroutine IO_BIG_ENDIAN V0.1")) return false;
    return std::endian::native == std::endian::big;
}

// Bytes per record-length unit of direct-access files on this system.
void IO_RECL(int& bytes, int& status)
{
    constexpr std::string_view position = "Subroutine IO_RECL V0.1";
    if (!st_enter(status, position)) return;
    std::string system_name;
    std::string processor_name;
    IO_SYSTEM_NAME(system_name, processor_name, status);
    if (system_name == "LINUX" || system_name == "HP-UX-9" || system_name == "HP-UX-10" ||
        system_name == "IBM-AIX") {
        bytes = 1;
    } else if (system_name == "WINDOWS-NT" || system_name == "SG-IRIX64" ||
               system_name == "SG-IRIX" || system_name == "SUN-SOLARIS" ||
               system_name == "SUN-OS" || system_name == "DEC-VMS" ||
               system_name == "DEC-UNIX") {
        bytes = 4;
    } else {
        IO_WRITE("ERROR: The record length unit of direct-access files is not known for", status);
        IO_WRITE("       this operating system. The routine IO_RECL must be adapted for the", status);
        IO_WRITE("       new system: one record-length unit may be 1 byte or 4 bytes", status);
        IO_WRITE("       depending on the conventions of the system and its compiler.", status);
        st_fail(status, ST_MOD_IO + ST_UNKNOWN_SYSTEM, position);
    }
}

void IO_LOGINNAME(std::string& name, int& retstat, int& status)
{
    if (!st_enter(status, "Subroutine IO_LOGINNAME V0.1")) return;
    name.clear();
    if (IO_LOGINNAMEC(name)) {
        retstat = 0;
    } else {
        name = "*** UNKNOWN ***";
        retstat = -1;
    }
}

// Runs a command through the system's command interpreter; its result is not examined.
void IO_SYSTEM(std::string_view command, int& status)
{
    if (!st_enter(status, "Subroutine IO_SYSTEM V0.1")) return;
    IO_SYSTEMC(std::string(st_trim(command).substr(0, 255)));
}

void IO_SLEEP(float seconds, int& status)
{
    if (!st_enter(status, "Subroutine IO_SLEEP V0.1")) return;
    IO_SLEEPC(std::lround(static_cast<double>(seconds) * 1000.0));
}

int IO_START(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    return first == std::string_view::npos ? -1 : static_cast<int>(first) + 1;
}

void IO_DEF_SEPARATORS(int& status)
{
    if (!st_enter(status, "Subroutine IO_DEF_SEPARATORS V0.1")) return;
    separators = " ,\t";
}

std::string_view io_separators() { return separators; }

char io_path_separator()
{
    int status = ST_GOOD_VALUE;
    std::string system_name;
    std::string processor_name;
    IO_SYSTEM_NAME(system_name, processor_name, status);
    return system_name == "WINDOWS-NT" ? '\\' : '/';
}
