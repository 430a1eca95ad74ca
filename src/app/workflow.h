#pragma once
// The projection-series workflow: the ordered questions by which the user
// describes a projection series and the volume to reconstruct.

#include "app/parameters.h"
#include "fio/fio.h"

// The image receives the first projection (or the first sinogram), in
// arrays made as large as it is.
void ZYT_INPUT_PARAMETERS(FioImage& image, ZytParameters& parameters, bool& sinogram_route,
                          int& status);
