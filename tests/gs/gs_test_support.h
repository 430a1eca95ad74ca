#pragma once
// The graphics system opened on a headless window driven by an event script.

#include <gtest/gtest.h>

#include <cmath>

#include "gs/gs.h"
#include "io/os/os_layer.h"
#include "lg/lg.h"
#include "lg/window/x11.h"
#include "test_support.h"

namespace zyt_test {

// A form item of a type, described as "<LABEL> OF THE TEST".
inline GsFormItem form_item(const std::string& label, int type)
{
    GsFormItem i;
    i.label = label;
    i.description = label + " OF THE TEST";
    i.type = type;
    return i;
}

// A projection-like picture: a bright field with the dark shadow of an
// object of two ellipses, a slow gradient and a little structure.
struct Projection
{
    Projection(int nx, int ny, int xmax, int ymax) : pixels(static_cast<std::size_t>(xmax) * ymax)
    {
        view = ImageView{pixels.data(), xmax, ymax};
        x_axis.resize(static_cast<std::size_t>(xmax));
        y_axis.resize(static_cast<std::size_t>(ymax));
        for (int i = 1; i <= xmax; ++i) x_axis[i - 1] = i - 0.5f;
        for (int j = 1; j <= ymax; ++j) y_axis[j - 1] = j - 0.5f;
        for (int j = 1; j <= ny; ++j)
            for (int i = 1; i <= nx; ++i) {
                const float u = (i - 0.5f) / nx - 0.5f;
                const float v = (j - 0.5f) / ny - 0.5f;
                float path = 0.0f;
                const float a = 1.0f - (u * u) / 0.09f - (v * v) / 0.16f;
                if (a > 0) path += 2.0f * std::sqrt(a);
                const float b = 1.0f - ((u - 0.1f) * (u - 0.1f)) / 0.01f - (v * v) / 0.04f;
                if (b > 0) path += 1.5f * std::sqrt(b);
                view(i, j) = 1000.0f * (1.0f + 0.2f * u) * std::exp(-0.6f * path) +
                             20.0f * std::sin(0.7f * i) * std::sin(0.3f * j);
            }
        image.data = view;
        image.x_axis = x_axis;
        image.y_axis = y_axis;
        image.xend = nx;
        image.yend = ny;
        image.title = "PROJECTION 0001";
        image.xlabel = "Columns";
        image.ylabel = "Rows";
        image.zlabel = "Intensity";
    }
    std::vector<float> pixels;
    std::vector<float> x_axis, y_axis;
    ImageView view;
    GsImage image;
};

class Graphics : public ::testing::Test
{
protected:
    // Snapshots of each wait for input go to snapshots_dir when one is named.
    void open(const std::string& script, std::vector<const char*> arguments = {},
              const std::string& snapshots_dir = "")
    {
        write_file(dir.file("events.txt"), script);
        LgWindowOptions options;
        options.headless = true;
        options.events_file = dir.file("events.txt");
        options.snapshots_dir = snapshots_dir;
        LG_X11_SET_OPTIONS(options);
        arguments.insert(arguments.begin(), "zyt_zevuza");
        IO_SET_ARGUMENTSC(static_cast<int>(arguments.size()), arguments.data());
        status = fresh_status();
        GS_OPEN_GRAPHICS(status);
        ASSERT_EQ(status, ST_GOOD_VALUE);
    }

    void TearDown() override
    {
        int s = ST_GOOD_VALUE;
        GS_CLOSE_GRAPHICS(s);
        LG_X11_SET_OPTIONS(LgWindowOptions{});
        const char* none[] = {"zyt_zevuza"};
        IO_SET_ARGUMENTSC(1, none);
    }

    // The pixel at a page position.
    static unsigned page_pixel(float x, float y)
    {
        int w = 0, h = 0, error = 0;
        LG_X11_INQ_SIZE(w, h, error);
        const int max = std::max(w, h);
        return LG_X11_PIXEL(static_cast<int>(x * max), h - static_cast<int>(y * max));
    }

    // A form titled "TEST FORM" with one help line, on the given items.
    void run_form(std::vector<GsFormItem>& items)
    {
        const std::vector<std::string> title{"TEST FORM"};
        const std::vector<std::string> help{"Help for the test form"};
        const int n = static_cast<int>(items.size());
        GS_FORM(1, 1, title, 1, 1, help, n + 5, n, items, status);
    }

    TempDir dir;
    int status = ST_GOOD_VALUE;
};

} // namespace zyt_test
