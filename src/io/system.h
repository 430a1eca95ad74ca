#pragma once
// System services: memory, command line, system name, byte order, user,
// commands, sleeping and the one-time set-up of the input/output state.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

void IO_MALLOC(long long bytes, void*& address, int& status);
void IO_FREE(void*& address, int& status);
void IO_GETARGS(int max_arguments, int& num_arguments, std::vector<std::string>& arguments,
                int& status);
void IO_SYSTEM_NAME(std::string& system_name, std::string& processor_name, int& status);
bool IO_BIG_ENDIAN(int& status);
void IO_RECL(int& bytes, int& status);
void IO_LOGINNAME(std::string& name, int& retstat, int& status);
void IO_SYSTEM(std::string_view command, int& status);
void IO_SLEEP(float seconds, int& status);
// Position (from 1) of the first character that is neither blank nor tab; -1 if none.
int IO_START(std::string_view text);
void IO_DEF_SYSTEM(int& status);
void IO_DEF_SEPARATORS(int& status);

// The token separators now in force.
std::string_view io_separators();
// The file-name separator of the system.
char io_path_separator();
