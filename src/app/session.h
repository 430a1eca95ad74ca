#pragma once
// The program's outermost sequence: banner, defaults, graphics, the main
// sequence, and the way out.

#include <string_view>

inline constexpr std::string_view ZYT_VERSION = "V1.7 ";
inline constexpr std::string_view ZYT_DEFAULTS_FILE = "~/.zyt.def";

// Runs the program once; the result is the process's exit status.
int ZYT_ZEVUZA();
void ZYT_MMAIN(int& status);
void ZYT_MTRAILER(std::string_view version, int& status);

// Exit statuses of the process.
enum ZytExit {
    ZYT_EXIT_NORMAL = 0,  // the run ended, or the user cancelled it
    ZYT_EXIT_FAILURE = 1, // stopped on a failure
};
// Ends the process at once, right after the message of the step that stops
// it: nothing more is asked, written or saved.
[[noreturn]] void zyt_stop(ZytExit exit_status);
