#pragma once
// The graphics system opened on a headless window driven by an event script.

#include <gtest/gtest.h>

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

class Graphics : public ::testing::Test
{
protected:
    void open(const std::string& script, std::vector<const char*> arguments = {})
    {
        write_file(dir.file("events.txt"), script);
        LgWindowOptions options;
        options.headless = true;
        options.events_file = dir.file("events.txt");
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
