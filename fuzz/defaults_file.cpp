// The defaults file is read at every start: whatever it holds, loading must
// end, stay within the store's limits and leave a store that can be saved.

#include "fuzz_support.h"
#include "io/database.h"
#include "io/status.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const FuzzFile input(data, size, ".def");
    IO_CLEAR_DATABASE();
    int status = ST_GOOD_VALUE;
    int retstat = 0;
    IO_LOAD_DATABASE(input.path(), retstat, status);
    int pool = 0;
    const int entries = IO_INQ_DATABASE_SIZE(pool);
    if (entries < 0 || entries > IO_DB_MAX_ENTRIES || pool < 0 || pool > IO_DB_POOL) std::abort();
    status = ST_GOOD_VALUE;
    const FuzzFile output(nullptr, 0, ".out");
    IO_SAVE_DATABASE(output.path(), retstat, status);
    return 0;
}
