#include "io/database.h"

#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "io/convert.h"
#include "io/filename.h"
#include "io/status.h"
#include "io/terminal.h"
#include "io/units.h"

namespace {

constexpr std::size_t WORK_FIELD = 256;
constexpr std::size_t TYPED_FIELD = 20;
constexpr int DATABASE_UNIT = 51;

// The entries lie end to end in the pool in insertion order: entry i (from 1)
// occupies pool positions start[i] to start[i + 1] - 1, each "key value".
struct Store
{
    std::array<char, IO_DB_POOL> pool{};
    std::array<int, IO_DB_MAX_ENTRIES + 2> start{};
    int count = 0;

    Store() { start[1] = 1; }

    std::string_view entry(int i) const
    {
        return {pool.data() + start[i] - 1, static_cast<std::size_t>(start[i + 1] - start[i])};
    }

    // Splits an entry, cut to the working field, into key and value; false
    // for an entry without a usable key.
    bool split(int i, std::string_view& key, std::string_view& value) const
    {
        const std::string_view work = entry(i).substr(0, WORK_FIELD);
        const std::size_t blank = work.find(' ');
        if (blank == 0 || blank == std::string_view::npos) return false;
        key = work.substr(0, blank);
        value = work.substr(blank + 1);
        return true;
    }

    int find(std::string_view key) const
    {
        for (int i = 1; i <= count; ++i) {
            std::string_view stored;
            std::string_view value;
            if (split(i, stored, value) && stored == key) return i;
        }
        return 0;
    }

    void remove(int j)
    {
        const int length = start[j + 1] - start[j];
        std::memmove(pool.data() + start[j] - 1, pool.data() + start[j + 1] - 1,
                     static_cast<std::size_t>(start[count + 1] - start[j + 1]));
        for (int i = j; i <= count; ++i) start[i] = start[i + 1] - length;
        --count;
    }
};

Store store;

std::string padded_field(std::string_view value, std::size_t width)
{
    std::string field(value.substr(0, width));
    field.resize(width, ' ');
    return field;
}

// Reads a stored number back from the first characters of its text;
// retstat 3 when the text is no number.
template <typename T, typename Convert>
void inquire_number(std::string_view key, T& value, int& retstat, int& status, Convert convert)
{
    int length = 0;
    std::string text;
    IO_INQ_KEYVALUE(key, length, text, retstat, status);
    if (retstat != 0) return;
    bool found = false;
    convert(std::string_view(text).substr(0, TYPED_FIELD), found, value, status);
    if (!found) retstat = 3;
}

} // namespace

// The engine under every database routine.
void IO_ACCESS_DATABASE(int mode, std::string& key, int& value_length, std::string& value,
                        int& retstat, int& status)
{
    if (!st_enter(status, "Subroutine IO_ACCESS_DATABASE V0.1")) return;
    if (mode == IO_DB_STORE) {
        const std::string_view name = st_trim(key);
        if (name.empty()) return;
        const int length = value_length < 0 ? 0 : value_length;
        const int needed = static_cast<int>(name.size()) + 1 + length;
        // A replaced entry is deleted only when its successor fits, so a full
        // store never loses the value it held.
        const int old = store.find(name);
        const int old_length = old ? store.start[old + 1] - store.start[old] : 0;
        const int entries = store.count - (old ? 1 : 0);
        const int free_at = store.start[store.count + 1] - old_length;
        if (entries >= IO_DB_MAX_ENTRIES || free_at + needed >= IO_DB_POOL) {
            retstat = 1;
            return;
        }
        if (old) store.remove(old);
        const std::string entry = std::string(name) + " " +
                                  padded_field(value, static_cast<std::size_t>(length));
        std::memcpy(store.pool.data() + store.start[store.count + 1] - 1, entry.data(),
                    entry.size());
        ++store.count;
        store.start[store.count + 1] = store.start[store.count] + needed;
        return;
    }
    if (mode == IO_DB_LOOKUP) {
        const int i = store.find(st_trim(key));
        if (i == 0) {
            retstat = 2;
            return;
        }
        std::string_view stored;
        std::string_view stored_value;
        store.split(i, stored, stored_value);
        value = std::string(stored_value);
        value_length = static_cast<int>(stored_value.size());
        retstat = 0;
        return;
    }
    if (mode < 0) {
        const int i = -mode;
        std::string_view stored;
        std::string_view stored_value;
        if (i > store.count) {
            retstat = 2;
            return;
        }
        if (!store.split(i, stored, stored_value)) stored_value = {};
        key = std::string(stored);
        value = std::string(stored_value);
        value_length = static_cast<int>(stored_value.size());
        retstat = 0;
    }
}

void IO_SET_KEYVALUE(std::string_view key, int value_length, std::string_view value,
                     int& retstat, int& status)
{
    if (!st_enter(status, "Subroutine IO_SET_KEYVALUE V0.1")) return;
    std::string name(key);
    std::string text(value);
    IO_ACCESS_DATABASE(IO_DB_STORE, name, value_length, text, retstat, status);
}

void IO_INQ_KEYVALUE(std::string_view key, int& value_length, std::string& value, int& retstat,
                     int& status)
{
    if (!st_enter(status, "Subroutine IO_INQ_KEYVALUE V0.1")) return;
    std::string name(key);
    IO_ACCESS_DATABASE(IO_DB_LOOKUP, name, value_length, value, retstat, status);
}

void IO_SET_IKEYVALUE(std::string_view key, int value, int& retstat, int& status)
{
    if (!st_enter(status, "Subroutine IO_SET_IKEYVALUE V0.1")) return;
    const std::string text = IO_ITOC(value, status);
    IO_SET_KEYVALUE(key, static_cast<int>(text.size()), text, retstat, status);
}

void IO_SET_RKEYVALUE(std::string_view key, float value, int& retstat, int& status)
{
    if (!st_enter(status, "Subroutine IO_SET_RKEYVALUE V0.1")) return;
    const std::string text = IO_RTOC(value, status);
    IO_SET_KEYVALUE(key, static_cast<int>(text.size()), text, retstat, status);
}

void IO_SET_LKEYVALUE(std::string_view key, bool value, int& retstat, int& status)
{
    if (!st_enter(status, "Subroutine IO_SET_LKEYVALUE V0.1")) return;
    IO_SET_KEYVALUE(key, value ? 4 : 5, value ? "TRUE" : "FALSE", retstat, status);
}

void IO_INQ_IKEYVALUE(std::string_view key, int& value, int& retstat, int& status)
{
    if (!st_enter(status, "Subroutine IO_INQ_IKEYVALUE V0.1")) return;
    inquire_number(key, value, retstat, status, IO_TOKTI);
}

void IO_INQ_RKEYVALUE(std::string_view key, float& value, int& retstat, int& status)
{
    if (!st_enter(status, "Subroutine IO_INQ_RKEYVALUE V0.1")) return;
    inquire_number(key, value, retstat, status, IO_TOKTR);
}

void IO_INQ_LKEYVALUE(std::string_view key, bool& value, int& retstat, int& status)
{
    if (!st_enter(status, "Subroutine IO_INQ_LKEYVALUE V0.1")) return;
    int length = 0;
    std::string text;
    IO_INQ_KEYVALUE(key, length, text, retstat, status);
    if (retstat != 0) return;
    const std::string field = padded_field(text, TYPED_FIELD);
    if (field == padded_field("TRUE", TYPED_FIELD)) value = true;
    else if (field == padded_field("FALSE", TYPED_FIELD)) value = false;
    else retstat = 3;
}

// Adds the entries of a defaults file to the store: two header lines, then a
// key line and a value line per entry.
void IO_LOAD_DATABASE(std::string_view file_name, int& retstat, int& status)
{
    if (!st_enter(status, "Subroutine IO_LOAD_DATABASE V0.1")) return;
    retstat = 0;
    std::string name(file_name);
    int opened = 0;
    IO_OPEN_ASCIIFILE(false, "READ", DATABASE_UNIT, name, opened, status);
    if (status != ST_GOOD_VALUE) return;
    if (opened != 0) {
        retstat = -1;
        return;
    }
    std::string key;
    std::string value;
    if (IO_READ_FILE(DATABASE_UNIT, key, status) && IO_READ_FILE(DATABASE_UNIT, value, status)) {
        while (IO_READ_FILE(DATABASE_UNIT, key, status) &&
               IO_READ_FILE(DATABASE_UNIT, value, status)) {
            key = key.substr(0, 80);
            value = value.substr(0, WORK_FIELD);
            int fitted = 0;
            IO_SET_KEYVALUE(key, static_cast<int>(SLEN(value)), value, fitted, status);
            if (fitted == 1) retstat = 1;
        }
    }
    int ignored = 0;
    io_unit_close(DATABASE_UNIT, ignored);
}

// Writes the store to a defaults file. The file is written beside the old one
// under a temporary name and renamed over it only when complete, so a failed
// save (full disk, no permission) leaves the previous defaults whole.
void IO_SAVE_DATABASE(std::string_view file_name, int& retstat, int& status)
{
    constexpr std::string_view position = "Subroutine IO_SAVE_DATABASE V0.1";
    if (!st_enter(status, position)) return;
    retstat = 0;
    int translated_ok = 0;
    std::string target;
    IO_TRANS_PATH(file_name, translated_ok, target, status);
    // Through a link the file it names is replaced, not the link.
    if (char* resolved = ::realpath(target.c_str(), nullptr); resolved != nullptr) {
        target = resolved;
        std::free(resolved);
    }
    std::string temporary = target + ".new" + std::to_string(::getpid());
    int opened = target.empty() ? 1 : translated_ok;
    if (translated_ok == 0) IO_OPEN_ASCIIFILE(false, "WRITE", DATABASE_UNIT, temporary, opened,
                                              status);
    if (status != ST_GOOD_VALUE) return;
    if (opened != 0) {
        int out = ST_GOOD_VALUE;
        IO_WRITE("IO_OPEN_ASCIIFILE retstat = " + IO_ITOC(opened, out), out);
        retstat = -1;
        return;
    }
    // Write failures are collected on a status of their own: the caller's
    // status stays good, and the failure is reported as a failed save.
    int write_status = ST_GOOD_VALUE;
    IO_WRITE_FILE(DATABASE_UNIT, "DATABASE DEFAULT VALUES FILE", write_status);
    IO_WRITE_FILE(DATABASE_UNIT, "!!! DO NOT ALTER YOURSELF !!!", write_status);
    for (int i = 1; write_status == ST_GOOD_VALUE; ++i) {
        std::string key;
        std::string value;
        int length = 0;
        int found = 0;
        IO_ACCESS_DATABASE(-i, key, length, value, found, write_status);
        if (found != 0) break;
        if (key.empty() || key.front() == '#') continue;
        IO_WRITE_FILE(DATABASE_UNIT, std::string_view(key).substr(0, 80), write_status);
        IO_WRITE_FILE(DATABASE_UNIT, std::string_view(value).substr(0, WORK_FIELD),
                      write_status);
    }
    if (write_status == ST_GOOD_VALUE) IO_CLOSE_FILE(DATABASE_UNIT, write_status);
    int ignored = 0;
    io_unit_close(DATABASE_UNIT, ignored);
    if (write_status != ST_GOOD_VALUE || std::rename(temporary.c_str(), target.c_str()) != 0) {
        std::remove(temporary.c_str());
        retstat = -1;
    }
}

void IO_OPEN_ASCIIFILE(bool prompt, std::string_view access, int unit, std::string& file_name,
                       int& retstat, int& status)
{
    constexpr std::string_view position = "Subroutine IO_OPEN_ASCIIFILE V0.1";
    if (!st_enter(status, position)) return;
    if (unit < 1 || unit > IO_MAX_UNIT) {
        st_fail(status, ST_MOD_IO + ST_BAD_INT, position);
        return;
    }
    const IoAccess mode = access == "READ"     ? IoAccess::read
                          : access == "UPDATE" ? IoAccess::update
                                               : IoAccess::write;
    static const std::string help[] = {"Enter Name of file"};
    for (;;) {
        if (prompt) {
            IO_INPC("FILE NAME", help, "Unacceptable input", file_name, status);
            if (status != ST_GOOD_VALUE) {
                retstat = 1;
                return;
            }
        }
        int translated_ok = 0;
        std::string path;
        IO_TRANS_PATH(file_name, translated_ok, path, status);
        if (translated_ok != 0 || path.empty()) {
            IO_WRITE("WARNING: Problem translating: ", status);
            IO_WRITE(file_name, status);
            retstat = 1;
            return;
        }
        int error_value = 0;
        if (io_unit_open(unit, path, mode, error_value)) {
            retstat = 0;
            return;
        }
        retstat = 1;
        if (!prompt) return;
        IO_WRITE("WARNING: Error in opening file, Please retype name", status);
    }
}

void IO_CLEAR_DATABASE() { store = Store{}; }

int IO_INQ_DATABASE_SIZE(int& pool_used)
{
    pool_used = store.start[store.count + 1] - 1;
    return store.count;
}
