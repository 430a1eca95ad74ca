#pragma once
// A headless window workstation driven by an event script, for tests.

#include <gtest/gtest.h>

#include <cmath>

#include "lg/lg.h"
#include "lg/window/x11.h"
#include "test_support.h"

namespace zyt_test {

// Opens the layer and window workstation 1 with these device options.
inline void open_window(const LgWindowOptions& options, int type, int& status)
{
    LG_X11_SET_OPTIONS(options);
    status = fresh_status();
    LG_OPEN(0, status);
    LG_OPEN_WK(1, 1, type, status);
    LG_ACTIVATE_WK(1, status);
}

inline void close_window()
{
    int s = ST_GOOD_VALUE;
    LG_CLOSE_WK(1, s);
    LG_CLOSE(s);
    LG_X11_SET_OPTIONS(LgWindowOptions{});
}

class HeadlessWindow : public ::testing::Test
{
protected:
    // Opens the layer and a window workstation (1) whose input is the script.
    void open(const std::string& script, int type = LG_WINDOW_PORTRAIT)
    {
        write_file(dir.file("events.txt"), script);
        LgWindowOptions options;
        options.headless = true;
        options.events_file = dir.file("events.txt");
        options.record_file = record_file;
        options.snapshots_dir = snapshots_dir;
        open_window(options, type, status);
        ASSERT_EQ(status, ST_GOOD_VALUE);
    }

    void TearDown() override { close_window(); }

    // The pixel a colour index is shown with.
    static unsigned pixel_of(int index)
    {
        int s = ST_GOOD_VALUE;
        LgRgb c;
        LG_INQ_COLOUR(index, c, s);
        auto byte = [](float v) { return static_cast<unsigned>(static_cast<int>(255.0f * v)); };
        return byte(c.r) << 16 | byte(c.g) << 8 | byte(c.b);
    }

    // Draws in pixel-like world coordinates: one world unit is one pixel.
    void pixel_world()
    {
        int w = 0, h = 0, error = 0;
        LG_X11_INQ_SIZE(w, h, error);
        const float max = static_cast<float>(std::max(w, h));
        LG_VIEWPORT(0.0f, 0.0f, w / max, h / max, status);
        LG_DATAWINDOW(0.0f, 0.0f, static_cast<float>(w), static_cast<float>(h), status);
    }

    TempDir dir;
    std::string record_file;
    std::string snapshots_dir;
    int status = ST_GOOD_VALUE;
};

} // namespace zyt_test
