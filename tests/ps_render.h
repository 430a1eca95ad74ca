#pragma once
// PostScript files rendered by Ghostscript, and pictures (PNG) read back,
// for tests that judge them.

#include <cairo.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "test_support.h"

namespace zyt_test {

// A PNG file read back (0x00RRGGBB pixels; 0 outside the picture).
class Picture
{
public:
    explicit Picture(const std::string& file)
        : surface_(cairo_image_surface_create_from_png(file.c_str()), cairo_surface_destroy)
    {
    }
    bool ok() const { return cairo_surface_status(surface_.get()) == CAIRO_STATUS_SUCCESS; }
    int width() const { return cairo_image_surface_get_width(surface_.get()); }
    int height() const { return cairo_image_surface_get_height(surface_.get()); }
    unsigned at(int x, int y) const
    {
        if (!ok() || x < 0 || y < 0 || x >= width() || y >= height()) return 0;
        const unsigned char* data = cairo_image_surface_get_data(surface_.get());
        const int stride = cairo_image_surface_get_stride(surface_.get());
        return *reinterpret_cast<const unsigned*>(data + y * stride + x * 4) & 0xffffffu;
    }

private:
    std::unique_ptr<cairo_surface_t, void (*)(cairo_surface_t*)> surface_;
};

// The number of pixels at which two PNG files differ; -1 when one cannot
// be read or their sizes differ.
inline long differing_pixels(const std::string& a_file, const std::string& b_file)
{
    const Picture a(a_file);
    const Picture b(b_file);
    if (!a.ok() || !b.ok() || a.width() != b.width() || a.height() != b.height()) return -1;
    long differ = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) differ += a.at(x, y) != b.at(x, y);
    return differ;
}

struct Rendered
{
    int exit_code = -1;
    std::string messages;
    std::unique_ptr<cairo_surface_t, void (*)(cairo_surface_t*)> page{nullptr,
                                                                       cairo_surface_destroy};

    // The pixel at a page position (page coordinates of a portrait page).
    unsigned at(float x, float y) const
    {
        const int px = static_cast<int>(18.0 + 787.1 * x);
        const int py = static_cast<int>(842.0 - (23.0 + 787.1 * y));
        cairo_surface_flush(page.get());
        const unsigned char* data = cairo_image_surface_get_data(page.get());
        const int stride = cairo_image_surface_get_stride(page.get());
        return *reinterpret_cast<const unsigned*>(data + py * stride + px * 4) & 0xffffffu;
    }

    // The pixels of a page rectangle for which is(pixel) holds.
    template <class Test> int count(float x1, float y1, float x2, float y2, Test is) const
    {
        constexpr float STEP = 1.0f / 787.1f; // one pixel at 72 dots per inch
        int n = 0;
        for (float y = y1; y < y2; y += STEP)
            for (float x = x1; x < x2; x += STEP) n += is(at(x, y)) ? 1 : 0;
        return n;
    }
};

// Where a rendered page goes: the directory ZYT_KEEP_SNAPSHOTS names (to be
// looked at), else the test's own.
inline std::string png_file(const TempDir& dir, const std::string& name)
{
    const char* kept = std::getenv("ZYT_KEEP_SNAPSHOTS");
    return kept != nullptr ? std::string(kept) + "/" + name : dir.file(name);
}

// Ghostscript renders the first page of a file at 72 dots per inch on A4.
inline Rendered render(const std::string& ps_file, const std::string& png_file)
{
    Rendered r;
    const std::string command = "gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=png16m -r72 "
                                "-sPAPERSIZE=a4 -dFIXEDMEDIA -dFirstPage=1 -dLastPage=1 "
                                "-sOutputFile='" + png_file + "' '" + ps_file + "'";
    const CommandResult result = run_command(command);
    r.exit_code = result.exit_status;
    r.messages = result.output;
    r.page.reset(cairo_image_surface_create_from_png(png_file.c_str()));
    return r;
}

} // namespace zyt_test
