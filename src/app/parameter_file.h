#pragma once
// The parameter file that the reconstruction program reads: key lines of the
// form "KEY = value ! comment", for a projection series or a sinogram series.

#include <string_view>

#include "app/parameters.h"

void ZYT_SAVE_PARAMETERS(const ZytParameters& parameters, int& status);
void ZYT_SAVE_SINOPARAMETERS(const ZytParameters& parameters, int& status);

// The file name each writer offers on its file-selection panel; each writer
// keeps the name chosen last between calls.
void ZYT_SET_PARAMETER_FILENAME(std::string_view file_name);
void ZYT_SET_SINOPARAMETER_FILENAME(std::string_view file_name);
