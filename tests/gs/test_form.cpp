#include <gtest/gtest.h>

#include "gs_test_support.h"
#include "ps_render.h"

using zyt_test::fresh_status;
using zyt_test::Graphics;

namespace {

class Form : public Graphics
{
protected:
    static GsFormItem item(const std::string& label, int type)
    {
        return zyt_test::form_item(label, type);
    }

    // One item of every type.
    std::vector<GsFormItem> every_type()
    {
        std::vector<GsFormItem> items;
        items.push_back(item("NUMBER", 1));
        items.back().range = true;
        items.back().int_min = 1;
        items.back().int_max = 10;
        items.back().int_value = 5;
        items.push_back(item("SWITCH", 2));
        items.back().logical_value = true;
        items.push_back(item("REAL", 3));
        items.back().real_value = 1.5f;
        items.push_back(item("TEXT", 4));
        items.back().text_value = "old text";
        items.push_back(item("COLOUR", 5));
        items.back().int_value = GS_BLUE;
        items.push_back(item("DATA TYPE", 6));
        items.back().int_value = 1;
        items.push_back(item("INPUT FILE", 7));
        items.push_back(item("OUTPUT FILE", 8));
        items.push_back(item("SCAN", 9));
        items.back().int_value = 1;
        items.push_back(item("CHOICE", 10));
        items.back().choices = {"FIRST", "SECOND", "THIRD"};
        items.back().int_value = 1;
        return items;
    }
};

} // namespace

TEST_F(Form, EveryItemTypeIsEditedAndKeptOnOk)
{
    // File items are chosen on the file-selection panel: an input file must exist.
    const std::string input = dir.file("in.dat");
    const std::string output = dir.file("out.vol");
    zyt_test::write_file(input, "x");
    open("click \"NUMBER\"\nkey ClearLine\ntext \"7\"\n"
         "click \"SWITCH\"\n"
         "click \"REAL\"\nkey ClearLine\ntext \"2.25\"\n"
         "click \"TEXT\"\nkey ClearLine\ntext \"new text\"\n"
         "click \"COLOUR\"\nclick \"RED\"\n"
         "click \"DATA TYPE\"\nclick \"BYTE VALUES\"\n"
         "click \"INPUT FILE\"\ntext \"" + input + "\"\n"
         "click \"OUTPUT FILE\"\ntext \"" + output + "\"\n"
         "click \"SCAN\"\nclick \"Q-SPACE\"\n"
         "click \"CHOICE\"\nclick \"THIRD\"\n"
         "expose\n"
         "click \"O.K.\"\n");
    std::vector<GsFormItem> items = every_type();
    run_form(items);
    ASSERT_EQ(status, ST_GOOD_VALUE);
    EXPECT_EQ(items[0].int_value, 7);
    EXPECT_FALSE(items[1].logical_value);
    EXPECT_FLOAT_EQ(items[2].real_value, 2.25f);
    EXPECT_EQ(items[3].text_value, "new text");
    EXPECT_EQ(items[4].int_value, GS_RED);
    EXPECT_EQ(items[5].int_value, 2);
    EXPECT_EQ(items[6].text_value, input);
    EXPECT_EQ(items[7].text_value, output);
    EXPECT_EQ(items[8].int_value, 3);
    EXPECT_EQ(items[9].int_value, 3);
    EXPECT_EQ(GS_FORM_VALUE_TEXT(items[4]), "RED");
    EXPECT_EQ(GS_FORM_VALUE_TEXT(items[8]), "Q-SPACE");
    EXPECT_EQ(GS_FORM_VALUE_TEXT(items[9]), "THIRD");
    EXPECT_EQ(GS_FORM_VALUE_TEXT(items[1]), "NO");
}

TEST_F(Form, CancelAfterEditsReturnsTheValuesPassedIn)
{
    open("click \"NUMBER\"\nkey ClearLine\ntext \"9\"\nclick \"SWITCH\"\n"
         "click \"COLOUR\"\nclick \"GREEN\"\nclick \"CANCEL\"\n");
    std::vector<GsFormItem> items = every_type();
    run_form(items);
    EXPECT_EQ(status, ST_ESCAPE_VALUE);
    EXPECT_EQ(items[0].int_value, 5);
    EXPECT_TRUE(items[1].logical_value);
    EXPECT_EQ(items[4].int_value, GS_BLUE);
}

TEST_F(Form, TwentyItemsFitAndTwentyOneAreRefused)
{
    open("click \"ITEM 20\"\nclick \"O.K.\"\n");
    std::vector<GsFormItem> items;
    for (int i = 1; i <= 21; ++i) items.push_back(item("ITEM " + std::to_string(i), 2));
    const std::vector<std::string> title{"TEST FORM"};
    GS_FORM(1, 1, title, 1, 0, title, 26, 21, items, status);
    EXPECT_EQ(status, 140009);
    status = fresh_status();
    items.pop_back();
    GS_FORM(1, 1, title, 1, 0, title, 24, 20, items, status);
    EXPECT_EQ(status, 140005); // no room for the five control labels
    status = fresh_status();
    GS_FORM(1, 1, title, 1, 0, title, 25, 20, items, status);
    EXPECT_EQ(status, ST_GOOD_VALUE);
    EXPECT_TRUE(items[19].logical_value); // the twentieth row was there to click
    const GsDrawnMenu menu = GS_SAVE_DRAWN_MENU();
    EXPECT_EQ(menu.buttons, 25);
    // Twenty rows of equal height, one under the other.
    const float row = menu.by2[5] - menu.by2[6];
    EXPECT_GT(row, 0.0f);
    EXPECT_NEAR(menu.by2[5] - menu.by2[24], 19 * row, 1e-4f);
    GS_FORM(1, 1, title, 1, 0, title, 25, 0, items, status);
    EXPECT_EQ(status, 140017);
}

TEST_F(Form, ListMenusOnlyForTheFirstTwelveItems)
{
    const std::string shot = dir.file("warning");
    open("click \"ITEM 13\"\nsnapshot " + shot + "\nclick \"O.K.\"\nclick \"O.K.\"\n");
    std::vector<GsFormItem> items;
    for (int i = 1; i <= 13; ++i) {
        items.push_back(item("ITEM " + std::to_string(i), 10));
        items.back().choices = {"ONE", "TWO"};
        items.back().int_value = 1;
    }
    run_form(items);
    EXPECT_EQ(status, ST_GOOD_VALUE);
    EXPECT_EQ(items[12].int_value, 1);
    // The warning stood in the strip at the foot of the form (red).
    std::unique_ptr<cairo_surface_t, void (*)(cairo_surface_t*)> png(
        cairo_image_surface_create_from_png((shot + ".png").c_str()), cairo_surface_destroy);
    ASSERT_EQ(cairo_surface_status(png.get()), CAIRO_STATUS_SUCCESS);
    const unsigned char* data = cairo_image_surface_get_data(png.get());
    const int stride = cairo_image_surface_get_stride(png.get());
    const unsigned pixel = *reinterpret_cast<const unsigned*>(data + 700 * stride + 5 * 4);
    EXPECT_EQ(pixel & 0xffffffu, 0xff0000u);
    // Both clicks on O.K. were used: the warning's and the form's.
    int event = 0;
    float x = 0, y = 0;
    LG_INP_COORDINATE(1, 0, event, x, y, status);
    EXPECT_EQ(status, ST_ESCAPE_VALUE);
}

TEST_F(Form, HelpInformationAndButtonDescriptions)
{
    open("click \"?\"\nclick \"O.K.\"\nclick \"INFO\"\nclick \"O.K.\"\n"
         "click \"HELP\"\nclick \"O.K.\"\nclick \"O.K.\"\n");
    std::vector<GsFormItem> items = every_type();
    run_form(items);
    EXPECT_EQ(status, ST_GOOD_VALUE);
    EXPECT_EQ(items[0].int_value, 5);
}

TEST_F(Form, DocumentationPrintsTheForm)
{
    const std::string file = dir.file("form.ps");
    open("click 0.35 0.95\nkey ClearLine\ntext \"" + file + "\"\nclick \"O.K.\"\n", {"+DFORM"});
    std::vector<GsFormItem> items = every_type();
    run_form(items);
    EXPECT_EQ(status, ST_GOOD_VALUE);
    const std::string text = zyt_test::read_file(file);
    EXPECT_NE(text.find("(DESCRIPTIONS)"), std::string::npos);
    const zyt_test::Rendered page = zyt_test::render(file, dir.file("form.png"));
    EXPECT_EQ(page.exit_code, 0) << page.messages;
    ASSERT_NE(page.page, nullptr);
    EXPECT_EQ(page.at(0.35f, 0.95f), 0xffff00u); // the yellow title box
}

// A print file that cannot be opened is reported and costs only the print:
// the form goes on with its edits.
TEST_F(Form, APrintFileThatCannotBeOpenedKeepsTheForm)
{
    open("click \"SWITCH\"\nclick 0.35 0.95\nkey ClearLine\ntext \"" + dir.file("none/form.ps") +
             "\"\nclick \"O.K.\"\n",
         {"+DFORM"});
    std::vector<GsFormItem> items = every_type();
    const zyt_test::ConsoleCapture console;
    run_form(items);
    EXPECT_EQ(status, ST_GOOD_VALUE);
    EXPECT_FALSE(items[1].logical_value);
    EXPECT_NE(console.text().find("ERROR: Failed to open ASCII text file"), std::string::npos);
    // Reported and recovered from: not an error position for the end of the run.
    EXPECT_EQ(ST_INQ_POSITION(), "");
}
