#pragma once
// The title screen shown while the program starts.

#include <string_view>

void ZYT_MBANNER(std::string_view version, int& status);
void ZYT_DRAW_MBANNER(std::string_view version, int& status);
