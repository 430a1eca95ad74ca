#pragma once
// Inside the image-input library: what the readers of detector formats share.
// A detector file holds, after its header, one or more images of one stored
// type; a reader learns the layout from the header and hands it here, where
// the region is read (re-binned by sums when asked), the file is checked to
// hold the whole image first, and the labels and variances are set.

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "fio/readers.h"

// One stored image of a file open on the input slot.
struct FioStoredImage
{
    int handle = FIO_INPUT_HANDLE;
    int nx = 0, ny = 0; // pixels in the file, X fastest
    int type = FIO_I2;  // a FioDataType
    bool is_signed = false;
    bool swap = false;
    bool reverse_x = false;   // file column 1 is image column nx
    bool reverse_y = false;   // the first stored line is image row ny
    long long start_byte = 1; // of the first value, from 1
    int block = 0;            // values a read; 0: blocks of 20000 bytes
    int record_bytes = 0;     // > 0: 2-byte values read in records of this length
};

// The bytes of one value of a FioDataType; 0 for none.
int fio_type_bytes(int type);
// The file bytes up to the end of the stored image; -1 for a layout that is
// impossible or too large to describe.
long long fio_stored_end(const FioStoredImage& image);
// Whether the open file holds every pixel of the stored image.
bool fio_file_holds(const FioStoredImage& image);

// A detector's own scale applied to converted values before any re-binning.
using FioValueMap = std::function<void(std::span<float>)>;

// Reads the call's region (or as much of the image as the arrays hold) into
// the target, with the axes of file pixel centres. retstat 0 read; 4 the
// region holds no pixel or is too large for the arrays; 5 the file is
// shorter than the image (the warning ends with `hint`) or a read failed.
void fio_read_stored(const FioCall& call, const FioStoredImage& image, const FioValueMap& map,
                     std::string_view hint, FioTarget& target, int& retstat, int& status);

// Reads the whole image with `read_whole` (which ignores regions) and keeps
// the call's region of it, re-binned by sums; without a region, or with one
// that is the whole image, the image is read straight into the target. For
// formats whose pixels cannot be read a part at a time.
void fio_read_region(FioCall& call, FioTarget& target, FioSizeProbe probe, FioReader read_whole,
                     int& retstat, int& status);

// How a reader asks for its file on the terminal.
struct FioFileQuestion
{
    std::string_view prompt;
    std::string_view help = "Name of file containing data set";
    std::string_view access = "READ";
    std::string_view retry = "Error in opening file, Please retype name";
    std::string_view retry_more = "";                       // a second line after it
    std::string_view not_opened = "WARNING: Error in opening file"; // with the window
    // The file to open for a name given (e.g. the header beside a data file).
    std::string (*file_of)(std::string_view name, int& status) = nullptr;
};

// Opens the file of a reader on the input slot: the given name with the
// window, otherwise a name asked on the terminal until one opens; the call
// keeps the name opened. False when no file is open: retstat 1, or -1 with
// a good status after a user escape.
bool fio_open_reader_file(FioCall& call, const FioFileQuestion& question, int& handle, int& retstat,
                          int& status);

// Reads the fixed-length header at the start of the open file; false, with
// "WARNING: Problem reading in file header" when `say`, for a file shorter
// than the header or one that cannot be read.
bool fio_read_fixed_header(int handle, std::span<std::uint8_t> header, bool say);

// Whether a reader asks its questions: not for the next file of a series and
// not without a window; then the answers kept from the last file hold.
bool fio_asks(const FioCall& call);

// An answer kept for the next file of a series under a '#' key (never saved,
// so a new run starts without it); `fallback` when there is none.
int fio_kept_answer(std::string_view key, int fallback, int& status);
void fio_keep_answer(std::string_view key, int value, int& status);

// One question of a reader: its prompt and help, and the key under which the
// answer is kept for the next file of a series (a '#' key: never saved).
struct FioQuestion
{
    std::string_view prompt;
    std::string_view help;
    std::string_view key;
};

// A yes/no answer: asked with `value` as the default when the reader asks,
// otherwise the answer kept from the last file (`value` without one). False
// after a cancel (retstat -1, the status good again) or with a bad status.
bool fio_answer_logical(const FioCall& call, const FioQuestion& question, bool& value,
                        int& retstat, int& status);

// The number of one of `count` stored things (an image of a sequence, a data
// set), `what` naming them in the refusal: `given` when it is not 0, else the
// only one, else asked (the last answer as the default) when the reader
// asks, else the answer kept from the last file. False after a cancel
// (retstat -1), or with retstat 1 for a number outside 1..count.
bool fio_choose_number(const FioCall& call, const FioQuestion& question, std::string_view what,
                       long long count, int given, int& number, int& retstat, int& status);

// The one warning of every reader that cuts an image to its arrays, naming
// both sizes; nothing when the image fits.
void fio_warn_array_size(long long width, long long height, const ImageView& data);

// The labels of a detector image and, when the caller keeps variances, the
// counts as their own variances.
void fio_detector_finish(FioTarget& target);

// A warning on the console and, with a window, in a box (its own text).
void fio_warn_twice(const FioCall& call, std::string_view console, std::string_view box,
                    int& status);

// The reader form of a detector format around its reader: the arrays and
// texts of the caller's arguments in, what the reader filled handed back,
// with the overload value where the form has one (the target keeps the
// rest, e.g. pixel sizes).
void fio_call_reader(FioReader reader, bool gui, bool& variances_exist, std::string& file_name,
                     int& retstat, int& xnumdat, int& ynumdat, std::span<float> x_axis,
                     std::span<float> y_axis, const ImageView& data, const ImageView& variances,
                     std::string& title, std::string& xlabel, std::string& ylabel,
                     std::string& zlabel, FioTarget& target, float* overload_value, int& status);

// A size probe: the file opened on the input slot without a word on
// failure, and its image size learnt from its header by `size_of`.
void fio_probe_size(std::string_view file_name, int& width, int& height, int& retstat, int& status,
                    const std::function<bool(int handle, int& width, int& height)>& size_of);
// The size probe of a format whose header describes a stored image: the
// image (its handle set to the open file) described by `image_of`, and its
// size given only when the file holds every pixel the header claims, so
// that no array is made for an image that the file cannot fill.
void fio_probe_stored(std::string_view file_name, int& width, int& height, int& retstat,
                      int& status,
                      const std::function<bool(int handle, FioStoredImage& image)>& image_of);

// The readers and size probes of the format table, one format family a file.
void fio_read_adsc(FioCall& call, FioTarget& target, int& retstat, int& status);
void fio_adsc_size(std::string_view file_name, int& width, int& height, int& retstat, int& status);
void fio_read_torva(FioCall& call, FioTarget& target, int& retstat, int& status);
void fio_torva_size(std::string_view file_name, int& width, int& height, int& retstat, int& status);
void fio_read_raxis(FioCall& call, FioTarget& target, int& retstat, int& status);
void fio_raxis_size(std::string_view file_name, int& width, int& height, int& retstat, int& status);
void fio_read_hamamatsu(FioCall& call, FioTarget& target, int& retstat, int& status);
void fio_hamamatsu_size(std::string_view file_name, int& width, int& height, int& retstat,
                        int& status);
void fio_read_bas2000(FioCall& call, FioTarget& target, int& retstat, int& status);
void fio_bas2000_size(std::string_view file_name, int& width, int& height, int& retstat,
                      int& status);

void fio_read_mar(FioCall& call, FioTarget& target, int& retstat, int& status);
void fio_read_mar_packed(FioCall& call, FioTarget& target, int& retstat, int& status);
void fio_mar_size(std::string_view file_name, int& width, int& height, int& retstat, int& status);
void fio_mar_packed_size(std::string_view file_name, int& width, int& height, int& retstat,
                         int& status);
void fio_read_bruker(FioCall& call, FioTarget& target, int& retstat, int& status);
void fio_bruker_size(std::string_view file_name, int& width, int& height, int& retstat,
                     int& status);
void fio_read_plano(FioCall& call, FioTarget& target, int& retstat, int& status);
void fio_plano_size(std::string_view file_name, int& width, int& height, int& retstat,
                    int& status);
void fio_read_photometrics(FioCall& call, FioTarget& target, int& retstat, int& status);
void fio_photometrics_size(std::string_view file_name, int& width, int& height, int& retstat,
                           int& status);
void fio_read_princeton(FioCall& call, FioTarget& target, int& retstat, int& status);
void fio_princeton_size(std::string_view file_name, int& width, int& height, int& retstat,
                        int& status);
void fio_read_bsl(FioCall& call, FioTarget& target, int& retstat, int& status);
void fio_bsl_size(std::string_view file_name, int& width, int& height, int& retstat, int& status);
void fio_read_gas2d(FioCall& call, FioTarget& target, int& retstat, int& status);
void fio_gas2d_size(std::string_view file_name, int& width, int& height, int& retstat,
                    int& status);
void fio_read_chiplot(FioCall& call, FioTarget& target, int& retstat, int& status);
void fio_chiplot_size(std::string_view file_name, int& width, int& height, int& retstat,
                      int& status);

// Whether a packed MAR stream of x by y pixels, its size line searched from
// the current position of the open file, holds all of its pixels before the
// file ends (the stream is passed over, nothing is decoded or allocated).
bool fio_pck_holds(int handle, int x, int y);

// The gas detector's 4-byte values: the image read in 512-byte records, a
// failed read reported with the system's error code.
void FIO_IN_GAS4(const FioCall& call, const FioStoredImage& image, FioTarget& target,
                 int& retstat, int& status);
