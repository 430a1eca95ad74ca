#pragma once
// The reconstruction from a series of sinogram files: the first sinogram
// read and shown, the last one chosen, the series deduced, the sinogram forms
// and the sinogram-series parameter file.

#include <string>

#include "app/parameters.h"
#include "app/projections.h"
#include "io/image_view.h"

void ZYT_INPUT_SINOPARAMETERS(const ImageView& image, ZytParameters& parameters, int& status);
void ZYT_INPUT_FIRST_SINO(int xmaxdat, int ymaxdat, std::string& file_name, ZytImage& image,
                          int& num_image_1, int& num_image_2, int& status);
