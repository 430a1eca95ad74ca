#pragma once
// The two control forms on which most reconstruction options are answered.

#include "app/parameters.h"

void ZYT_INPUT_FORM(ZytParameters& parameters, int& status);
void ZYT_INPUT_SINOFORM(ZytParameters& parameters, int& status);
