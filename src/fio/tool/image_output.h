#pragma once
// What the command-line tools write: an image as raw little-endian reals or
// as the picture the program shows, into a file that takes its name only
// when it is complete, so that a failure leaves nothing behind.

#include <cstdio>
#include <iostream>
#include <string>

#include "io/image_view.h"

// A file written beside its final name and renamed over it when complete.
class FioOutputFile
{
  public:
    explicit FioOutputFile(const std::string& target);
    ~FioOutputFile();
    FioOutputFile(const FioOutputFile&) = delete;
    FioOutputFile& operator=(const FioOutputFile&) = delete;

    // The open stream; nullptr when the file could not be made.
    std::FILE* file() const { return file_; }
    // Closes the stream, for writers that open the file by name themselves.
    const std::string& closed_path();
    // Everything written reaches the disk, then the file takes its name.
    bool commit();

  private:
    std::string target_;
    std::string temporary_;
    std::FILE* file_ = nullptr;
    bool created_ = false;
    bool committed_ = false;
};

// Pixels 1..xnumdat by 1..ynumdat as little-endian 32-bit reals, X fastest,
// row 1 first: to a stream, or to a file by name.
bool fio_write_raw(const ImageView& image, int xnumdat, int ynumdat, std::FILE* file);
bool fio_write_raw(const ImageView& image, int xnumdat, int ynumdat, const std::string& out_name);
// The same pixels as a PNG picture in the program's grey scale from the
// smallest to the largest finite value, row 1 at the bottom.
bool fio_write_png(const ImageView& image, int xnumdat, int ynumdat, const std::string& out_name);
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
