#pragma once
// What the command-line tools write: an image as raw little-endian reals or
// as the picture the program shows, to standard output or into a file that
// takes its name only when it is complete, so that a failure, or a stop by
// a signal, leaves nothing behind.

#include <cstdio>
#include <iostream>
#include <string>

#include "io/image_view.h"
#include "io/replace.h"

// Where an image is written: standard output ("-"), or a regular file (or a
// new one) replaced as a whole: written beside it and renamed over it only
// when complete. A device, a FIFO or a directory is never replaced by a
// file, nor is a write-protected file.
class FioOutput
{
public:
    FioOutput() = default;
    ~FioOutput();
    FioOutput(const FioOutput&) = delete;
    FioOutput& operator=(const FioOutput&) = delete;

    // False, with the reason on standard error, when nothing can be written.
    bool open(const std::string& name);
    // The open stream.
    std::FILE* file() const { return file_; }
    bool to_standard_output() const { return file_ == stdout; }
    // Everything written reaches the disk, then the file takes its name.
    bool commit();

private:
    // The temporary file removed, if it is still there.
    void forget();

    IoReplacement replacement_;
    std::FILE* file_ = nullptr;
};

// Pixels 1..xnumdat by 1..ynumdat as little-endian 32-bit reals, X fastest,
// row 1 first.
bool fio_write_raw(const ImageView& image, int xnumdat, int ynumdat, std::FILE* file);
// The same pixels as a PNG picture in the program's grey scale from the
// smallest to the largest finite value, row 1 at the bottom.
bool fio_write_png(const ImageView& image, int xnumdat, int ynumdat, std::FILE* file);
// The smallest and largest finite values; false when there is none.
bool fio_finite_extremes(const ImageView& image, int xnumdat, int ynumdat, double& minimum,
                         double& maximum);

// Every console line goes to standard error while it lives: standard
// output carries only the results.
class ConsoleToStderr
{
public:
    ConsoleToStderr() : old_(std::cout.rdbuf(std::cerr.rdbuf())) {}
    ~ConsoleToStderr() { std::cout.rdbuf(old_); }
    ConsoleToStderr(const ConsoleToStderr&) = delete;
    ConsoleToStderr& operator=(const ConsoleToStderr&) = delete;
    std::streambuf* results() const { return old_; }

private:
    std::streambuf* old_;
};
