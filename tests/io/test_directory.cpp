#include <gtest/gtest.h>

#include <filesystem>

#include "io/directory.h"
#include "io/os/os_layer.h"
#include "test_support.h"

using zyt_test::fresh_status;
using zyt_test::TempDir;
using zyt_test::write_file;

namespace {

std::vector<std::string> shown(const IoFileList& list)
{
    std::vector<std::string> names;
    for (int k : list.order) names.push_back(list.names[k]);
    return names;
}

} // namespace

TEST(Directories, ListingKeepsFilesAndDirectoriesApart)
{
    TempDir dir;
    int status = fresh_status();
    int retstat = 9;
    IoFileList list;
    IO_LISTFILES(dir.path().string(), {}, {}, "", retstat, list, status);
    EXPECT_EQ(retstat, 0);
    EXPECT_TRUE(list.names.empty()); // "." and ".." are never listed

    for (const char* name : {"B.tif", "a.tif", "A.tif", "a.TIF", "scan1.tif", "xscan1.tif",
                             "a.tiff", "notes"})
        write_file(dir.file(name), "x");
    std::filesystem::create_directory(dir.file("sub"));
    std::filesystem::create_symlink(dir.file("sub"), dir.file("link_to_sub"));
    IO_DIRECTORY(false, dir.path().string(), {}, retstat, list, status);
    std::vector<std::string> directories = list.names;
    std::sort(directories.begin(), directories.end());
    EXPECT_EQ(directories, (std::vector<std::string>{"link_to_sub", "sub"}));

    IO_LISTFILES(dir.path().string(), {}, {}, "", retstat, list, status);
    EXPECT_EQ(list.displayed, 8);
    // By character code: capitals first, shorter names before longer ones.
    EXPECT_EQ(shown(list), (std::vector<std::string>{"A.tif", "B.tif", "a.TIF", "a.tif", "a.tiff",
                                                     "notes", "scan1.tif", "xscan1.tif"}));

    IO_LISTFILES(dir.path().string(), {}, {"tif", "tiff"}, "", retstat, list, status);
    EXPECT_EQ(shown(list), (std::vector<std::string>{"A.tif", "B.tif", "a.tif", "a.tiff",
                                                     "scan1.tif", "xscan1.tif"}));
    IO_LISTFILES(dir.path().string(), {}, {}, "scan*", retstat, list, status);
    EXPECT_EQ(shown(list), (std::vector<std::string>{"scan1.tif"}));
    IO_LISTFILES(dir.path().string(), {}, {}, "*.tif", retstat, list, status);
    EXPECT_EQ(list.displayed, 5);
    IO_LISTFILES(dir.path().string(), {}, {}, "*", retstat, list, status);
    EXPECT_EQ(list.displayed, 8);
    IO_LISTFILES(dir.file("missing"), {}, {}, "", retstat, list, status);
    EXPECT_EQ(retstat, 1);
}

TEST(Directories, ListingLimits)
{
    TempDir dir;
    for (int i = 0; i < 30; ++i) write_file(dir.file("file_" + std::to_string(i) + ".dat"), "");
    const std::string cwd_before = std::filesystem::current_path().string();
    int status = fresh_status();
    int retstat = 0;
    IoFileList list;
    IO_DIRECTORY(true, dir.path().string(), {10, 65535}, retstat, list, status);
    EXPECT_EQ(retstat, 2);
    EXPECT_EQ(list.names.size(), 10u);
    IO_DIRECTORY(true, dir.path().string(), {100, 50}, retstat, list, status);
    EXPECT_EQ(retstat, 3);
    EXPECT_LE(list.names.size(), 50u / 10u);
    EXPECT_EQ(std::filesystem::current_path().string(), cwd_before);
    IO_DIRECTORY(true, dir.path().string(), {1, 10}, retstat, list, status);
    EXPECT_EQ(status, 10033);
}

// The limit counts the files that pass the type and pattern tests, so a
// large directory still shows every file asked for.
TEST(Directories, LimitsApplyToTheFilesThatPassTheFilters)
{
    TempDir dir;
    for (int i = 0; i < 100; ++i) write_file(dir.file("other_" + std::to_string(i) + ".dat"), "");
    for (int i = 0; i < 10; ++i) write_file(dir.file("scan_" + std::to_string(i) + ".tif"), "");
    int status = fresh_status();
    int retstat = 9;
    IoFileList list;
    IO_LISTFILES(dir.path().string(), {20, 65535}, {"tif"}, "", retstat, list, status);
    EXPECT_EQ(retstat, 0);
    ASSERT_EQ(list.displayed, 10);
    EXPECT_EQ(shown(list).front(), "scan_0.tif");
    IO_LISTFILES(dir.path().string(), {20, 65535}, {}, "scan_*", retstat, list, status);
    EXPECT_EQ(retstat, 0);
    EXPECT_EQ(list.displayed, 10);
    // Without filters the listing is cut at the limit and says so.
    IO_LISTFILES(dir.path().string(), {20, 65535}, {}, "", retstat, list, status);
    EXPECT_EQ(retstat, 2);
    EXPECT_EQ(list.displayed, 20);
    EXPECT_EQ(list.order.size(), 20u);
    EXPECT_EQ(status, ST_GOOD_VALUE);
}

TEST(Directories, PatternsAndTypes)
{
    EXPECT_TRUE(IO_STRINGMATCH("scan0001.tif", "scan*.tif"));
    EXPECT_TRUE(IO_STRINGMATCH("abc", "a*b*c"));
    EXPECT_TRUE(IO_STRINGMATCH("abc", "abc"));
    EXPECT_TRUE(IO_STRINGMATCH("", "*"));
    EXPECT_FALSE(IO_STRINGMATCH("abcd", "abc"));
    EXPECT_FALSE(IO_STRINGMATCH("ab", "a*b*c"));
    EXPECT_FALSE(IO_STRINGMATCH("xab", "a*"));
    EXPECT_FALSE(IO_STRINGMATCH("aba", "a*ab")); // the end must match too
    EXPECT_TRUE(IO_STRINGMATCH("abab", "a*ab"));
    EXPECT_TRUE(IO_FILETYPE("a.b.tif", "tif"));
    EXPECT_FALSE(IO_FILETYPE("a.TIF", "tif"));
    EXPECT_FALSE(IO_FILETYPE(".tif", "tif"));
    EXPECT_FALSE(IO_FILETYPE("tif.", "tif"));
    EXPECT_FALSE(IO_FILETYPE("tif", "tif"));
}

TEST(Directories, ClimbingAndChanging)
{
    int status = fresh_status();
    int retstat = 9;
    std::string d = "/usr/share";
    IO_UP_DIRECTORY(d, retstat, status);
    EXPECT_EQ(d, "/usr");
    IO_UP_DIRECTORY(d, retstat, status);
    EXPECT_EQ(d, "/");
    EXPECT_EQ(retstat, 0);
    IO_UP_DIRECTORY(d, retstat, status);
    EXPECT_EQ(retstat, 1);
    EXPECT_EQ(d, "/");

    TempDir dir;
    std::filesystem::create_directories(dir.file("data/run1"));
    write_file(dir.file("data/run1/scan1.tif"), "x");
    const std::string top = dir.path().string();
    std::string current = top;
    bool is_file = true;
    std::string file;
    IO_CHANGEDIR(current, "data/run1", retstat, is_file, file, status);
    EXPECT_EQ(retstat, 0);
    EXPECT_FALSE(is_file);
    EXPECT_EQ(current, top + "/data/run1");
    IO_CHANGEDIR(current, "../..", retstat, is_file, file, status);
    EXPECT_EQ(current, top);
    IO_CHANGEDIR(current, "data/run1/scan1.tif", retstat, is_file, file, status);
    EXPECT_TRUE(is_file);
    EXPECT_EQ(file, top + "/data/run1/scan1.tif");
    EXPECT_EQ(current, top + "/data/run1");
    IO_CHANGEDIR(current, top + "/data/", retstat, is_file, file, status);
    EXPECT_EQ(current, top + "/data");
    IO_CHANGEDIR(current, "missing", retstat, is_file, file, status);
    EXPECT_EQ(retstat, 1);
    EXPECT_EQ(current, top + "/data");
    // A name that does not exist yet is still resolved against the current
    // directory, ".." parts included, for a new file to be made there.
    EXPECT_EQ(file, top + "/data/missing");
    IO_CHANGEDIR(current, "../new.par", retstat, is_file, file, status);
    EXPECT_EQ(retstat, 1);
    EXPECT_EQ(file, top + "/new.par");
    EXPECT_EQ(current, top + "/data");
    IO_CHANGEDIR(current, "..x", retstat, is_file, file, status);
    EXPECT_EQ(retstat, 2);
    IO_CHANGEDIR(current, ".", retstat, is_file, file, status);
    EXPECT_EQ(retstat, 0);
    EXPECT_EQ(current, top + "/data");
    IO_CHANGEDIR(current, "~", retstat, is_file, file, status);
    EXPECT_EQ(current, std::string(std::getenv("HOME")));

    EXPECT_EQ(IO_GETCWD(status), std::filesystem::current_path().string());
    long long size = 0;
    IO_FILESIZE(dir.file("data/run1/scan1.tif"), size, status);
    EXPECT_EQ(size, 1);
    IO_FILESIZE(dir.file("nothing"), size, status);
    EXPECT_EQ(size, -1);
}
