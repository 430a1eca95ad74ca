#pragma once
// The two control forms on which most reconstruction options are answered.

#include "app/parameters.h"

void ZYT_INPUT_FORM(ZytParameters& parameters, int& status);
void ZYT_INPUT_SINOFORM(ZytParameters& parameters, int& status);

// Reads the remembered pixel sizes (metres); a value outside what control
// form 2 accepts is taken at the nearest bound.
void zyt_remembered_pixel_sizes(ZytParameters& parameters, int& status);
