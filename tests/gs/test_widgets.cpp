#include <gtest/gtest.h>

#include "gs_test_support.h"
#include "ps_render.h"

using zyt_test::ConsoleCapture;
using zyt_test::fresh_status;
using zyt_test::Graphics;

namespace {

class Widgets : public Graphics
{
protected:
    const std::vector<std::string> seven{"A", "B", "C", "D", "E", "F", "G"};
    const std::vector<std::string> no_title{""};

    // Seven choices in three columns in a page rectangle.
    GsDrawnMenu draw_seven(int layout)
    {
        GS_SET_MENULAYOUT(layout, 3, 40, 20, status);
        GS_MENU(1, 0, no_title, 7, 7, seven, 0.1f, 0.1f, 0.4f, 0.4f, status);
        return GS_SAVE_DRAWN_MENU();
    }

    int row_of(const GsDrawnMenu& m, int i) const
    {
        return static_cast<int>((0.4f - m.by2[i]) / 0.1f + 0.5f);
    }
    int column_of(const GsDrawnMenu& m, int i) const
    {
        return static_cast<int>((m.bx1[i] - 0.1f) / 0.1f);
    }
};

const std::vector<std::string> help{"Enter a number of files"};
const std::vector<std::string> second{"The number must lie between 1 and 10"};

} // namespace

TEST_F(Widgets, MenuLayoutsFillRowsOrColumns)
{
    open("");
    GsDrawnMenu m = draw_seven(0);
    ASSERT_EQ(m.buttons, 7);
    // No title: three rows fill the whole height.
    EXPECT_NEAR(m.by2[0], 0.1f + 0.3f - 0.1f * 0.05f, 1e-5f);
    EXPECT_NEAR(m.by1[6], 0.1f + 0.1f * 0.05f, 1e-5f);
    const int rows0[7] = {0, 0, 0, 1, 1, 1, 2};
    const int cols0[7] = {0, 1, 2, 0, 1, 2, 0};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(row_of(m, i), rows0[i]) << i;
        EXPECT_EQ(column_of(m, i), cols0[i]) << i;
    }
    m = draw_seven(1);
    const int rows1[7] = {0, 1, 2, 0, 1, 2, 0};
    const int cols1[7] = {0, 0, 0, 1, 1, 1, 2};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(row_of(m, i), rows1[i]) << i;
        EXPECT_EQ(column_of(m, i), cols1[i]) << i;
    }

    // An edge chooses the button; the gap between two buttons chooses nothing.
    LG_UNITYTRANSFORM(true, status);
    bool inside = false;
    int choice = -1;
    GS_CAL_MENUCHOICE(m.bx1[4], m.by1[4], inside, choice, status);
    EXPECT_EQ(choice, 5);
    GS_CAL_MENUCHOICE(0.2f, 0.35f, inside, choice, status); // between columns 1 and 2
    EXPECT_EQ(choice, 0);
    EXPECT_TRUE(inside);
    GS_CAL_MENUCHOICE(0.5f, 0.35f, inside, choice, status);
    EXPECT_FALSE(inside);
    LG_UNITYTRANSFORM(false, status);

    GS_MENU(0, 0, no_title, 7, 7, seven, 0.1f, 0.1f, 0.4f, 0.4f, status);
    EXPECT_EQ(status, 140001);
    status = fresh_status();
    GS_MENU(1, 0, no_title, 7, 8, seven, 0.1f, 0.1f, 0.4f, 0.4f, status);
    EXPECT_EQ(status, 140005);
    status = fresh_status();
    GS_MENU(1, 0, no_title, 7, 7, seven, 0.5f, 0.1f, 0.4f, 0.4f, status);
    EXPECT_EQ(status, 140013);
}

TEST_F(Widgets, MenuChoiceByScriptAndExposure)
{
    open("click 0.005 0.005\nclick \"E\"\nexpose\n");
    draw_seven(0);
    int type = 0;
    std::string chosen;
    float x = 0, y = 0;
    GS_INP_MENUCHOICE(7, 7, seven, 1, type, chosen, x, y, status);
    EXPECT_EQ(type, 1); // the click outside every button was passed over
    EXPECT_EQ(chosen, "E");
    GS_INP_MENUCHOICE(7, 7, seven, 1, type, chosen, x, y, status);
    EXPECT_EQ(type, 2);
    // A menu button is shown in the menu's colours.
    const GsDrawnMenu m = GS_SAVE_DRAWN_MENU();
    EXPECT_EQ(page_pixel(m.bx1[0] + 0.01f, m.by1[0] + 0.02f), 0xffff00u);
    EXPECT_EQ(page_pixel(0.2f, 0.35f), 0x0000ffu); // between two buttons: the menu
}

TEST_F(Widgets, YesNoQuestion)
{
    open("click \"YES\"\n"
         "click \"HELP\"\nclick \"O.K.\"\nclick \"NO\"\n"
         "click \"CANCEL\"\n");
    const std::vector<std::string> help_lines{"Answer YES to reconstruct from sinograms"};
    bool answer = false;
    GS_INPL(true, "RECONSTRUCT DIRECT FROM SINOGRAMS", 1, help_lines, answer, status);
    EXPECT_TRUE(answer);
    GS_INPL(true, "RECONSTRUCT DIRECT FROM SINOGRAMS", 1, help_lines, answer, status);
    EXPECT_FALSE(answer);
    EXPECT_EQ(status, ST_GOOD_VALUE);
    answer = true;
    GS_INPL(true, "RECONSTRUCT DIRECT FROM SINOGRAMS", 1, help_lines, answer, status);
    EXPECT_EQ(status, ST_ESCAPE_VALUE);
    EXPECT_TRUE(answer);
}

TEST_F(Widgets, IntegerQuestion)
{
    open("key ClearLine\ntext \"7\"\n"                    // valid
         "key ClearLine\ntext \"abc\"\nclick \"O.K.\"\n"   // no number: warned, asked again
         "key ClearLine\ntext \"11\"\nclick \"O.K.\"\n"   // out of range: the second text
         "key ClearLine\ntext \"HELP\"\nclick \"O.K.\"\n" // help, asked again
         "click \"HELP\"\nclick \"O.K.\"\n"               // the HELP button too
         "key ClearLine\ntext \"3\"\n"
         "key ClearLine\ntext \"\"\n"                     // empty: the default stays
         "click \"CANCEL\"\n");
    int value = 5;
    ConsoleCapture console;
    GS_INPI(true, 1, 10, true, "NUMBER OF FILES", 1, help, 1, second, value, status);
    EXPECT_EQ(value, 7);
    GS_INPI(true, 1, 10, true, "NUMBER OF FILES", 1, help, 1, second, value, status);
    EXPECT_EQ(value, 3);
    EXPECT_EQ(console.lines().at(0), "WARNING: Input value: cannot convert to a integer number");
    GS_INPI(true, 1, 10, true, "NUMBER OF FILES", 1, help, 1, second, value, status);
    EXPECT_EQ(value, 3);
    EXPECT_EQ(status, ST_GOOD_VALUE);
    GS_INPI(true, 1, 10, true, "NUMBER OF FILES", 1, help, 1, second, value, status);
    EXPECT_EQ(status, ST_ESCAPE_VALUE);
    EXPECT_EQ(value, 3);
}

TEST_F(Widgets, EmptyAnswerWithoutDefaultIsAskedAgain)
{
    open("text \"\"\ntext \"2.5\"\ntext \"PI\"\n");
    float value = 9.0f;
    GS_INPR(false, 0.0f, 0.0f, false, "ANGLE", 1, help, 0, second, value, status);
    EXPECT_FLOAT_EQ(value, 2.5f);
    GS_INPR(true, 0.0f, 10.0f, false, "ANGLE", 1, help, 0, second, value, status);
    EXPECT_FLOAT_EQ(value, 3.1415926f);
}

TEST_F(Widgets, TextQuestion)
{
    open("tab \"ignored\"\ntext \" name.par\"\n"
         "click \"O.K.\"\n"
         "key ClearLine\nclick \"CANCEL\"\n");
    std::string value = "old";
    int length = 0;
    GS_INPS(true, "NAME OF THE PARAMETER FILE", 1, help, value, length, status);
    EXPECT_EQ(value, "oldignored name.par");
    EXPECT_EQ(length, 19);
    GS_INPS(true, "NAME", 1, help, value, length, status);
    EXPECT_EQ(value, "oldignored name.par");
    GS_INPS(true, "NAME", 1, help, value, length, status);
    EXPECT_EQ(status, ST_ESCAPE_VALUE);
    EXPECT_EQ(value, "oldignored name.par");
}

TEST_F(Widgets, LongMessagesScroll)
{
    std::vector<std::string> text;
    for (int i = 1; i <= 200; ++i) text.push_back("Help line " + std::to_string(i));
    open("click \"PAGE DOWN\"\nclick \"O.K.\"\n"
         "click \"LAST PAGE\"\nclick \"LINE UP\"\nclick \"O.K.\"\n"
         "click \"O.K.\"\n");
    int first = 0, shown = 0;
    bool bar = false;
    GS_MESSAGE(200, 200, text, status);
    GS_INQ_MESSAGE_VIEW(first, shown, bar);
    EXPECT_TRUE(bar);
    ASSERT_GT(shown, 2);
    EXPECT_EQ(first, 1 + shown - 2);
    GS_MESSAGE(200, 200, text, status);
    GS_INQ_MESSAGE_VIEW(first, shown, bar);
    EXPECT_EQ(first, 200 - shown + 1 - 1);
    // A message that fits shows no scroll bar.
    GS_MESSAGE(3, 3, text, status);
    GS_INQ_MESSAGE_VIEW(first, shown, bar);
    EXPECT_FALSE(bar);
    EXPECT_EQ(status, ST_GOOD_VALUE);
}

TEST_F(Widgets, WarningsWaitForOkAndGiveThePageBack)
{
    open("click 0.35 0.5\nclick \"O.K.\"\nclick \"O.K.\"\n");
    const std::vector<std::string> text{"COULD NOT DEDUCE REQUIRED FILE SEQUENCE"};
    GS_FILLSTYLE(1, GS_GREEN, status);
    LG_UNITYTRANSFORM(true, status);
    GS_RECTANGLE(0.0f, 0.0f, 0.7071f, 1.0f, true, false, status);
    LG_UNITYTRANSFORM(false, status);
    GS_FWARNING(1, 1, text, status);
    EXPECT_EQ(status, ST_GOOD_VALUE);
    EXPECT_EQ(page_pixel(0.3f, 0.05f), 0x00ff00u); // the green page is back
    GS_WARNING(0.1f, 0.3f, 0.6f, 0.7f, 1, 1, text, status);
    EXPECT_EQ(status, ST_GOOD_VALUE);
    // The first click, beside the button, did not end the first warning: all
    // three clicks were used and nothing is left.
    int event = 0;
    float px = 0, py = 0;
    LG_INP_COORDINATE(1, 0, event, px, py, status);
    EXPECT_EQ(status, ST_ESCAPE_VALUE);
}

TEST_F(Widgets, WarningLayouts)
{
    // In the wide strip at the foot the button sits at the right end; in a
    // taller box it sits at the foot, under the text. Each click must hit it.
    open("snapshot " + dir.file("wide") + "\nclick 0.65 0.05\n"
         "snapshot " + dir.file("tall") + "\nclick 0.35 0.35\n");
    const std::vector<std::string> text{"A warning line"};
    GS_FWARNING(1, 1, text, status);
    EXPECT_EQ(status, ST_GOOD_VALUE);
    GS_WARNING(0.1f, 0.3f, 0.6f, 0.7f, 1, 1, text, status);
    EXPECT_EQ(status, ST_GOOD_VALUE);
    EXPECT_TRUE(std::filesystem::exists(dir.file("wide.png")));
}

TEST_F(Widgets, PromptsSizeTheirText)
{
    open("");
    const std::vector<std::string> line{std::string(60, 'W')};
    GS_PROMPT(false, 1, 1, line, 0.1f, 0.1f, 0.3f, 0.2f, status);
    EXPECT_EQ(status, ST_GOOD_VALUE);
    GS_PROMPT(false, 0, 0, line, 0.1f, 0.1f, 0.3f, 0.2f, status);
    EXPECT_EQ(status, 140001);
    status = fresh_status();
    GS_PROMPT(false, 1, 2, line, 0.1f, 0.1f, 0.3f, 0.2f, status);
    EXPECT_EQ(status, 140005);
    status = fresh_status();
    GS_SPROMPT(3, "Enter the angle between two projections in degrees", 0.1f, 0.5f, 0.6f, 0.6f,
               status);
    EXPECT_EQ(status, ST_GOOD_VALUE);
}

TEST_F(Widgets, MessageTextSavedToAFile)
{
    const std::string file = dir.file("help.txt");
    open("click \"SAVE\"\nkey ClearLine\ntext \"" + file + "\"\nclick \"O.K.\"\n");
    const std::vector<std::string> text{"First help line", "Second help line   "};
    GS_MESSAGE(2, 2, text, status);
    EXPECT_EQ(status, ST_GOOD_VALUE);
    EXPECT_EQ(zyt_test::read_file(file), "First help line\nSecond help line\n");
}

TEST_F(Widgets, MenuDocumentationPrintsTheMenu)
{
    const std::string file = dir.file("menu.ps");
    // A click on the menu's title (inside the menu, on no button) offers to print it.
    open("click 0.35 0.14\ntext \"" + file + "\"\n", {"+DMENU"});
    const std::vector<std::string> title{"RECONSTRUCT DIRECT FROM SINOGRAMS"};
    const std::vector<std::string> labels{"CANCEL", "HELP", "YES", "NO"};
    GS_SET_MENULAYOUT(0, 2, 40, 6, status);
    GS_FMENU(1, 1, title, 4, 4, labels, status);
    int type = 0;
    std::string chosen;
    float x = 0, y = 0;
    GS_INP_MENUCHOICE(4, 4, labels, 1, type, chosen, x, y, status);
    EXPECT_EQ(type, 2);
    EXPECT_EQ(status, ST_GOOD_VALUE);
    const std::string text = zyt_test::read_file(file);
    EXPECT_NE(text.find("(RECONSTRUCT DIRECT FROM SINOGRAMS)"), std::string::npos);
    EXPECT_NE(text.find("% End of PostScript file"), std::string::npos);
    const zyt_test::Rendered page = zyt_test::render(file, dir.file("menu.png"));
    EXPECT_EQ(page.exit_code, 0) << page.messages;
    ASSERT_NE(page.page, nullptr);
    EXPECT_EQ(page.at(0.02f, 0.14f), 0x0000ffu); // the menu's blue frame area
}

TEST_F(Widgets, FormDocumentationPrintsTheQuestion)
{
    const std::string file = dir.file("question.ps");
    // With +DFORM a click beside the buttons offers to print the question.
    open("click 0.35 0.5\ntext \"" + file + "\"\nclick \"YES\"\n", {"+DFORM"});
    const std::vector<std::string> help{"Help"};
    bool answer = false;
    GS_INPL(true, "RECONSTRUCT DIRECT FROM SINOGRAMS", 1, help, answer, status);
    EXPECT_TRUE(answer);
    const zyt_test::Rendered page = zyt_test::render(file, dir.file("question.png"));
    EXPECT_EQ(page.exit_code, 0) << page.messages;
    ASSERT_NE(page.page, nullptr);
    EXPECT_EQ(page.at(0.18f, 0.025f), 0xffff00u); // a yellow button of the question
}
