#pragma once
// The operating-system layer: the only code that calls the system directly.
// Each routine works on plain texts and integers and reports failure through
// its result; porting the program means rewriting this file.

#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

// Allocates a block; 0 on success, -1 on failure.
int IO_MALLOCC(std::size_t bytes, void*& address);
void IO_FREEC(void* address);
// The bytes of memory the system can still give without swapping; -1 when
// it does not tell.
long long IO_MEMORY_LEFTC();
// System and processor codes of the machine.
void IO_SYSTEM_NAMEC(int& system_code, int& processor_code);
// The login name of the process's user; false when the system does not know it.
bool IO_LOGINNAMEC(std::string& name);
// The home directory of a user from the user database; empty when unknown.
std::string IO_HOMEDIRC(const std::string& user);
// The home directory of the current user: $HOME, else the user database.
std::string IO_MY_HOMEDIRC();
// Runs a command through /bin/sh; the command's result code.
int IO_SYSTEMC(const std::string& command);
void IO_SLEEPC(long milliseconds);
// Writes a prompt and reads one console line; false at end of input.
bool IO_READC(const std::string& prompt, std::string& line);
// As IO_READC, but the characters come as typed (a carriage return is kept).
bool IO_INPUT_KEYC(const std::string& prompt, std::string& keys);
// Examines a name: false when it does not exist; directory is set for a directory.
bool IO_FILEEXISTC(const std::string& name, bool& directory);
// Hands each entry of a directory of one kind (files, or directories), without
// "." and "..", to visit(), until visit() returns false; false when the
// directory cannot be read. The process's working directory is not changed.
bool IO_DIRECTORYC(const std::string& directory, bool list_files,
                   const std::function<bool(std::string&)>& visit);
// The process's working directory; false when the system cannot tell it.
bool IO_GETCWDC(std::string& directory);
// The size of a file in bytes, -1 when it cannot be examined.
long long IO_FILESIZEC(const std::string& name);

// What a name is, links followed; permissions are its permission bits.
enum class IoFileKind { none, regular, directory, other };
IoFileKind IO_FILEKINDC(const std::string& name, int& permissions);
// True when this process may write the existing file and its mode lets
// someone write it.
bool IO_WRITABLEC(const std::string& name);
// The name with every link followed; empty when it names nothing.
std::string IO_REALPATHC(const std::string& name);
// Opens an existing regular file for reading. Anything else (a device, a
// FIFO, a directory) is refused with EINVAL, and never waited on.
std::FILE* IO_FOPEN_REGULARC(const std::string& name, int& error_value);
// A name beside the given one for a file of this process to be renamed over it.
std::string IO_TEMPORARY_NAMEC(const std::string& name);
// Makes a new file, which must not exist yet, and opens it for writing. It
// gets exactly the permission bits given, or, when they are negative, the
// system's default for new files.
std::FILE* IO_FCREATEC(const std::string& name, int permissions, int& error_value);

// The program's arguments, registered once by the entry point.
void IO_SET_ARGUMENTSC(int argc, const char* const* argv);
const std::vector<std::string>& IO_ARGUMENTSC();
