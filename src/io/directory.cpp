#include "io/directory.h"

#include <algorithm>
#include <cstring>

#include "io/filename.h"
#include "io/os/os_layer.h"
#include "io/status.h"
#include "io/system.h"

namespace {

constexpr std::size_t COMPARED_LENGTH = 132;

int count_displayed(const IoFileList& list)
{
    return static_cast<int>(std::count(list.display.begin(), list.display.end(), 1));
}

// Names compared as 132-character blank-padded texts, by character code.
bool name_before(const std::string& a, const std::string& b)
{
    for (std::size_t i = 0; i < COMPARED_LENGTH; ++i) {
        const unsigned char ca = i < a.size() ? static_cast<unsigned char>(a[i]) : ' ';
        const unsigned char cb = i < b.size() ? static_cast<unsigned char>(b[i]) : ' ';
        if (ca != cb) return ca < cb;
    }
    return false;
}

} // namespace

namespace {

// Reads one kind of entry of a directory, keeping those that accept() takes,
// within the limits; retstat as for IO_DIRECTORY.
template <typename Accept>
void list_directory(bool list_files, std::string_view directory, const IoListLimits& limits,
                    Accept accept, int& retstat, IoFileList& list)
{
    retstat = 0;
    list = IoFileList{};
    const std::string_view path = st_strip(directory);
    // Without a directory there is nothing above the root to offer.
    if (path.empty()) return;
    int characters = 0;
    const bool readable = IO_DIRECTORYC(std::string(path), list_files, [&](std::string& name) {
        if (!accept(name)) return true;
        if (static_cast<int>(list.names.size()) >= limits.max_entries) {
            retstat = 2;
            return false;
        }
        if (characters + static_cast<int>(name.size()) > limits.max_characters) {
            retstat = 3;
            return false;
        }
        characters += static_cast<int>(name.size());
        list.names.push_back(std::move(name));
        return true;
    });
    if (!readable) {
        list = IoFileList{};
        retstat = 1;
        return;
    }
    list.display.assign(list.names.size(), 1);
    list.displayed = static_cast<int>(list.names.size());
}

} // namespace

void IO_DIRECTORY(bool list_files, std::string_view directory, const IoListLimits& limits,
                  int& retstat, IoFileList& list, int& status)
{
    constexpr std::string_view position = "Subroutine IO_DIRECTORY V0.2";
    if (!st_enter(status, position)) return;
    if (limits.max_entries < 2) {
        st_fail(status, ST_MOD_IO + ST_BAD_CHAR, position);
        return;
    }
    list_directory(list_files, directory, limits, [](const std::string&) { return true; },
                   retstat, list);
}

// The files of a directory that have one of the types and match the pattern,
// in sorted order. The tests are made while the directory is read, so the
// limits count only the files asked for: in a large directory those are
// listed, not an arbitrary first part of it.
void IO_LISTFILES(std::string_view directory, const IoListLimits& limits,
                  const std::vector<std::string>& types, std::string_view pattern, int& retstat,
                  IoFileList& list, int& status)
{
    constexpr std::string_view position = "Subroutine IO_LISTFILES V0.4";
    if (!st_enter(status, position)) return;
    if (limits.max_entries < 2) {
        st_fail(status, ST_MOD_IO + ST_BAD_CHAR, position);
        return;
    }
    const bool any_pattern = !st_strip(pattern).empty();
    auto wanted = [&](const std::string& name) {
        const bool typed =
            types.empty() || std::any_of(types.begin(), types.end(), [&](const std::string& type) {
                return IO_FILETYPE(name, type);
            });
        return typed && (!any_pattern || IO_STRINGMATCH(name, pattern));
    };
    list_directory(true, directory, limits, wanted, retstat, list);
    if (retstat != 1) IO_FILESORDER(list, status);
}

void IO_FILESTYPE(IoFileList& list, std::string_view type, int& status)
{
    constexpr std::string_view position = "Subroutine IO_FILESTYPE V0.1";
    if (!st_enter(status, position)) return;
    if (st_strip(type).empty()) {
        st_fail(status, ST_MOD_IO + ST_BAD_CHAR, position);
        return;
    }
    list.display.resize(list.names.size(), 0);
    for (std::size_t i = 0; i < list.names.size(); ++i)
        if (!list.display[i] && IO_FILETYPE(list.names[i], type)) list.display[i] = 1;
    list.displayed = count_displayed(list);
}

// The extension of a name (after its last dot, case-sensitively) is the type.
bool IO_FILETYPE(std::string_view name, std::string_view type)
{
    const std::string_view trimmed = st_trim(name);
    const std::size_t dot = trimmed.rfind('.');
    if (dot == std::string_view::npos || dot == 0 || dot + 1 == trimmed.size()) return false;
    return trimmed.substr(dot + 1) == st_trim(type);
}

void IO_FILESMATCH(IoFileList& list, std::string_view pattern, int& status)
{
    constexpr std::string_view position = "Subroutine IO_FILESMATCH V0.1";
    if (!st_enter(status, position)) return;
    if (st_strip(pattern).empty()) {
        st_fail(status, ST_MOD_IO + ST_BAD_CHAR, position);
        return;
    }
    list.display.resize(list.names.size(), 0);
    for (std::size_t i = 0; i < list.names.size(); ++i)
        if (list.display[i] && !IO_STRINGMATCH(list.names[i], pattern)) list.display[i] = 0;
    list.displayed = count_displayed(list);
}

// '*' stands for any run of characters; everything else for itself.
bool IO_STRINGMATCH(std::string_view text, std::string_view pattern)
{
    const std::string_view t = st_trim(text);
    const std::string_view p = st_strip(pattern);
    std::size_t at = 0;
    std::size_t begin = 0;
    bool first = true;
    while (begin <= p.size()) {
        std::size_t star = p.find('*', begin);
        const bool last = star == std::string_view::npos;
        if (last) star = p.size();
        const std::string_view segment = p.substr(begin, star - begin);
        if (first && !segment.empty()) {
            // No leading star: the text starts with the first segment.
            if (t.substr(0, segment.size()) != segment) return false;
            at = segment.size();
            if (last) return at == t.size();
        } else if (last) {
            // No trailing star: the text ends with the last segment.
            return segment.empty() ||
                   (t.size() >= at + segment.size() &&
                    t.substr(t.size() - segment.size()) == segment);
        } else if (!segment.empty()) {
            const std::size_t found = t.find(segment, at);
            if (found == std::string_view::npos) return false;
            at = found + segment.size();
        }
        first = false;
        begin = star + 1;
    }
    return true;
}

void IO_FILESORDER(IoFileList& list, int& status)
{
    if (!st_enter(status, "Subroutine IO_FILESORDER V0.2")) return;
    list.order.clear();
    for (std::size_t i = 0; i < list.names.size(); ++i)
        if (i < list.display.size() && list.display[i]) list.order.push_back(static_cast<int>(i));
    std::stable_sort(list.order.begin(), list.order.end(),
                     [&](int a, int b) { return name_before(list.names[a], list.names[b]); });
}

// A typed entry, relative to the current directory or absolute, with ".."
// parts climbing: a directory becomes the current directory, a file is
// returned with its directory.
void IO_CHANGEDIR(std::string& directory, std::string_view entered, int& retstat, bool& is_file,
                  std::string& file_name, int& status)
{
    if (!st_enter(status, "Subroutine IO_CHANGEDIR V0.3")) return;
    is_file = false;
    retstat = 0;
    int translated = 0;
    std::string entry;
    IO_TRANS_PATH(entered, translated, entry, status);
    if (translated != 0) {
        retstat = 1;
        return;
    }
    entry = std::string(st_strip(entry));
    if (entry.empty() || entry == ".") return;
    const char separator = io_path_separator();
    std::string target;
    if (entry.front() == separator) {
        target = entry;
    } else {
        std::string base(st_trim(directory));
        std::string_view rest = entry;
        while (rest.substr(0, 2) == "..") {
            if (rest.size() > 2 && rest[2] != separator) {
                retstat = 2;
                return;
            }
            int up = 0;
            IO_UP_DIRECTORY(base, up, status);
            rest.remove_prefix(std::min<std::size_t>(3, rest.size()));
        }
        if (rest.empty()) target = base;
        else if (!base.empty() && base.back() == separator) target = base + std::string(rest);
        else target = base + separator + std::string(rest);
    }
    // A trailing separator names the same directory.
    while (target.size() > 1 && target.back() == separator) target.pop_back();
    bool exists = false;
    int kind = 0;
    int third = 0;
    IO_FILEEXIST(target, exists, kind, third, status);
    if (!exists) {
        // What the entry names, for a new file to be made there.
        file_name = target;
        retstat = 1;
        return;
    }
    if (kind == 2) {
        directory = target;
        return;
    }
    is_file = true;
    file_name = target;
    std::string parent = IO_DIRPATH(target, status);
    if (parent.size() > 1 && parent.back() == separator) parent.pop_back();
    directory = parent.empty() ? directory : parent;
}

void IO_UP_DIRECTORY(std::string& directory, int& retstat, int& status)
{
    if (!st_enter(status, "Subroutine IO_UP_DIRECTORY V0.2")) return;
    const char separator = io_path_separator();
    std::string d(st_trim(directory));
    while (d.size() > 1 && d.back() == separator) d.pop_back();
    if (d.size() <= 1) {
        retstat = 1;
        return;
    }
    const std::size_t last = d.rfind(separator);
    retstat = 0;
    if (last == std::string::npos) directory = ".";
    else if (last == 0) directory = std::string(1, separator);
    else directory = d.substr(0, last);
}

std::string IO_GETCWD(int& status)
{
    if (!st_enter(status, "Subroutine IO_GETCWD V0.1")) return {};
    std::string directory;
    if (!IO_GETCWDC(directory)) return {};
    return directory;
}

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
