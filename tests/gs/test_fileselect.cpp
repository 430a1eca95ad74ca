#include <gtest/gtest.h>

#include <filesystem>

#include "gs_test_support.h"
#include "ps_render.h"

using zyt_test::fresh_status;
using zyt_test::Graphics;
using zyt_test::write_file;

namespace {

class FileSelection : public Graphics
{
protected:
    void SetUp() override
    {
        GS_DEF_FILESELECTION();
        tree = dir.file("tree");
        std::filesystem::create_directories(tree + "/sub");
        std::filesystem::create_directories(tree + "/other");
        for (const char* name : {"scan_a1.tif", "scan_a2.tif", "flat.dat", "dark.edf"})
            write_file(tree + "/" + name, "x");
        write_file(tree + "/sub/inside.tif", "x");
    }

    // The panel in a mode, starting from a default name; the chosen name.
    std::string select(int mode, const std::string& default_name, bool confirm = false)
    {
        const std::vector<std::string> prompt{"SELECT A FILE"};
        const std::vector<std::string> info{"Any file will do"};
        std::string name = default_name;
        retstat = -1;
        GS_FILESELECTION(1, 1, prompt, 1, 1, info, mode, confirm, retstat, name, status);
        return name;
    }

    std::string tree;
    int retstat = -1;
};

} // namespace

TEST_F(FileSelection, ClickedFilesAndDirectories)
{
    open("click \"flat.dat\"\nclick \"sub\"\nclick \"inside.tif\"\n");
    EXPECT_EQ(select(0, tree + "/"), tree + "/flat.dat");
    EXPECT_EQ(retstat, 0);
    EXPECT_EQ(select(0, tree + "/"), tree + "/sub/inside.tif");
    EXPECT_EQ(status, ST_GOOD_VALUE);
}

// Under its warning and its confirmation (the file chosen marked) the panel
// is drawn whole again after the window was resized: resized away and back,
// the page is as it was.
TEST_F(FileSelection, ThePanelUnderItsQuestionsIsDrawnWholeAfterAResize)
{
    const auto resized = [&](const std::string& k) {
        return "snapshot \"" + dir.file("a" + k) + "\"\nresize 354 500\nresize 500 707\n" +
               "snapshot \"" + dir.file("b" + k) + "\"\n";
    };
    open("key ClearLine\ntext \"missing.tif\"\n" + resized("1") + "click \"O.K.\"\n" +
         "click \"flat.dat\"\n" + resized("2") + "click \"YES\"\n");
    EXPECT_EQ(select(0, tree + "/", true), tree + "/flat.dat");
    for (const char* k : {"1", "2"})
        EXPECT_EQ(zyt_test::differing_pixels(dir.file(std::string("a") + k + ".png"),
                                             dir.file(std::string("b") + k + ".png")),
                  0)
            << k;
}

TEST_F(FileSelection, ADefaultNameStartsInItsDirectoryAlreadyTyped)
{
    open("key Return\nclick \"CANCEL\"\n");
    EXPECT_EQ(select(0, tree + "/dark.edf"), tree + "/dark.edf");
    const std::string unchanged = select(0, tree + "/dark.edf");
    EXPECT_EQ(retstat, 1);
    EXPECT_EQ(unchanged, tree + "/dark.edf");
    EXPECT_EQ(status, ST_GOOD_VALUE); // a cancel is no error
}

TEST_F(FileSelection, UpDirAtTheRootWarnsAndStays)
{
    open("click \"UP DIR\"\nclick \"O.K.\"\nclick \"UP DIR\"\nclick \"O.K.\"\nclick \"CANCEL\"\n");
    select(0, "/x");
    EXPECT_EQ(retstat, 1);
    EXPECT_EQ(status, ST_GOOD_VALUE);
}

TEST_F(FileSelection, TypedNamesInEachMode)
{
    open("text \"missing.dat\"\nclick \"O.K.\"\n"  // mode 0: refused
         "text \"sub\"\n"                          // a directory is entered
         "text \"../flat.dat\"\n"                  // relative, climbing
         "text \"flat.dat\"\nclick \"O.K.\"\n"     // mode 4: an existing file is refused
         "text \"new.par\"\n"                      // mode 4: a new file
         "text \"~/new.par\"\n"                    // returned as typed
         "click \"TYPES\"\ntext \"tif\"\n"
         "text \"flat.dat\"\nclick \"O.K.\"\n"     // mode 1: not a listed file
         "click \"TYPES\"\nkey ClearLine\ntext \"\"\n"
         "text \"flat.dat\"\n");
    EXPECT_EQ(select(0, tree + "/"), tree + "/flat.dat");
    EXPECT_EQ(select(4, tree + "/"), tree + "/new.par");
    EXPECT_EQ(select(3, tree + "/"), "~/new.par");
    EXPECT_EQ(select(1, tree + "/"), tree + "/flat.dat");
    EXPECT_EQ(retstat, 0);
    EXPECT_EQ(status, ST_GOOD_VALUE);
}

// A name typed or clicked always means a file of the directory shown, even
// when it begins with ".." or "~" like a path of its own.
TEST_F(FileSelection, NamesAreTakenInTheDirectoryShown)
{
    for (const char* name : {"..dots.dat", "~tilde.dat"}) write_file(tree + "/sub/" + name, "x");
    open("text \"../new.par\"\n"           // a new file one level up
         "text \"../../tree/sub/new.par\"\n"
         "click \"..dots.dat\"\n"
         "click \"~tilde.dat\"\n");
    EXPECT_EQ(select(3, tree + "/sub/"), tree + "/new.par");
    EXPECT_EQ(select(3, tree + "/sub/"), tree + "/sub/new.par");
    EXPECT_EQ(select(3, tree + "/sub/"), tree + "/sub/..dots.dat");
    EXPECT_EQ(select(3, tree + "/sub/"), tree + "/sub/~tilde.dat");
    EXPECT_EQ(retstat, 0);
}

// Started where the working directory has been removed, the panel opens in
// the home directory instead of giving up.
TEST_F(FileSelection, AWorkingDirectoryThatIsGoneGivesTheHomeDirectory)
{
    const std::filesystem::path before = std::filesystem::current_path();
    const std::string old_home = std::getenv("HOME");
    const std::string home = dir.file("home");
    std::filesystem::create_directories(home);
    std::filesystem::create_directories(dir.file("gone"));
    std::filesystem::current_path(dir.file("gone"));
    std::filesystem::remove(dir.file("gone"));
    ::setenv("HOME", home.c_str(), 1);
    open("text \"chosen.par\"\n");
    std::string chosen;
    {
        zyt_test::ConsoleCapture console;
        chosen = select(3, "");
        EXPECT_NE(console.text().find("WARNING: Can't find out current directory"),
                  std::string::npos);
    }
    ::setenv("HOME", old_home.c_str(), 1);
    std::filesystem::current_path(before);
    EXPECT_EQ(retstat, 0);
    EXPECT_EQ(chosen, home + "/chosen.par");
}

// More files than the panel lists: the files of the chosen type are listed
// all the same, and a cut list says so under it.
TEST_F(FileSelection, AListCutShort)
{
    const std::string many = dir.file("many");
    std::filesystem::create_directories(many);
    for (int i = 0; i < 10001; ++i) write_file(many + "/f" + std::to_string(i) + ".dat", "");
    write_file(many + "/wanted.tif", "");
    // The note is the only red on the panel.
    auto red_pixels = [] {
        int w = 0, h = 0, error = 0;
        LG_X11_INQ_SIZE(w, h, error);
        int n = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const unsigned rgb = LG_X11_PIXEL(x, y);
                n += (rgb >> 16) > 0xc0 && ((rgb >> 8) & 0xff) < 0x60 && (rgb & 0xff) < 0x60;
            }
        return n;
    };
    open("click \"CANCEL\"\n"
         "click \"TYPES\"\ntext \"tif\"\nclick \"wanted.tif\"\n");
    select(1, many + "/");
    EXPECT_EQ(retstat, 1);
    EXPECT_GT(red_pixels(), 20) << "no note under the file list";
    EXPECT_EQ(select(1, many + "/"), many + "/wanted.tif");
    EXPECT_EQ(red_pixels(), 0);
}

TEST_F(FileSelection, CompletionWithTheTabKey)
{
    open("tab \"su\"\n"                 // one match, a directory: entered
         "click \"inside.tif\"\n"
         "tab \"sc\"\n"                 // several matches: the common start
         "tab \"\"\n"                   // the same again: only the matches are listed
         "text \"1.tif\"\n");
    EXPECT_EQ(select(0, tree + "/"), tree + "/sub/inside.tif");
    EXPECT_EQ(select(0, tree + "/"), tree + "/scan_a1.tif");
}

TEST_F(FileSelection, ScrollingAndConfirmation)
{
    for (int i = 0; i < 100; ++i) write_file(tree + "/other/f" + std::to_string(1000 + i) + ".dat", "");
    // f1099 is not on the first page of the list: only on the last.
    open("click \"FILES LAST PAGE\"\nclick \"f1099.dat\"\nclick \"NO\"\n"
         "click \"FILES FIRST PAGE\"\nclick \"FILES LINE DOWN\"\nclick \"f1001.dat\"\n"
         "click \"YES\"\n");
    EXPECT_EQ(select(2, tree + "/other/", true), tree + "/other/f1001.dat");
    EXPECT_EQ(retstat, 0);
}

TEST_F(FileSelection, TheOutputDirectoryIsRemembered)
{
    open("click \"sub\"\ntext \"out.par\"\ntext \"again.par\"\n");
    EXPECT_EQ(select(3, tree + "/"), tree + "/sub/out.par");
    EXPECT_EQ(select(3, ""), tree + "/sub/again.par");
}

// With documentation on (+DFORM) a click beside the panel's parts prints the
// panel, and the panel is there again to choose from.
TEST_F(FileSelection, DocumentationPrintsThePanel)
{
    const std::string file = dir.file("panel.ps");
    open("click 0.35 0.85\nkey ClearLine\ntext \"" + file + "\"\nclick \"flat.dat\"\n",
         {"+DFORM"});
    EXPECT_EQ(select(0, tree + "/"), tree + "/flat.dat");
    EXPECT_EQ(status, ST_GOOD_VALUE);
    EXPECT_NE(zyt_test::read_file(file).find("(flat.dat)"), std::string::npos);
    const zyt_test::Rendered page = zyt_test::render(file, zyt_test::png_file(dir, "panel.png"));
    ASSERT_EQ(page.exit_code, 0) << page.messages;
    ASSERT_NE(page.page, nullptr);
    // The file list: a yellow box, its four names in blue at the top.
    const auto blue = [](unsigned rgb) { return (rgb & 0xff) > 0xc0 && (rgb >> 16) < 0x60; };
    EXPECT_GT(page.count(0.36f, 0.70f, 0.60f, 0.82f, blue), 200);
    EXPECT_EQ(page.count(0.36f, 0.20f, 0.70f, 0.60f, blue), 0);
    EXPECT_EQ(page.at(0.53f, 0.3f), 0xffff00u);
}

TEST_F(FileSelection, BadArguments)
{
    open("");
    const std::vector<std::string> prompt{"P"};
    std::string name;
    GS_FILESELECTION(0, 0, prompt, 1, 1, prompt, 0, false, retstat, name, status);
    EXPECT_EQ(status, 140001);
    status = fresh_status();
    GS_FILESELECTION(1, 2, prompt, 1, 1, prompt, 0, false, retstat, name, status);
    EXPECT_EQ(status, 140005);
}
