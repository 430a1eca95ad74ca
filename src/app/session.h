#pragma once
// The program's outermost sequence: banner, defaults, graphics, the main
// sequence, and the way out.

#include <string_view>

#include "app/stop.h"

inline constexpr std::string_view ZYT_VERSION = "V1.7 ";
inline constexpr std::string_view ZYT_DEFAULTS_FILE = "~/.zyt.def";

// Runs the program once; the result is the process's exit status.
int ZYT_ZEVUZA();
void ZYT_MMAIN(int& status);
void ZYT_MTRAILER(std::string_view version, int& status);

