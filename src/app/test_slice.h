#pragma once
// The "TEST SLICE" button of the axis question: the slice through the middle
// of the chosen lines reconstructed at five axis positions about a value,
// shown side by side with the sharpest marked, before the value is accepted.

#include "app/parameters.h"
#include "app/slice.h"

// Asks for the step between the positions ("AXIS STEP BETWEEN TEST SLICES",
// remembered), reads the line from every projection with a progress bar (once
// for the same series and line), and shows the five slices at
// axis - 2 step .. axis + 2 step until a click or a key. A projection that
// cannot be read abandons the test slice with a warning; the run goes on,
// as it does after a cancel of the step question.
void ZYT_TEST_SLICE(const ZytSliceSeries& series, float axis, int& status);

// The series and corrections of a run from its parameters (the interval
// signed, the angle between projections in radians, as after the forms),
// read in the format the run's images were read in.
ZytSliceSeries zyt_test_slice_series(const ZytParameters& p, const ImageView& background,
                                     const ImageView& flatfield_first,
                                     const ImageView& flatfield_last);
