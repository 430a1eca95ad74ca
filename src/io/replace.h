#pragma once
// A text file replaced as a whole: its lines are written on a unit under a
// temporary name beside it, and the temporary file is renamed over it only
// when every line was written. A write that fails (a full disk, no
// permission) leaves the previous file as it was, never a part of the new one.

#include <string>
#include <string_view>

// Results of IoReplacement::open.
enum IoReplacementOpen {
    IO_REPLACEMENT_OPEN = 0,
    IO_REPLACEMENT_NOT_MADE = 1,    // no name, or no temporary file could be made
    IO_REPLACEMENT_NOT_REGULAR = 2, // a device, a FIFO or a directory: never replaced
    IO_REPLACEMENT_READ_ONLY = 3,   // a file this user may not write: never replaced
};

class IoReplacement
{
public:
    IoReplacement() = default;
    ~IoReplacement() { abandon(); }
    IoReplacement(const IoReplacement&) = delete;
    IoReplacement& operator=(const IoReplacement&) = delete;

    // Opens the temporary file for the named one ("~" translated) on the unit.
    // Through a link the file it names is replaced, not the link; an existing
    // file's permission bits are kept.
    void open(int unit, std::string_view file_name, int& retstat, int& status);
    // Closes the unit and renames the temporary file over the file. A write
    // that failed, or a rename that failed, sets status 11010 and removes the
    // temporary file.
    void commit(int& status);
    // Closes the unit and removes the temporary file: the file stays as it was.
    void abandon();

    // The file that is replaced, with its links followed.
    const std::string& target() const { return target_; }
    // The temporary file while it is open; empty otherwise.
    const std::string& temporary() const { return temporary_; }

private:
    int unit_ = 0;
    std::string target_;
    std::string temporary_;
};
