// CHIPLOT graphs: one-dimensional X/Y data in a text file of three title
// lines (a title, the X-axis label and the Y-axis label), the number of data
// points, then one X/Y pair a line. A graph becomes a one-row image: its Y
// values are row 1 and its X values the X axis, so that the image display
// shows it as a graph.
//
// The count is not trusted: pairs are read until it is reached or the file
// ends, whichever comes first, and only those that fit the declared array are
// kept.

#include <algorithm>
#include <string>
#include <vector>

#include "fio/detector.h"
#include "io/convert.h"
#include "io/fields.h"
#include "io/status.h"

namespace {

constexpr std::string_view POSITION = "Subroutine FIO_IN_CHIPLOT V0.1";
constexpr int TITLE_LINES = 3;
enum TitleLine { CHI_TITLE = 0, CHI_X_LABEL, CHI_Y_LABEL };
// Longer lines are cut to this many characters.
constexpr int MAX_LINE = 1024;

// The title lines and the count of the open file; false with the reason
// when `say`.
bool read_head(int handle, bool say, std::string (&titles)[TITLE_LINES], int& count, int& status)
{
    int rs = 0;
    std::string line;
    for (std::string& title : titles) {
        FIO_ASCIIREADC(handle, MAX_LINE, rs, line);
        if (rs != FIO_OK) break;
        title = st_strip(line);
    }
    if (rs == FIO_OK) FIO_ASCIIREADC(handle, MAX_LINE, rs, line);
    if (rs != FIO_OK) {
        if (say) io_say("WARNING: Problem reading from input file");
        return false;
    }
    std::vector<std::string> tokens;
    int n = 0;
    bool found = false;
    IO_TOKENS(line, 2, n, tokens, status);
    if (n == 1) IO_TOKTI(tokens[0], found, count, status);
    if (!found || count < 1) {
        if (say) {
            io_say("WARNING: Error converting number of data points in file");
            const std::string box[] = {"Error reading in the number of data points"};
            fio_warning(box, status);
        }
        return false;
    }
    return true;
}

// One X/Y pair of a line; false with the reason.
bool read_pair(const std::string& line, float& x, float& y, int& status)
{
    std::vector<std::string> tokens;
    int n = 0;
    IO_TOKENS(line, 2, n, tokens, status);
    bool found = false;
    if (n >= 1) IO_TOKTR(tokens[0], found, x, status);
    if (!found) {
        io_say("WARNING: Problem inputting X-coordinate value");
        return false;
    }
    found = false;
    if (n >= 2) IO_TOKTR(tokens[1], found, y, status);
    if (!found) {
        io_say("WARNING: Problem inputting Y-coordinate value");
        return false;
    }
    return true;
}

} // namespace

void fio_read_chiplot(FioCall& call, FioTarget& target, int& retstat, int& status)
{
    if (!st_enter(status, POSITION)) return;
    int handle = 0;
    if (!fio_open_reader_file(call,
                              {.prompt = "CHIPLOT FILE NAME",
                               .access = "READ_ASCII",
                               .not_opened = "WARNING: Problem opening input file"},
                              handle, retstat, status))
        return;
    FioSlotGuard guard(handle);
    std::string titles[TITLE_LINES];
    int count = 0;
    if (!read_head(handle, true, titles, count, status)) {
        retstat = 1;
        return;
    }

    // The points kept: a region of them, or as many as the array holds.
    FioRegion region{1, 1, std::min(count, target.data.xmaxdat), 1, 1, 1};
    if (call.region != nullptr) {
        region = *call.region;
        region.x2 = std::min(region.x2, count);
        if (region.x1 < 1 || region.x1 > region.x2 || region.y1 != 1) {
            io_say("WARNING: Image contains none of desired region");
            retstat = 4;
            return;
        }
        if (region.xbin != 1 || region.ybin != 1) {
            io_say("WARNING: A graph is not re-binned: input it without re-binning");
            retstat = 4;
            return;
        }
        if (region.x2 - region.x1 + 1 > target.data.xmaxdat) {
            io_say("WARNING: INPUT REGION TOO LARGE FOR ARRAYS");
            retstat = 4;
            return;
        }
    } else {
        fio_warn_array_size(count, 1, target.data);
    }

    int read = 0;
    int kept = 0;
    std::vector<float> x_values;
    std::string line;
    while (read < count) {
        int rs = 0;
        FIO_ASCIIREADC(handle, MAX_LINE, rs, line);
        if (rs != FIO_OK) {
            io_say("WARNING: Data items missing from file");
            break;
        }
        float x = 0.0f;
        float y = 0.0f;
        if (!read_pair(line, x, y, status)) break;
        ++read;
        if (read < region.x1 || read > region.x2) continue;
        ++kept;
        x_values.push_back(x);
        target.data(kept, 1) = y;
    }
    if (read < count)
        io_say("WARNING: Only " + io_fortran_i(read, 8) + " X/Y coordinates have been found");
    if (kept < 1) {
        retstat = 1;
        return;
    }
    target.xnumdat = kept;
    target.ynumdat = 1;
    // The X values are the axis, not the pixel centres.
    std::copy_n(x_values.begin(), std::min(x_values.size(), target.x_axis.size()),
                target.x_axis.begin());
    fio_fill_axis(target.y_axis, 1, 1, 1);
    fio_detector_finish(target);
    // The file names its axes.
    if (!titles[CHI_X_LABEL].empty()) target.xlabel = titles[CHI_X_LABEL];
    if (!titles[CHI_Y_LABEL].empty()) target.zlabel = titles[CHI_Y_LABEL];
    retstat = 0;
}

void fio_chiplot_size(std::string_view file_name, int& width, int& height, int& retstat,
                      int& status)
{
    fio_probe_size(file_name, width, height, retstat, status, [&](int handle, int& w, int& h) {
        std::string titles[TITLE_LINES];
        int count = 0;
        if (!read_head(handle, false, titles, count, status)) return false;
        // As many points as there are lines for, so that a count larger than
        // the file makes no larger array; the reader says what is missing.
        int lines = 0;
        std::string line;
        for (int rs = FIO_OK; lines < count;) {
            FIO_ASCIIREADC(handle, MAX_LINE, rs, line);
            if (rs != FIO_OK) break;
            ++lines;
        }
        w = std::max(1, lines);
        h = 1;
        return true;
    });
}

void FIO_IN_CHIPLOT(bool gui, bool& variances_exist, std::string& file_name, int& retstat,
                    int& xnumdat, int& ynumdat, std::span<float> x_axis, std::span<float> y_axis,
                    const ImageView& data, const ImageView& variances, std::string& title,
                    std::string& xlabel, std::string& ylabel, std::string& zlabel, int& status)
{
    if (!st_enter(status, POSITION)) return;
    FioTarget target;
    fio_call_reader(fio_read_chiplot, gui, variances_exist, file_name, retstat, xnumdat, ynumdat,
                    x_axis, y_axis, data, variances, title, xlabel, ylabel, zlabel, target,
                    nullptr, status);
}
