#pragma once
// Image file input: the byte-stream layer, the raw binary and TIFF readers,
// the format decision and the interactive input driver. Every reader fills
// the same image form: an ImageView of 32-bit reals (X fastest, element (i, j)
// counted from 1), the number of defined pixels in X and Y, and pixel-centre
// axes (element i is i - 0.5 for a file read whole).

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "gs/gs.h"
#include "io/image_buffer.h"
#include "io/image_view.h"

// --- Byte-stream layer -------------------------------------------------------

// The two file slots: the input file is always handle 1, the output file 2.
enum FioHandle { FIO_INPUT_HANDLE = 1, FIO_OUTPUT_HANDLE = 2 };
// Access modes of FIO_FILEOPENC.
enum FioAccess { FIO_READ_BINARY = 1, FIO_WRITE_BINARY = 2, FIO_READ_TEXT = 3, FIO_WRITE_TEXT = 4 };
// Byte swapping applied to what is read (or written).
enum FioSwap { FIO_NO_SWAP = 0, FIO_SWAP_2BYTE = 1, FIO_SWAP_4BYTE = 2 };
// Result codes of the low-level routines.
enum FioCode {
    FIO_OK = 0,
    FIO_BAD_ARGUMENT = 1, // mode outside 1..4, wrong handle, or too many bytes for the buffer
    FIO_NOT_OPEN = 2,     // also: opening a slot that is already open
    FIO_SYSTEM_FAILED = 3,
    FIO_SEEK_FAILED = 4,
    FIO_SHORT = 5
};

// Error numbers of the image-input library (the status adds 180000).
enum FioError {
    FIO_ERR_XMAXDAT = 1,
    FIO_ERR_YMAXDAT = 2,
    FIO_ERR_X_END = 5,     // also: more bytes wanted than the buffer holds
    FIO_ERR_Y_END = 6,
    FIO_ERR_RECORD = 13,
    FIO_ERR_X_VALUE = 17,  // also: an access word that is none of the four
    FIO_ERR_Y_VALUE = 18,
    FIO_ERR_BLANK_NAME = 33,
    FIO_ERR_DECODE = 1005  // a read or a TIFF entry that cannot be decoded
};
// Status values that are not of the library's module.
constexpr int FIO_STATUS_READ_FAILURE = 11005;
constexpr int FIO_STATUS_NOT_IMPLEMENTED = 9999;

void FIO_FILEOPENC(std::string_view name, int mode, int& retstat, int& handle);
void FIO_FILECLOSEC(int handle, int& retstat);
void FIO_FILEREADC(int handle, int bytes_wanted, int swap, int& retstat, int& bytes_read,
                   std::span<std::uint8_t> buffer);
// From a byte offset (0 the first byte; negative: from the current position).
void FIO_FILEPREADC(int handle, long long offset, int bytes_wanted, int swap, int& retstat,
                    int& bytes_read, std::span<std::uint8_t> buffer);
void FIO_ASCIIREADC(int handle, int max_characters, int& retstat, std::string& line);
void FIO_FILEWRITEC(int handle, int bytes, int swap, std::span<std::uint8_t> buffer, int& retstat,
                    int& bytes_written);
void FIO_FILEWREALC(int handle, std::span<const float> reals, int& retstat, int& reals_written);
// The size in bytes of the open file of a slot; -1 when it is not open.
long long fio_open_size(int handle);
// The byte offset (0 the first byte) a slot reads or writes next; -1 when it is not open.
long long fio_open_position(int handle);

void FIO_FILEOPEN(std::string_view name, std::string_view access, int& retstat, int& handle,
                  int& status);
void FIO_OPENFILE(bool prompt_user, std::string_view access, std::string& name, int& retstat,
                  int& handle, int& status);
void FIO_TREAD_BYTES(int handle, long long offset, int bytes_wanted,
                     std::span<std::uint8_t> buffer, int& status);

std::int32_t Fio_int_byte_swap(std::int32_t value);
float Fio_float_byte_swap(float value);
// Reverses the bytes of every whole 2- or 4-byte item (swap code 1 or 2).
void fio_swap_items(std::span<std::uint8_t> bytes, int swap);
// `bytes` of storage that lives from one image read to the next, so that
// reading an image neither allocates nor touches fresh pages. Its contents
// are undefined and belong to the caller until the next call.
std::span<std::uint8_t> fio_work_buffer(std::size_t bytes);

// Closes a slot when it goes out of scope, so that no reader that stops half
// way leaves its file open.
class FioSlotGuard
{
public:
    explicit FioSlotGuard(int handle) : handle_(handle) {}
    ~FioSlotGuard();
    FioSlotGuard(const FioSlotGuard&) = delete;
    FioSlotGuard& operator=(const FioSlotGuard&) = delete;
    // Closes now; the close's result code.
    int close();

private:
    int handle_;
    bool closed_ = false;
};

// --- Image arrays ------------------------------------------------------------

// A region of an image in file pixels, counted from 1, with re-binning.
struct FioRegion
{
    int x1 = 1, y1 = 1, x2 = 1, y2 = 1;
    int xbin = 1, ybin = 1;
};

// Pixel centres in file pixels of `count` output pixels (at most the axis'
// size) that start at file pixel `first` and each sum `bin` file pixels:
// element i is (first - 1) + bin * (i - 0.5); i - 0.5 for a whole image.
void fio_fill_axis(std::span<float> axis, int count, int first = 1, int bin = 1);
// Adds the sums of groups of xbin values of a row to an output row of
// `out_count` elements (re-binning sums, it does not average).
void fio_bin_row(std::span<const float> row, int xbin, float* out, int out_count);

// --- Raw binary and typed 2-D arrays ----------------------------------------

// The four stored types of a raw file, by their names on the form.
enum FioDataType { FIO_BYTE = 1, FIO_I2 = 2, FIO_I4 = 3, FIO_R4 = 4 };
inline constexpr const char* FIO_TYPE_NAMES[4] = {"BYTE VALUES", "INTEGER (2-BYTE)",
                                                  "4-BYTE INTEGER", "REAL (4-BYTE IEEE)"};

// The layout of a raw file.
struct FioBinaryLayout
{
    int nx = 0, ny = 0;
    std::string type = "INTEGER (2-BYTE)";
    bool is_signed = false;
    bool swap = false;
    int start_byte = 1;
};

// The arguments that every typed transfer routine shares.
struct FioTransfer
{
    int handle = FIO_INPUT_HANDLE;
    bool swap = false;
    bool is_signed = false;
    bool reverse_x = false;
    bool reverse_y = false;
    bool transpose = false;
    int nx = 0, ny = 0;
    int xstart = 1, ystart = 1, xend = 1, yend = 1;
    int xbin = 1, ybin = 1;
    long long start_byte = 1;
    int buffer_elements = 5000;
};
void FIO_INP_2DBYTE(const FioTransfer& t, const ImageView& data, int& xnumdat, int& ynumdat,
                    int& status);
void FIO_INP_2DI2(const FioTransfer& t, const ImageView& data, int& xnumdat, int& ynumdat,
                  int& status);
void FIO_INP_2DI4(const FioTransfer& t, const ImageView& data, int& xnumdat, int& ynumdat,
                  int& status);
void FIO_INP_2DR4(const FioTransfer& t, const ImageView& data, int& xnumdat, int& ynumdat,
                  int& status);
// As FIO_INP_2DI2, the file read in fixed-length records (`record_bytes`,
// at most twice the buffer size in elements).
void IO_INP_2DI2(const FioTransfer& t, int record_bytes, const ImageView& data, int& xnumdat,
                 int& ynumdat, int& status);

void FIO_GUI_IN_DATA(int& nx, int& ny, int xmaxdat, int ymaxdat, std::string& type_name,
                     bool& is_signed, bool& swap, int& start_byte, int& status);
void FIO_IN_BINARY(bool gui, bool ask, bool& variances_exist, std::string& file_name,
                   int& retstat, int& xnumdat, int& ynumdat, std::span<float> x_axis,
                   std::span<float> y_axis, const ImageView& data, const ImageView& variances,
                   std::string& title, std::string& xlabel, std::string& ylabel,
                   std::string& zlabel, float& x_pixel_size, float& y_pixel_size,
                   float& overload_value, int& status);
// The layout the next FIO_IN_BINARY without questions uses, and what it is now.
void FIO_SET_BINARY_LAYOUT(const FioBinaryLayout& layout, int& status);
FioBinaryLayout FIO_INQ_BINARY_LAYOUT();
// The layout from the remembered answers and the ".info" file beside the
// image (file dimensions: the .info's, else the remembered ones, else 0).
FioBinaryLayout fio_binary_defaults(std::string_view file_name, float& x_pixel_size,
                                    float& y_pixel_size, int& status);

// The ".info" companion of a raw file: what it gives is filled in.
void FIO_IN_HEADERFILE(std::string_view file_name, std::string& title, std::string& xlabel,
                       std::string& ylabel, std::string& zlabel, int& nx, int& ny, float& lowest,
                       float& second_value, int& bytes_per_pixel, bool& swap, bool& is_signed,
                       float& x_pixel_size, float& y_pixel_size, int& status);

// --- TIFF --------------------------------------------------------------------

std::int32_t FIO_TIFF_INTEGER(std::span<const std::uint8_t> bytes, int count, bool big_endian,
                              bool is_signed);
std::int32_t FIO_TIFF_INTENTRY(std::span<const std::uint8_t, 12> entry, bool big_endian,
                               int& status);
void FIO_TIFF_INTS(std::span<const std::uint8_t, 12> entry, int handle, bool big_endian,
                   int max_count, int& retstat, int& count, std::span<std::int64_t> values,
                   int& status);
void FIO_TIFF_IMAGESIZE(int handle, int image_number, int& retstat, int& width, int& length,
                        int& status);
void FIO_IN_IQRIMAGE(int handle, int image_number, bool mirror_x, bool imagequant,
                     const FioRegion& region, int& retstat, int& xnumdat, int& ynumdat,
                     const ImageView& data, int& status);
void FIO_IN_IQ(bool gui, bool ask, bool mirror_x, bool imagequant, bool& variances_exist,
               std::string& file_name, int& retstat, int& xnumdat, int& ynumdat,
               std::span<float> x_axis, std::span<float> y_axis, const ImageView& data,
               const ImageView& variances, std::string& title, std::string& xlabel,
               std::string& ylabel, std::string& zlabel, int& status);

// --- Detector formats: ADSC, FUJI BAS-2000, RIGAKU R-AXIS, TORVA, HAMAMATSU ---

// Each reads with the window (gui: the given name) or asks the name on the
// terminal; retstat 0 read, -1 cancelled, otherwise not read (the reason on
// the console).
void FIO_IN_ADSC(bool gui, bool& variances_exist, std::string& file_name, int& retstat,
                 int& xnumdat, int& ynumdat, std::span<float> x_axis, std::span<float> y_axis,
                 const ImageView& data, const ImageView& variances, std::string& title,
                 std::string& xlabel, std::string& ylabel, std::string& zlabel,
                 float& overload_value, int& status);
// The name may be of the ".inf" file or of the ".img" file beside it.
void FIO_IN_BAS2000(bool gui, bool& variances_exist, std::string& file_name, int& retstat,
                    int& xnumdat, int& ynumdat, std::span<float> x_axis, std::span<float> y_axis,
                    const ImageView& data, const ImageView& variances, std::string& title,
                    std::string& xlabel, std::string& ylabel, std::string& zlabel,
                    float& x_pixel_size, float& y_pixel_size, float& overload_value, int& status);
void FIO_IN_HAMAMATSU(bool gui, bool& variances_exist, std::string& file_name, int& retstat,
                      int& xnumdat, int& ynumdat, std::span<float> x_axis,
                      std::span<float> y_axis, const ImageView& data, const ImageView& variances,
                      std::string& title, std::string& xlabel, std::string& ylabel,
                      std::string& zlabel, int& status);
void FIO_IN_RAXIS(bool gui, bool& variances_exist, std::string& file_name, int& retstat,
                  int& xnumdat, int& ynumdat, std::span<float> x_axis, std::span<float> y_axis,
                  const ImageView& data, const ImageView& variances, std::string& title,
                  std::string& xlabel, std::string& ylabel, std::string& zlabel,
                  float& overload_value, int& status);
// The R-AXIS header of the file open on the input slot: retstat 0 read, 1
// not read, 2 pixel counts that are impossible in either byte order. The
// header length is that of its first record, at least 1024 bytes.
void FIO_IN_RAXISHEADERC(int& retstat, bool& swap, int& header_length, int& record_length,
                         int& nx, int& ny, float& ratio);
// Asks for the image number when the file holds several image sections.
void FIO_IN_TORVA(bool gui, bool& variances_exist, std::string& file_name, int& retstat,
                  int& xnumdat, int& ynumdat, std::span<float> x_axis, std::span<float> y_axis,
                  const ImageView& data, const ImageView& variances, std::string& title,
                  std::string& xlabel, std::string& ylabel, std::string& zlabel,
                  float& overload_value, int& status);
// --- MAR image-plate files ----------------------------------------------------

// The packed pixel stream ("CCP4 packed image") from the current position of
// the input file: its header line is looked for first, then X x Y pixels are
// decoded, line by line, into the image array (cut to its declared size).
// xnumdat, ynumdat in: the image size the file's header gives (the stream
// must be of that size); out: the pixels defined in the array.
// retstat 0 decoded; 2 no memory; 3 no header line; 4 a stream of another
// size; 5 the stream ends early (the reason is on the console).
void FIO_IN_PCKC(int handle, const ImageView& data, int& xnumdat, int& ynumdat, int& retstat);
// The old format (a header record of nx 2-byte values, pixels unpacked or
// packed, overflow records); xnumdat in: nx as read from the first integer.
void FIO_IN_OLDMAR(bool packed, int handle, bool swap, const ImageView& data, std::string& title,
                   int& retstat, int& xnumdat, int& ynumdat, int& status);
// The newer format (a 4096-byte header, a packed image, high pixels apart).
void FIO_IN_MAR345(int handle, bool swap, const ImageView& data, std::string& title,
                   int& retstat, int& xnumdat, int& ynumdat, float& x_pixel_size,
                   float& y_pixel_size, int& status);
// A MAR file of either kind in either byte order; packed for the "pck" kind.
void FIO_IN_MAR(bool gui, bool packed, bool& variances_exist, std::string& file_name,
                int& retstat, int& xnumdat, int& ynumdat, std::span<float> x_axis,
                std::span<float> y_axis, const ImageView& data, const ImageView& variances,
                std::string& title, std::string& xlabel, std::string& ylabel,
                std::string& zlabel, float& x_pixel_size, float& y_pixel_size, int& status);

// --- Bruker frames -------------------------------------------------------------

// One 80-byte header record: end is set by the record that ends the header
// (its first byte Ctrl-Z); otherwise its keyword (7 characters) and value (72).
void FIO_IN_KEYBRUKER(std::string_view record, bool& end, std::string& keyword,
                      std::string& value, int& status);
// The image the header describes; data_start is the byte of the first pixel
// (from 1). retstat 0; 2 a header that cannot be read, or that describes an
// image the file does not hold (the reason is on the console).
void FIO_IN_HEADBRUKER(int handle, int& columns, int& rows, int& bytes_per_pixel,
                       long long& data_start, int& overflows, int& retstat, int& status);
// The overflow table from byte first_byte (from 1): count records of 16
// characters, each a value and a pixel position counted along the stored rows.
void FIO_IN_OVERBRUKER(int handle, long long first_byte, int count, int nx, int ny,
                       const ImageView& data, int& retstat, int& status);
void FIO_IN_BRUKER(bool gui, bool& variances_exist, std::string& file_name, int& retstat,
                   int& xnumdat, int& ynumdat, std::span<float> x_axis, std::span<float> y_axis,
                   const ImageView& data, const ImageView& variances, std::string& title,
                   std::string& xlabel, std::string& ylabel, std::string& zlabel,
                   float& x_pixel_size, float& y_pixel_size, float& overload_value, int& status);

// --- PLANO files -----------------------------------------------------------------

// Results of FIO_FREAD_RARRAY.
enum FioArrayRead {
    FIO_ARRAY_PARTIAL = -1,
    FIO_ARRAY_COMPLETE = 0,
    FIO_ARRAY_NOT_FOUND = 1,
    FIO_ARRAY_WRONG_TYPE = 2,
    FIO_ARRAY_DAMAGED = 3 // sizes impossible, or values beyond the end of the file
};
// Looks for an item from a record on (records of 512 bytes, from 1): found,
// its type character, its record and the position of its value in the
// record (from 1).
void FIO_FREAD_SEARCHITEM(int handle, std::string_view name, bool& found, char& type,
                          long long& record, int& position, int& status);
// The value of a text or real item; left as it was when the item is absent.
void FIO_FREAD_STRING(int handle, std::string_view name, long long& record, std::string& value,
                      int& status);
void FIO_FREAD_REAL(int handle, std::string_view name, long long& record, float& value,
                    int& status);
// A real array item into `array` (its declared size the view's); its sizes
// in the file are returned; `returned` is one of FioArrayRead.
void FIO_FREAD_RARRAY(int handle, std::string_view name, const ImageView& array,
                      long long& record, int& xsize, int& ysize, int& returned, int& status);
void FIO_IN_PLANO(bool gui, bool& variances_exist, std::string& file_name, int& retstat,
                  int& xnumdat, int& ynumdat, std::span<float> x_axis, std::span<float> y_axis,
                  const ImageView& data, const ImageView& variances, std::string& title,
                  std::string& xlabel, std::string& ylabel, std::string& zlabel,
                  float& x_pixel_size, float& y_pixel_size, float& overload_value, int& status);

// --- CCD, BSL/OTOKO, gas 2-D detector and CHIPLOT files ---------------------

// As the readers above. Photometrics, Princeton and the gas detector ask for
// the image of a sequence, BSL/OTOKO for the data set and its frame.
void FIO_IN_PHOTOMETRICS(bool gui, bool& variances_exist, std::string& file_name, int& retstat,
                         int& xnumdat, int& ynumdat, std::span<float> x_axis,
                         std::span<float> y_axis, const ImageView& data,
                         const ImageView& variances, std::string& title, std::string& xlabel,
                         std::string& ylabel, std::string& zlabel, int& status);
void FIO_IN_PRINCETON(bool gui, bool& variances_exist, std::string& file_name, int& retstat,
                      int& xnumdat, int& ynumdat, std::span<float> x_axis,
                      std::span<float> y_axis, const ImageView& data, const ImageView& variances,
                      std::string& title, std::string& xlabel, std::string& ylabel,
                      std::string& zlabel, int& status);
void FIO_IN_BSL(bool gui, bool& variances_exist, std::string& file_name, int& retstat,
                int& xnumdat, int& ynumdat, std::span<float> x_axis, std::span<float> y_axis,
                const ImageView& data, const ImageView& variances, std::string& title,
                std::string& xlabel, std::string& ylabel, std::string& zlabel,
                float& overload_value, int& status);
// The name is of the data file; its "hm" file is beside it.
void FIO_IN_GAS2D(bool gui, bool& variances_exist, std::string& file_name, int& retstat,
                  int& xnumdat, int& ynumdat, std::span<float> x_axis, std::span<float> y_axis,
                  const ImageView& data, const ImageView& variances, std::string& title,
                  std::string& xlabel, std::string& ylabel, std::string& zlabel, int& status);
// One-dimensional: the X values go to x_axis, the Y values to row 1.
void FIO_IN_CHIPLOT(bool gui, bool& variances_exist, std::string& file_name, int& retstat,
                    int& xnumdat, int& ynumdat, std::span<float> x_axis,
                    std::span<float> y_axis, const ImageView& data, const ImageView& variances,
                    std::string& title, std::string& xlabel, std::string& ylabel,
                    std::string& zlabel, int& status);

// --- Images in arrays of their own size ------------------------------------

// An image in arrays as large as the image itself: the arrays are made once
// the file's size is known, so no image is ever cut to a fixed array, and
// an array is not filled before its reader fills it.
struct FioImage
{
    ImageBuffer pixels;
    int xnumdat = 0, ynumdat = 0;
    std::vector<float> x_axis, y_axis;
    std::string format, file_name, title, xlabel, ylabel, zlabel;
    float x_pixel_size = 0.0f, y_pixel_size = 0.0f, overload_value = 0.0f;

    ImageView view() const { return pixels.view(); }
};

// The largest image side the arrays are made for.
constexpr int FIO_MAX_SIDE = 16384;

// Makes the arrays of an image of width x height pixels (storage that is
// large enough already is kept); false, with the arrays released, when the
// memory cannot be had.
bool fio_make_arrays(FioImage& image, int width, int height);

// --- Format choice and the input driver -------------------------------------

void FIO_IS_BRUKER(std::string_view file_name, int& retstat, int& status);
void FIO_IS_TORVA(std::string_view file_name, int& retstat, int& status);
void FIO_IS_ADSC(std::string_view file_name, int& retstat, int& status);

// The format decided from a name; empty when the name does not decide it
// (the format menu, or --format, must). The name may change to the one to read.
std::string FIO_DECIDE_FORMAT(std::string& file_name, int& status);
// The format name of a menu entry or a typed name ("PLANO", "fuji (bas)",
// "TIFF", or a full format name); empty when none.
std::string fio_format_from_choice(std::string_view choice);

void FIO_GUI_INPUT(int max_prompt, int num_prompt, GsLines prompt, int input_step,
                   bool variances_exist, bool& data_defined, std::string& file_name, int& xnumdat,
                   int& ynumdat, std::span<float> x_axis, std::span<float> y_axis,
                   const ImageView& data, const ImageView& variances, std::string& title,
                   std::string& xlabel, std::string& ylabel, std::string& zlabel,
                   float& x_pixel_size, float& y_pixel_size, int& status);
// Results of reading into an image of its own size.
enum FioInputResult {
    FIO_INPUT_READ = 0,
    FIO_INPUT_CANCELLED = -1, // on the file panel or the format menu
    FIO_INPUT_FAILED = 1,     // the reader's reason is on the console
    FIO_INPUT_TOO_LARGE = 2   // no memory for an image of the file's size (said in a warning)
};
// As above, into arrays made as large as the image: the questions that
// decide its size are asked first (the layout of a raw file), then the
// file's size is learnt and the arrays made, then the reader fills them.
// retstat is one of FioInputResult.
void FIO_GUI_INPUT(int max_prompt, int num_prompt, GsLines prompt, int input_step,
                   std::string& file_name, FioImage& image, int& retstat, int& status);
// The format name decided last and whether a series is defined (the state
// the driver keeps between calls); the reset (also of the raw layout
// remembered for a series) is for a new run.
std::string FIO_INQ_INPUT_FORMAT();
void FIO_DEF_INPUT();

// Without a window: every form takes its defaults (the remembered answers and
// what the files say), messages go to the console only.
void FIO_SET_BATCH(bool batch);
bool FIO_INQ_BATCH();

// --- Reading without a window (the command-line tool, the fuzz targets) ------

// What to read, and the answers the forms would otherwise ask for.
struct FioRequest
{
    std::string file_name;
    std::string format; // a format name or menu entry; empty: decided from the name
    bool region_given = false;
    FioRegion region;   // x1..y2 when given; the re-bin factors always
    // The raw layout, over the remembered answers and the ".info" file.
    int nx = 0, ny = 0, start_byte = 0; // 0: not given
    std::string type;
    int is_signed = -1, swap = -1;      // -1: not given
    int max_side = FIO_MAX_SIDE;        // the largest array made for an image
    int image = 0;                      // of a file that stores several; 0: the first
};


// retstat 0 read; 1 not read; 2 the request asks what the file's format
// cannot do (an image number of a one-image format, a raw layout for
// another format). The reason is written to the console.
void FIO_READ_IMAGE(const FioRequest& request, FioImage& image, int& retstat, int& status);
// The type name of a short or full name ("I2", "r4", "INTEGER (2-BYTE)"...); empty when none.
std::string fio_type_from_name(std::string_view name);
