// Labels fit their buttons: at the smallest window, the default one, a large
// one, and in print. Ink is measured on the page: with buttons and menu box
// drawn white, every dark pixel near a button must lie on the button.
#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>

#include "gs_test_support.h"
#include "ps_render.h"

using zyt_test::Graphics;

namespace {

class TextFit : public Graphics
{
protected:
    static std::vector<GsFormItem> control_like_items()
    {
        const char* labels[] = {"SINOGRAM MEGABYTES", "CACHE KILOBYTES", "X-PIXEL SIZE",
                                "Y-PIXEL SIZE",       "OVERSAMPLING",    "TAKE LOGARITHM",
                                "OUTPUT FILE",        "FILE INTERVAL",   "BACKGROUND",
                                "ANGLE INCREMENT",    "ROTATION AXIS",   "FLAT-FIELD SERIES"};
        std::vector<GsFormItem> items;
        for (const char* label : labels) {
            GsFormItem item;
            item.label = label;
            item.description = std::string(label) + " USED FOR THE RECONSTRUCTION OF THE VOLUME";
            item.type = GS_ITEM_INTEGER;
            item.int_value = 123456;
            items.push_back(item);
        }
        return items;
    }

    // Dark ink at a pixel (anti-aliased edges included).
    static bool dark(unsigned pixel)
    {
        return ((pixel >> 16) & 255) < 0xd0 || ((pixel >> 8) & 255) < 0xd0 || (pixel & 255) < 0xd0;
    }

    // Counts dark pixels in the rows of a button that lie outside every
    // button of that row, between page x from and to.
    static int spilled_ink(const GsDrawnMenu& m, int i, float from, float to)
    {
        int w = 0, h = 0, error = 0;
        LG_X11_INQ_SIZE(w, h, error);
        const float max = static_cast<float>(std::max(w, h));
        auto px = [&](float x) { return static_cast<int>(x * max); };
        auto py = [&](float y) { return h - static_cast<int>(y * max); };
        int spilled = 0;
        for (int y = py(m.by2[i]) + 1; y < py(m.by1[i]); ++y) {
            for (int x = std::max(0, px(from)); x < std::min(w, px(to)); ++x) {
                if (!dark(LG_X11_PIXEL(x, y))) continue;
                bool on_a_button = false;
                for (int k = 0; k < m.buttons && !on_a_button; ++k)
                    on_a_button = m.by1[k] <= m.by1[i] + 1e-6f && m.by2[k] >= m.by2[i] - 1e-6f &&
                                  x >= px(m.bx1[k]) - 1 && x <= px(m.bx2[k]) + 1;
                if (!on_a_button) ++spilled;
            }
        }
        return spilled;
    }
};

} // namespace

TEST_F(TextFit, FormLabelsStayOnTheirButtonsAtEverySizeAndInPrint)
{
    open("resize 300 424\nresize 1000 1414\n");
    const int white_menus[8] = {GS_WHITE, GS_WHITE, GS_WHITE, GS_WHITE,
                                GS_BLACK, 1,        GS_BLACK, 1};
    GS_SET_MENUSTYLE(white_menus, status);
    const std::vector<GsFormItem> items = control_like_items();
    const std::vector<std::string> title{"RECONSTRUCTION CONTROL FORM"};
    for (int size = 0; size < 3; ++size) {
        GS_DRAW_FORM(1, title, items, status);
        ASSERT_EQ(status, ST_GOOD_VALUE);
        const GsDrawnMenu m = GS_SAVE_DRAWN_MENU();
        ASSERT_EQ(m.buttons, 5 + static_cast<int>(items.size()));
        int w = 0, h = 0, error = 0;
        LG_X11_INQ_SIZE(w, h, error);
        if (const char* keep = std::getenv("ZYT_KEEP_SNAPSHOTS"))
            LG_X11_SNAPSHOT(std::string(keep) + "/text_fit_" + std::to_string(w) + ".png");
        for (int i = 0; i < m.buttons; ++i) {
            // The control row spans the page; an item's row, its CHANGE column.
            const float from = i < 5 ? 0.0f : m.bx1[i] - 0.003f;
            EXPECT_EQ(spilled_ink(m, i, from, 0.7071f), 0)
                << m.labels[i] << " at " << w << " x " << h;
        }
        if (size == 2) break;
        int event = 0;
        float x = 0, y = 0;
        LG_INP_COORDINATE(1, 1, event, x, y, status); // the next size
        ASSERT_EQ(event, LG_EVENT_EXPOSE);
    }

    // In print the labels keep a readable size (tenths of a point, "tf").
    const std::string file = dir.file("form.ps");
    GS_OPEN_PS(file, status);
    bool printing = false;
    GS_ON_PRINT(true, printing, status);
    ASSERT_TRUE(printing);
    GS_DRAW_FORM(1, title, items, status);
    GS_OFF_PRINT(status);
    GS_CLOSE_PS(status);
    const std::string text = zyt_test::read_file(file);
    const std::regex font_line("(\\d+) [12] tf");
    int fonts = 0;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), font_line);
         it != std::sregex_iterator(); ++it, ++fonts)
        EXPECT_GE(std::stoi((*it)[1]), 40) << (*it)[0];
    EXPECT_GT(fonts, 5);
    const zyt_test::Rendered page = zyt_test::render(file, dir.file("form.png"));
    EXPECT_EQ(page.exit_code, 0) << page.messages;
}
