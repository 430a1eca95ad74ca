#pragma once
// The image questions of a reconstruction from projections: the first and
// last projections, the image at 90 degrees, and the flat-fields; and what
// they share (an image array of the declared size, an image shown).

#include <string>
#include <vector>

#include "app/parameters.h"
#include "gs/gs.h"
#include "io/filename.h"
#include "io/image_view.h"

// An image array of the declared size, its pixel-centre axes and texts, as
// the image questions fill it.
struct ZytImage
{
    std::vector<float> pixels;
    std::vector<float> x_axis;
    std::vector<float> y_axis;
    ImageView view;
    int xnumdat = 0;
    int ynumdat = 0;
    std::string title, xlabel, ylabel, zlabel;
};

// Makes an image array of the declared size; on failure writes
// "ERROR: Failed to allocate memory for <what>" and stops the program.
void zyt_allocate_image(ZytImage& image, int xmaxdat, int ymaxdat, std::string_view what);
// Gives an image array's memory back.
void zyt_release_image(ZytImage& image);

// Reads an image through the image-input driver into the array: the file
// panel with the one-line prompt (input_step 0), or the given name read
// with the format decided for the series (ZYT_READ_NAMED). False when no
// image was read (the user cancelled, or the file could not be read).
constexpr int ZYT_READ_NAMED = -2147483647;
bool zyt_read_image(std::string_view prompt, int input_step, std::string& file_name,
                    ZytImage& image, int& status);
// A numbered series from its first and last names, the extension joined to
// the postfix; false (after the warning "COULD NOT DEDUCE REQUIRED FILE
// SEQUENCE") when none can be deduced.
bool zyt_deduce_series(std::string_view first, std::string_view last, FileSeries& series,
                       int& status);
// The image as the graphics system shows it: pixels 1..xnumdat by
// 1..ynumdat with their axes and texts.
GsImage zyt_picture(const ZytImage& image);
// Shows the image, with another title when one is given.
void zyt_show_image(const ZytImage& image, std::string_view title, int& status);
// True when the image has xnumdat * ynumdat pixels (or xnumdat is 0: any
// size); otherwise says both sizes in a warning and on the console.
bool zyt_same_size(const ZytImage& image, int xnumdat, int ynumdat, int& status);
// Asks "IS THE IMAGE INPUT O.K." with its information line.
bool zyt_image_ok(std::string_view information, int& status);
// Reads an image on the file panel and shows it until the user accepts it
// ("IS THE IMAGE INPUT O.K.": NO offers the panel again); an image that is
// not xnumdat * ynumdat pixels (unless xnumdat is 0) is refused with a
// warning and the panel offered again. False when no image was read;
// status then tells a cancel from a failure.
bool zyt_read_accepted_image(std::string_view prompt, std::string& file_name, ZytImage& image,
                             std::string_view information, int xnumdat, int ynumdat, int& status);

void ZYT_INPUT_FIRST_IMAGE(int xmaxdat, int ymaxdat, std::string& file_name, ZytImage& image,
                           int& num_image_1, int& num_image_2, int& start_voxel_1,
                           int& start_voxel_3, int& end_voxel_1, int& end_voxel_3, int& status);
void ZYT_INPUT_LAST_IMAGE(int xmaxdat, int ymaxdat, std::string& file_name, ZytImage& image,
                          int& num_image_1, int& num_image_2, int& status);
void ZYT_INPUT_90_IMAGE(bool rotation_vertical, int xmaxdat, int ymaxdat, std::string& file_name,
                        int& start_voxel_1, int& end_voxel_1, int& start_voxel_3,
                        int& end_voxel_3, ZytImage& image, int num_image_1, int num_image_2,
                        int& start_voxel_2, int& end_voxel_2, int& status);
void ZYT_INPUT_FLATFIELD(int xmaxdat, int ymaxdat, ZytImage& first, ZytImage& last,
                         ZytParameters& p, int& status);
