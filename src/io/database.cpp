#include "io/database.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "io/convert.h"
#include "io/filename.h"
#include "io/os/os_layer.h"
#include "io/replace.h"
#include "io/status.h"
#include "io/terminal.h"
#include "io/units.h"

namespace {

constexpr std::size_t WORK_FIELD = 256;
constexpr std::size_t KEY_FIELD = 80;
// Far longer than any line of a defaults file (a key, or a value of at most
// the working field); a longer one means the file is something else.
constexpr std::size_t DEFAULTS_LINE_LIMIT = 4096;
constexpr int DATABASE_UNIT = 51;

// The entries lie end to end in the pool in insertion order: entry i (from 1)
// occupies pool positions start[i] to start[i + 1] - 1, each "key value".
struct Store
{
    std::array<char, IO_DB_POOL> pool{};
    std::array<int, IO_DB_MAX_ENTRIES + 2> start{};
    int count = 0;
    bool full_reported = false;

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

// The defaults file that was there at the start but could not be read
// through (links followed); empty when there is none.
struct DefaultsFile
{
    std::string kept;
};
DefaultsFile defaults_file;

std::string padded_field(std::string_view value, std::size_t width)
{
    std::string field(value.substr(0, width));
    field.resize(width, ' ');
    return field;
}

// Reads a stored number back from its whole text; retstat 3 when the text is
// no number.
template <typename T, typename Convert>
void inquire_number(std::string_view key, T& value, int& retstat, int& status, Convert convert)
{
    int length = 0;
    std::string text;
    IO_INQ_KEYVALUE(key, length, text, retstat, status);
    if (retstat != 0) return;
    bool found = false;
    convert(text, found, value, status);
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
    int fitted = 0;
    IO_ACCESS_DATABASE(IO_DB_STORE, name, value_length, text, fitted, status);
    if (fitted != 1) return;
    retstat = 1;
    // Otherwise the old answer would be offered next time without a word.
    if (store.full_reported) return;
    store.full_reported = true;
    io_say("WARNING: The internal database of default values is full:");
    io_say("         new answers are not remembered for the next run");
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
    const std::string_view word = st_trim(text);
    if (word == "TRUE") value = true;
    else if (word == "FALSE") value = false;
    else retstat = 3;
}

// Adds the entries of a defaults file to the store: two header lines, then a
// key line and a value line per entry. Whatever the file holds, the load ends
// soon and within the store's limits: it must be a regular file, its lines are
// read only as far as a defaults file's lines go, and the load stops where the
// store is full. A file that exists but cannot be read through is kept: the
// save at the end of the run does not replace it.
void IO_LOAD_DATABASE(std::string_view file_name, int& retstat, int& status)
{
    if (!st_enter(status, "Subroutine IO_LOAD_DATABASE V0.2")) return;
    retstat = -1;
    std::string path;
    if (!io_translate_name(file_name, path, status)) return;
    int permissions = 0;
    const IoFileKind kind = IO_FILEKINDC(path, permissions);
    // No file yet: the first run.
    if (kind == IoFileKind::none) return;
    const std::string resolved = IO_REALPATHC(path);
    auto keep = [&](std::string_view problem, std::string_view consequence) {
        defaults_file.kept = resolved.empty() ? path : resolved;
        io_say("WARNING: The defaults file " + std::string(problem) + path);
        io_say("         " + std::string(consequence));
    };
    if (kind != IoFileKind::regular) {
        keep("is not a regular file: ", "the built-in defaults are used, and it is not replaced");
        return;
    }
    int error_value = 0;
    if (!io_unit_open(DATABASE_UNIT, path, IoAccess::read_regular, error_value)) {
        keep("cannot be read: ", "it is kept as it is; this run's answers are not saved in it");
        return;
    }
    retstat = 0;
    std::string key;
    std::string value;
    IoLineRead read = IoLineRead::line;
    auto next = [&](std::string& line) {
        read = io_unit_get_line(DATABASE_UNIT, line, DEFAULTS_LINE_LIMIT);
        return read == IoLineRead::line;
    };
    if (next(key) && next(value)) {
        while (next(key) && next(value)) {
            key = key.substr(0, KEY_FIELD);
            value = value.substr(0, WORK_FIELD);
            int length = static_cast<int>(SLEN(value));
            int fitted = 0;
            IO_ACCESS_DATABASE(IO_DB_STORE, key, length, value, fitted, status);
            // The program stops on a full store; later lines could only
            // replace values loaded already.
            if (fitted == 1) {
                retstat = 1;
                break;
            }
        }
    }
    int ignored = 0;
    io_unit_close(DATABASE_UNIT, ignored);
    if (read == IoLineRead::too_long)
        keep("has a line longer than " + std::to_string(DEFAULTS_LINE_LIMIT) + " characters: ",
             "it is read no further, and it is not replaced at the end of the run");
    else if (read == IoLineRead::failed)
        keep("could not be read to its end: ",
             "it is read no further, and it is not replaced at the end of the run");
}

// Writes the store to a defaults file, as a whole: a failed save (full disk,
// no permission) leaves the previous defaults whole.
void IO_SAVE_DATABASE(std::string_view file_name, int& retstat, int& status)
{
    if (!st_enter(status, "Subroutine IO_SAVE_DATABASE V0.2")) return;
    retstat = 0;
    IoReplacement file;
    int opened = 0;
    file.open(DATABASE_UNIT, file_name, opened, status);
    if (status != ST_GOOD_VALUE) return;
    if (opened != IO_REPLACEMENT_OPEN) {
        int out = ST_GOOD_VALUE;
        IO_WRITE("IO_OPEN_ASCIIFILE retstat = " + IO_ITOC(opened, out), out);
        retstat = -1;
        return;
    }
    // Its entries were not loaded: they would be lost.
    if (!defaults_file.kept.empty() && file.target() == defaults_file.kept) {
        io_say("WARNING: The defaults file that could not be read is not replaced: " +
               file.target());
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
        IO_WRITE_FILE(DATABASE_UNIT, std::string_view(key).substr(0, KEY_FIELD), write_status);
        IO_WRITE_FILE(DATABASE_UNIT, std::string_view(value).substr(0, WORK_FIELD),
                      write_status);
    }
    file.commit(write_status);
    if (write_status != ST_GOOD_VALUE) retstat = -1;
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
        std::string path;
        if (!io_translate_name(file_name, path, status)) {
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

void IO_CLEAR_DATABASE()
{
    store = Store{};
    defaults_file = DefaultsFile{};
}

int IO_INQ_DATABASE_SIZE(int& pool_used)
{
    pool_used = store.start[store.count + 1] - 1;
    return store.count;
}
