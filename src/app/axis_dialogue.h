#pragma once
// The rotation-axis determination as the user meets it: the 180-degree image
// chosen and shown, the range of lines marked on it, the correction and the
// correlation, and the final question with the per-line positions drawn.

#include <string>

#include "app/projections.h"
#include "app/slice.h"
#include "io/image_view.h"

// The first image is corrected in place; the 180-degree image is read into
// image180 (whose storage may serve it again) and released on return; axis
// is the answer. A cancel of the 180-degree file panel (or of a later
// question) gives the user escape. With test_slice (the series and its
// corrections; its line and image size are set here) the final question
// offers "TEST SLICE" too.
void ZYT_ROTATION_AXIS(std::string_view last_file, bool subtract_background,
                       const ImageView& background, bool correct_flatfield,
                       bool flatfield_changing, const ImageView& flatfield_first,
                       const ImageView& flatfield_last, bool rotation_vertical, int num_image_1,
                       int num_image_2, FioImage& first, FioImage& image180,
                       const ZytSliceSeries* test_slice, float& axis, int& status);
