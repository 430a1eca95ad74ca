#include "io/filename.h"

#include "io/convert.h"
#include "io/os/os_layer.h"
#include "io/status.h"
#include "io/system.h"

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Splits the text after the number at its first dot into postfix and extension.
void split_extension(std::string_view after_number, FileSeries& series)
{
    const std::size_t dot = after_number.find('.');
    if (dot == std::string_view::npos) {
        series.postfix = std::string(after_number);
        series.extension.clear();
    } else {
        series.postfix = std::string(after_number.substr(0, dot));
        series.extension = std::string(after_number.substr(dot));
    }
}

} // namespace

// Deduces the series from its first and last names: the common start is the
// prefix, the common end the postfix and extension, and what differs between
// them the two numbers. Pairs that leave no number between a common start and
// a common end (one name a prefix or a suffix of the other) are not deduced.
void IO_FILESEQUENCE(std::string_view first_name, std::string_view last_name, int& retstat,
                     FileSeries& series, int& status)
{
    if (!st_enter(status, "Subroutine IO_FILESEQUENCE V0.1")) return;
    retstat = -1;
    const std::string_view f = st_trim(first_name);
    const std::string_view g = st_trim(last_name);
    const int l1 = static_cast<int>(f.size());
    const int l2 = static_cast<int>(g.size());
    if (l1 == 0 || l2 == 0) return;
    // 1-based access, as the positions of the rule are counted.
    auto F = [&](int i) { return f[static_cast<std::size_t>(i - 1)]; };
    auto G = [&](int i) { return g[static_cast<std::size_t>(i - 1)]; };
    const int shorter = std::min(l1, l2);

    int p = 0;
    while (p < shorter && F(p + 1) == G(p + 1)) ++p;
    if (p == shorter) {
        if (l1 != l2) return;
        // The same name twice: a "series" of one file without a number.
        series = FileSeries{};
        series.first = series.last = 1;
        const std::size_t dot = f.find('.');
        series.prefix = std::string(f.substr(0, dot));
        if (dot != std::string_view::npos && dot + 1 < f.size())
            series.extension = std::string(f.substr(dot));
        retstat = 0;
        return;
    }

    int s = 0;
    while (s < shorter && F(l1 - s) == G(l2 - s)) ++s;
    if (s == shorter) return;

    if (s >= 1 && p + s < l1) {
        while (s >= 1 && is_digit(F(l1 - s + 1))) --s;
    }
    if (s >= 1 && p + s >= l1) {
        int k = p + 1;
        while (k <= l1 && k + l2 - l1 >= 1 && k + l2 - l1 <= l2 && is_digit(F(k)) &&
               F(k) == G(k + l2 - l1))
            ++k;
        s = l1 - k + 1;
    }
    while (p >= 2 && is_digit(G(p)) && is_digit(F(p))) --p;

    const int first_length = l1 - s - p;
    const int last_length = l2 - s - p;
    if (first_length < 1 || last_length < 1) return;
    const std::string_view first_number = f.substr(static_cast<std::size_t>(p),
                                                   static_cast<std::size_t>(first_length));
    const std::string_view last_number = g.substr(static_cast<std::size_t>(p),
                                                  static_cast<std::size_t>(last_length));
    bool found_first = false;
    bool found_last = false;
    int first = 0;
    int last = 0;
    IO_TOKTI(first_number.substr(0, 20), found_first, first, status);
    IO_TOKTI(last_number.substr(0, 20), found_last, last, status);
    if (!found_first || !found_last) return;

    series.first = first;
    series.last = last;
    series.direction = last >= first ? 1 : -1;
    series.prefix = std::string(f.substr(0, static_cast<std::size_t>(p)));
    const std::size_t first_digits = SLEN(first_number.substr(0, 20));
    const std::size_t last_digits = SLEN(last_number.substr(0, 20));
    series.variable_length = first_digits != last_digits;
    if (!series.variable_length) series.digits = static_cast<int>(first_digits);
    split_extension(f.substr(static_cast<std::size_t>(l1 - s)), series);
    retstat = 0;
}

// Builds the name of one member of a series.
void IO_FILENAME(std::string_view prefix, int number, bool fixed_length, int digits,
                 std::string_view postfix, int& retstat, std::string& file_name, int& status)
{
    constexpr std::string_view position = "Subroutine IO_FILENAME V0.1";
    if (!st_enter(status, position)) return;
    if (fixed_length && digits < 0) {
        st_fail(status, ST_MOD_IO + ST_BAD_INT, position);
        return;
    }
    std::string number_text = IO_ITOC(number, status);
    if (fixed_length) {
        if (digits == 0) {
            number_text.clear();
        } else if (static_cast<int>(number_text.size()) > digits) {
            retstat = -1;
            return;
        } else {
            number_text.insert(0, static_cast<std::size_t>(digits) - number_text.size(), '0');
        }
    }
    file_name = std::string(st_trim(prefix)) + number_text + std::string(st_trim(postfix));
    retstat = 0;
}

// The next name of a series from one name: the last run of digits in the base
// name is stepped, keeping its leading zeros.
void IO_NEWFILENAME(std::string_view file_name, int increment, int check_mode,
                    std::string& new_name, int& retstat, int& status)
{
    if (!st_enter(status, "Subroutine IO_NEWFILENAME V0.1")) return;
    const std::string directory = IO_DIRPATH(file_name, status);
    std::string base = IO_BASENAME(file_name, status);
    if (base.size() > 132) base.resize(132);
    std::string extension = IO_EXTENSION(file_name, status);
    if (extension.size() > 80) extension.resize(80);
    if (base.size() < 2) {
        retstat = 2;
        return;
    }
    std::size_t run_end = base.size();
    while (run_end > 0 && !is_digit(base[run_end - 1])) --run_end;
    std::size_t run_start = run_end;
    while (run_start > 0 && is_digit(base[run_start - 1])) --run_start;
    if (run_end == 0 || run_start == 0) {
        retstat = 3;
        return;
    }
    const std::string run = base.substr(run_start, run_end - run_start);
    bool found = false;
    int number = 0;
    IO_TOKTI(run, found, number, status);
    if (!found) {
        retstat = 4;
        return;
    }
    // A run written wider than its value needs is zero-padded.
    const bool padded = run.size() > std::to_string(number).size();
    std::string number_text = IO_ITOC(number + increment, status);
    if (padded && number_text.size() < run.size())
        number_text.insert(0, run.size() - number_text.size(), '0');
    new_name = directory + base.substr(0, run_start) + number_text + base.substr(run_end);
    if (!extension.empty()) new_name += "." + extension;

    retstat = 0;
    if (check_mode == 1 || check_mode == 2 || check_mode == 4) {
        // Asked of the system layer directly: the name is never empty here.
        bool directory = false;
        const bool exists = IO_FILEEXISTC(new_name, directory);
        if (check_mode == 4 ? exists : !exists) retstat = 7;
    }
}

std::string IO_DIRPATH(std::string_view name, int& status)
{
    if (!st_enter(status, "Subroutine IO_DIRPATH V0.1")) return {};
    const std::string_view text = st_trim(name);
    const std::size_t at = text.rfind(io_path_separator());
    return at == std::string_view::npos ? std::string() : std::string(text.substr(0, at + 1));
}

std::string IO_NODIRPATH(std::string_view name, int& status)
{
    if (!st_enter(status, "Subroutine IO_NODIRPATH V0.1")) return {};
    const std::string_view text = st_trim(name);
    const std::size_t at = text.rfind(io_path_separator());
    return at == std::string_view::npos ? std::string(text) : std::string(text.substr(at + 1));
}

std::string IO_EXTENSION(std::string_view name, int& status)
{
    if (!st_enter(status, "Subroutine IO_EXTENSION V0.1")) return {};
    const std::string_view text = st_trim(name);
    const std::size_t at = text.rfind('.');
    return at == std::string_view::npos ? std::string() : std::string(text.substr(at + 1));
}

// The name before its last dot; blank for a name without an extension.
std::string IO_NOEXTENSION(std::string_view name, int& status)
{
    if (!st_enter(status, "Subroutine IO_NOEXTENSION V0.1")) return {};
    const std::string_view text = st_trim(name);
    const std::size_t at = text.rfind('.');
    if (at == std::string_view::npos || at == 0) return {};
    return std::string(text.substr(0, at));
}

std::string IO_BASENAME(std::string_view name, int& status)
{
    if (!st_enter(status, "Subroutine IO_BASENAME V0.1")) return {};
    return IO_NOEXTENSION(IO_NODIRPATH(name, status), status);
}

void IO_CONCAT2(std::string_view text1, std::string_view text2, std::size_t max_length,
                std::string& joined, int& status)
{
    constexpr std::string_view position = "Subroutine IO_CONCAT2 V0.1";
    if (!st_enter(status, position)) return;
    const std::string_view a = st_trim(text1);
    const std::string_view b = st_trim(text2);
    if (a.size() + b.size() > max_length) {
        st_fail(status, ST_MOD_IO + ST_SHORT_STRING, position);
        return;
    }
    joined = std::string(a) + std::string(b);
}

int IO_LASTOCCURENCE(char character, std::string_view text)
{
    const std::size_t at = text.rfind(character);
    return at == std::string_view::npos ? -1 : static_cast<int>(at) + 1;
}

// Removes leading blanks and expands a leading "~" or "~user" to the home
// directory, as every file open does before it reaches the system.
void IO_TRANS_PATH(std::string_view name, int& retstat, std::string& translated, int& status)
{
    if (!st_enter(status, "Subroutine IO_TRANS_PATH V0.1")) return;
    retstat = 0;
    const std::string_view text = st_strip(name);
    if (text.empty()) return;
    if (text.size() > IO_FILENAME_LENGTH) {
        retstat = 2;
        return;
    }
    if (text.front() != '~') {
        translated = std::string(text);
        return;
    }
    const std::size_t slash = text.find('/');
    const std::string_view user_part = text.substr(0, slash);
    std::string home;
    IO_USERPATH(user_part, retstat, home, status);
    if (retstat != 0) {
        IO_WRITE("WARNING: Problem obtaining home directory information", status);
        return;
    }
    const std::string_view rest = slash == std::string_view::npos ? std::string_view()
                                                                   : text.substr(slash);
    const std::string result = std::string(st_trim(home)) + std::string(rest);
    if (result.size() > IO_FILENAME_LENGTH) {
        retstat = 2;
        return;
    }
    translated = result;
}

bool io_translate_name(std::string_view name, std::string& path, int& status)
{
    int translated_ok = 0;
    path.clear();
    IO_TRANS_PATH(name, translated_ok, path, status);
    if (translated_ok == 0 && !path.empty()) return true;
    IO_WRITE("WARNING: Problem translating: ", status);
    IO_WRITE(name, status);
    return false;
}

// A user named after "~" must be known to the system: a name typed wrongly
// must not quietly become a name at the root of the file system.
void IO_USERPATH(std::string_view tilde_name, int& retstat, std::string& home, int& status)
{
    if (!st_enter(status, "Subroutine IO_USERPATH V0.1")) return;
    const std::string_view text = st_strip(tilde_name);
    retstat = IO_USER_FOUND;
    if (text == "~") {
        home = IO_MY_HOMEDIRC();
        return;
    }
    if (text.find('/') != std::string_view::npos) {
        retstat = IO_USER_NAME_HAS_SEPARATOR;
        return;
    }
    if (text.size() < 2 || text.front() != '~') {
        retstat = IO_USER_NAME_TOO_SHORT;
        return;
    }
    std::string found;
    IO_HOMEDIR(text.substr(1), found, status);
    if (found.empty()) {
        retstat = IO_USER_UNKNOWN;
        return;
    }
    home = found;
}

void IO_HOMEDIR(std::string_view user, std::string& home, int& status)
{
    if (!st_enter(status, "Subroutine IO_HOMEDIR V0.1")) return;
    home = IO_HOMEDIRC(std::string(st_strip(user)));
}

