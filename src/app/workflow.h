#pragma once
// The projection-series workflow: the ordered questions by which the user
// describes a projection series and the volume to reconstruct.

#include "app/parameters.h"
#include "io/image_view.h"

void ZYT_INPUT_PARAMETERS(const ImageView& image, ZytParameters& parameters, bool& sinogram_route,
                          int& status);
