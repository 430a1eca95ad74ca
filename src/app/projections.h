#pragma once
// The image questions of a reconstruction from projections: the first and
// last projections, the image at 90 degrees, and the flat-fields; and what
// they share (an image read into arrays of its own size, an image shown).

#include <string>
#include <vector>

#include "app/parameters.h"
#include "fio/fio.h"
#include "gs/gs.h"
#include "io/filename.h"

// Reads an image through the image-input driver into arrays made as large
// as the image (the storage of the image's last contents is used again
// where it is large enough): the file panel with the one-line prompt
// (input_step 0; a file too large for the memory left offers the panel
// again), or the given name read with the format decided for the series
// (ZYT_READ_NAMED). One of FioInputResult.
// A file that cannot be read ends the run ("WARNING: File input failed: "
// and its name, exit status 1) after the reader's own warning.
constexpr int ZYT_READ_NAMED = -2147483647;
int zyt_read_image(std::string_view prompt, int input_step, std::string& file_name,
                   FioImage& image, int& status);
// A numbered series from its first and last names, the extension joined to
// the postfix. When none can be deduced, the warning "COULD NOT DEDUCE
// REQUIRED FILE SEQUENCE" ends the run (exit status 1). False on a bad status.
bool zyt_deduce_series(std::string_view first, std::string_view last, FileSeries& series,
                       int& status);
// The series of projection (or sinogram) files into the parameter set.
void zyt_take_series(const FileSeries& series, ZytParameters& parameters);
// The image as the graphics system shows it: pixels 1..xnumdat by
// 1..ynumdat with their axes and texts.
GsImage zyt_picture(const FioImage& image);
// Shows the image, with another title when one is given.
void zyt_show_image(const FioImage& image, std::string_view title, int& status);
// True when the image has xnumdat * ynumdat pixels (or xnumdat is 0: any
// size); otherwise says both sizes in a warning and on the console.
bool zyt_same_size(const FioImage& image, int xnumdat, int ynumdat, int& status);
// Two points marked on a shown picture; a question finished with fewer is
// asked again. Points typed outside the picture are taken onto its edge.
// False when the user cancelled.
bool zyt_two_points(const GsImage& picture, std::string_view title,
                    const std::vector<std::string>& info, float (&x)[2], float (&y)[2],
                    int& status);
// A blank page with information lines above the question at the foot of
// the page, drawn now and again, whole, whenever the window of the question
// asked while it lives is resized or uncovered.
class ZytInformationPage
{
public:
    ZytInformationPage(std::vector<std::string> lines, int& status);

private:
    void draw(int& status) const;
    std::vector<std::string> lines_;
    GsPageDrawer page_;
};
// Asks "IS THE IMAGE INPUT O.K." with its information line.
bool zyt_image_ok(std::string_view information, int& status);
// Reads an image on the file panel and shows it until the user accepts it
// ("IS THE IMAGE INPUT O.K.": NO offers the panel again); an image that is
// not xnumdat * ynumdat pixels (unless xnumdat is 0) is refused with a
// warning and the panel offered again. False when no image was read;
// status then tells a cancel from a failure.
bool zyt_read_accepted_image(std::string_view prompt, std::string& file_name, FioImage& image,
                             std::string_view information, int xnumdat, int ynumdat, int& status);

void ZYT_INPUT_FIRST_IMAGE(std::string& file_name, FioImage& image, int& num_image_1,
                           int& num_image_2, int& start_voxel_1, int& start_voxel_3,
                           int& end_voxel_1, int& end_voxel_3, int& status);
void ZYT_INPUT_LAST_IMAGE(std::string& file_name, FioImage& image, int& num_image_1,
                          int& num_image_2, int& status);
void ZYT_INPUT_90_IMAGE(bool rotation_vertical, std::string& file_name, int& start_voxel_1,
                        int& end_voxel_1, int& start_voxel_3, int& end_voxel_3, FioImage& image,
                        int num_image_1, int num_image_2, int& start_voxel_2, int& end_voxel_2,
                        int& status);
// The last flat-field is read (into last) only when the flat-field changes.
void ZYT_INPUT_FLATFIELD(FioImage& first, FioImage& last, ZytParameters& p, int& status);
