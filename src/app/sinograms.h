#pragma once
// The reconstruction from a series of sinogram files: the first sinogram
// read and shown, the last one chosen, the series deduced, the sinogram forms
// and the sinogram-series parameter file.

#include <string>

#include "app/parameters.h"
#include "app/projections.h"
#include "fio/fio.h"

// The image receives the first sinogram, in arrays made as large as it is.
void ZYT_INPUT_SINOPARAMETERS(FioImage& image, ZytParameters& parameters, int& status);
void ZYT_INPUT_FIRST_SINO(std::string& file_name, FioImage& image, int& num_image_1,
                          int& num_image_2, int& status);
