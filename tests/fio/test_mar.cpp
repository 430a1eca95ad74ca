#include <gtest/gtest.h>

#include <filesystem>

#include "fio_test_support.h"

using namespace zyt_test;

namespace {

class Mar : public FioTest
{
protected:
    static std::string fixture(const std::string& name) { return mar_fixtures() + "/" + name; }

    // A fixture's bytes, changed, as a new file of the same extension.
    std::string damaged(const std::string& name, void (*change)(std::string&))
    {
        std::string bytes = read_file(fixture(name));
        change(bytes);
        const std::string path =
            dir.file("damaged" + std::filesystem::path(name).extension().string());
        write_file(path, bytes);
        return path;
    }

    // FIO_IN_MAR into arrays of xmax x ymax.
    int read_into(const std::string& path, int xmax, int ymax, bool packed = false)
    {
        data.assign(static_cast<std::size_t>(xmax) * ymax, -1.0f);
        x_axis.assign(static_cast<std::size_t>(xmax), 0.0f);
        y_axis.assign(static_cast<std::size_t>(ymax), 0.0f);
        view = ImageView{data.data(), xmax, ymax};
        std::string name = path;
        int retstat = -9;
        bool variances = false;
        FIO_IN_MAR(gui, packed, variances, name, retstat, xnum, ynum, x_axis, y_axis, view,
                   ImageView{}, title, xlabel, ylabel, zlabel, x_pixel_size, y_pixel_size, status);
        return retstat;
    }

    // The lower-left w x h pixels of an expected image of the given width.
    static std::vector<float> corner(const std::vector<float>& image, int width, int w, int h)
    {
        std::vector<float> part;
        for (int j = 0; j < h; ++j)
            for (int i = 0; i < w; ++i)
                part.push_back(image[static_cast<std::size_t>(j) * width + i]);
        return part;
    }

    std::vector<float> data, x_axis, y_axis;
    ImageView view;
    bool gui = true;
    int xnum = 0, ynum = 0;
    std::string title, xlabel, ylabel, zlabel;
    float x_pixel_size = 0, y_pixel_size = 0;
};

// A 4-byte integer at a byte of a little-endian fixture.
void set_int(std::string& bytes, std::size_t at, std::uint32_t value, bool big = false)
{
    bytes.replace(at, 4, stored(value, 4, big));
}

} // namespace

TEST_F(Mar, FilesOfAnIndependentWriterReadPixelForPixel)
{
    struct Case
    {
        const char* file;
        const char* expected;
        const char* format;
        float x_size, y_size;
    };
    const Case cases[] = {
        {"m345_le.mar3450", "m345", "MAR FORMAT", 150e-6f, 120e-6f},
        {"m345_be.mar3450", "m345", "MAR FORMAT", 150e-6f, 120e-6f},
        {"m345_smooth.mar2300", "m345_smooth", "MAR FORMAT", 150e-6f, 120e-6f},
        {"old_le.image", "old", "MAR FORMAT", 150e-6f, 150e-6f},
        {"old_be.image", "old", "MAR FORMAT", 150e-6f, 150e-6f},
        {"old_le.pck", "old", "MAR-PCK", 150e-6f, 150e-6f},
        {"old_be.pck", "old", "MAR-PCK", 150e-6f, 150e-6f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        int retstat = -9;
        FioImage image = read_image(fixture(c.file), retstat);
        ASSERT_EQ(retstat, 0);
        EXPECT_EQ(image.format, c.format);
        EXPECT_TRUE(same_pixels(pixels_of(image),
                                read_reals(fixture(std::string(c.expected) + ".expected")),
                                image.xnumdat));
        EXPECT_EQ(image.overload_value, 131071.5f);
        EXPECT_FLOAT_EQ(image.x_pixel_size, c.x_size);
        EXPECT_FLOAT_EQ(image.y_pixel_size, c.y_size);
        EXPECT_EQ(image.y_axis[image.ynumdat - 1], image.ynumdat - 0.5f);
        EXPECT_EQ(image.ylabel, "Rows");
    }
}

TEST_F(Mar, ValuesAbove65535ComeFromTheOverflowRecords)
{
    int r1 = -9, r2 = -9;
    FioImage newer = read_image(fixture("m345_be.mar3450"), r1);
    FioImage old = read_image(fixture("old_be.pck"), r2);
    ASSERT_EQ(r1, 0);
    ASSERT_EQ(r2, 0);
    EXPECT_EQ(newer.view()(8, 6), 120000.0f);
    EXPECT_EQ(newer.view()(4, 21), 70000.0f);
    EXPECT_EQ(newer.view()(48, 48), 1000000.0f); // the last pixel
    EXPECT_EQ(newer.view()(1, 31), 65536.0f);    // the first of a line
    EXPECT_EQ(old.view()(10, 4), 131000.0f);
    EXPECT_EQ(old.view()(64, 40), 80000.0f);
    EXPECT_EQ(old.view()(1, 13), 65536.0f);
}

TEST_F(Mar, TheHeaderIsReportedAndTheDistanceRemembered)
{
    {
        ConsoleCapture console;
        ASSERT_EQ(read_into(fixture("old_be.pck"), 64, 40, true), 0);
        EXPECT_EQ(console.lines(),
                  (std::vector<std::string>{
                      "INFO: Image size =     64    40 Number of overloaded pixels =        3",
                      "INFO: The following information has been extracted from the file header:",
                      "      Date and time of scan = 11-JUN-2024 10:20:30",
                      "      Sample to detector distance =  150.25 mm",
                      "      Wavelength is =    0.9876 Angstroms",
                      "      Phi angle at the start of the oscillation =  10.000 degrees",
                      "      Phi angle at the end of the oscillation   =  11.500 degrees",
                      "      (These values may be changed using the \"GEOMETRY\" command.)"}));
    }
    float distance = 0;
    int found = 0;
    IO_INQ_RKEYVALUE("SAMPLE_DISTANCE", distance, found, status);
    EXPECT_FLOAT_EQ(distance, 0.15025f);
    EXPECT_EQ(xlabel, "Columns");
    EXPECT_EQ(x_axis[63], 63.5f);

    ConsoleCapture console;
    ASSERT_EQ(read_into(fixture("m345_le.mar3450"), 48, 48), 0);
    for (const char* line :
         {"Date and time of scan = Tue Jun 11 10:20:30 2024",
          "Sample to detector distance =  200.50 mm", "Wavelength is =    1.5418 Angstroms",
          "start of the oscillation =   0.250 degrees",
          "end of the oscillation   =   1.750 degrees"})
        EXPECT_NE(console.text().find(line), std::string::npos) << line << console.text();
    IO_INQ_RKEYVALUE("SAMPLE_DISTANCE", distance, found, status);
    EXPECT_FLOAT_EQ(distance, 0.2005f);
    EXPECT_FLOAT_EQ(x_pixel_size, 150e-6f);
    EXPECT_FLOAT_EQ(y_pixel_size, 120e-6f);
}

TEST_F(Mar, ImagesLargerThanTheArraysAreCutToThem)
{
    const std::vector<float> newer = read_reals(fixture("m345.expected"));
    const std::vector<float> old = read_reals(fixture("old.expected"));
    const std::pair<const char*, bool> files[] = {
        {"m345_le.mar3450", false}, {"old_le.image", false}, {"old_le.pck", true}};
    for (const auto& [file, packed] : files) {
        SCOPED_TRACE(file);
        ConsoleCapture console;
        // Exactly as large as the part kept: a write beyond it is caught.
        ASSERT_EQ(read_into(fixture(file), 30, 20, packed), 0);
        EXPECT_EQ(xnum, 30);
        EXPECT_EQ(ynum, 20);
        EXPECT_EQ(data, corner(file[0] == 'm' ? newer : old, file[0] == 'm' ? 48 : 64, 30, 20));
        const std::string size = file[0] == 'm' ? "48 * 48" : "64 * 40";
        EXPECT_NE(console.text().find("WARNING: The image has " + size +
                                      " pixels, the program array 30 * 20: only part of it is "
                                      "input\n"),
                  std::string::npos);
    }
    EXPECT_EQ(view(10, 4), 131000.0f); // an overflow inside the part
}

TEST_F(Mar, WithoutAWindowTheNameIsAskedOnTheTerminalOnce)
{
    gui = false;
    {
        TypedInput typed(fixture("old_le.image") + "\n");
        ConsoleCapture console;
        ASSERT_EQ(read_into("", 64, 40), 0);
        EXPECT_NE(console.text().find("DATA FILE NAME"), std::string::npos) << console.text();
    }
    EXPECT_EQ(data, read_reals(fixture("old.expected")));
    {
        // A user escape is a cancel, not a failure.
        TypedInput typed("\\\n");
        ConsoleCapture console;
        EXPECT_EQ(read_into("", 64, 40), -1);
        EXPECT_EQ(status, ST_GOOD_VALUE);
    }
    // A name that does not open is not asked again: the reader says so and gives nothing.
    const std::string missing = dir.file("missing.image");
    for (const bool window : {false, true}) {
        SCOPED_TRACE(window ? "with the window" : "on the terminal");
        gui = window;
        TypedInput typed(missing + "\n" + fixture("old_le.image") + "\n");
        ConsoleCapture console;
        EXPECT_EQ(read_into(missing, 64, 40), -1);
        EXPECT_TRUE(console.text().ends_with(
            "WARNING: Problem in opening file (data is not defined):\n" + missing + "\n"))
            << console.text();
        EXPECT_EQ(status, ST_GOOD_VALUE);
    }
}

TEST_F(Mar, SpiralReadOutIsRefused)
{
    const std::string path = damaged("m345_le.mar3450", [](std::string& b) { set_int(b, 12, 2); });
    ConsoleCapture console;
    EXPECT_NE(read_into(path, 48, 48), 0);
    EXPECT_NE(console.text().find("WARNING: The file contains spiral read-out data and cannot "
                                  "be input"),
              std::string::npos);
    int retstat = -9;
    read_image(path, retstat);
    EXPECT_EQ(retstat, 1);
}

TEST_F(Mar, DamagedFilesWarnAndGiveNoImage)
{
    struct Case
    {
        const char* what;
        const char* file;
        void (*change)(std::string&);
        const char* warning;
    };
    const Case cases[] = {
        {"stream cut short", "m345_le.mar3450", [](std::string& b) { b.resize(b.size() - 100); },
         "WARNING: The packed image ends before all of its pixels were decoded"},
        {"more high pixels than the file holds", "m345_le.mar3450",
         [](std::string& b) { set_int(b, 8, 0x7FFFFFFF); },
         "WARNING: The file is shorter than its header says"},
        {"a plate larger than the file", "m345_be.mar3450",
         [](std::string& b) { set_int(b, 4, 40000, true); },
         "WARNING: The file is shorter than its header says"},
        {"a negative size", "m345_le.mar3450", [](std::string& b) { set_int(b, 4, 0xFFFFFFFB); },
         "WARNING: The file header gives an impossible image size"},
        {"a stream of another size", "m345_le.mar3450", [](std::string& b) { set_int(b, 4, 47); },
         "WARNING: The packed image is 48 by 48 pixels, but the file header says 47 by 47"},
        {"no header line", "old_le.pck",
         [](std::string& b) { b.replace(b.find("CCP4"), 4, "CCP5"); },
         "WARNING: No packed image was found in the file"},
        {"a negative number of lines", "old_le.image",
         [](std::string& b) { set_int(b, 4, 0xFFFFFFFF); },
         "WARNING: The file header gives an impossible image size"},
        {"more overflow records than the file holds", "old_le.image",
         [](std::string& b) { set_int(b, 16, 100000); },
         "WARNING: The file is shorter than its header says"},
        {"pixels beyond the end", "old_be.image", [](std::string& b) { b.resize(b.size() - 300); },
         "WARNING: The file is shorter than its header says"},
        {"a line longer than the file", "old_le.image",
         [](std::string& b) { set_int(b, 0, 60000); }, "WARNING: Problem reading in file header"},
        {"three bytes", "old_le.image", [](std::string& b) { b.resize(3); },
         "WARNING: Problem reading in file header"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = damaged(c.file, c.change);
        ConsoleCapture console;
        int retstat = -9;
        read_image(path, retstat);
        EXPECT_EQ(retstat, 1);
        EXPECT_NE(console.text().find(c.warning), std::string::npos) << console.text();
    }
}

TEST_F(Mar, InvalidOverflowAddressesAreSkippedWithAWarning)
{
    // The first overflow pair of the old file sits after the header record
    // and the pixels; the newer file's at byte 4096.
    const std::string old =
        damaged("old_le.image", [](std::string& b) { set_int(b, 128 + 2 * 64 * 40, 0); });
    ConsoleCapture console;
    int retstat = -9;
    FioImage image = read_image(old, retstat);
    ASSERT_EQ(retstat, 0);
    EXPECT_EQ(image.view()(10, 4), 65535.0f); // the value its pair would have set is not set
    EXPECT_EQ(image.view()(64, 40), 80000.0f);
    const std::string newer = damaged("m345_le.mar3450", [](std::string& b) {
        for (int k = 0; k < 4; ++k)
            set_int(b, 4096 + 8 * k, 48 * 48 + 1 + k);
    });
    read_image(newer, retstat);
    EXPECT_EQ(retstat, 0);
    EXPECT_NE(console.text().find("WARNING: Invalid Overloaded pixel address:              0"),
              std::string::npos)
        << console.text();
    EXPECT_NE(console.text().find("WARNING: Invalid Overloaded pixel address:           2305"),
              std::string::npos);
}

TEST_F(Mar, OldFilesTellTheirByteOrderByTheirLineLength)
{
    // The first scanners' line lengths (1200, 2000) and any other plausible
    // one, in either byte order: a header record, then the lines of pixels.
    for (const int nx : {1200, 2000, 1600}) {
        for (const bool big : {false, true}) {
            SCOPED_TRACE(std::to_string(nx) + (big ? " big-endian" : " little-endian"));
            std::string file = stored(nx, 4, big) + stored(2, 4, big);
            file.resize(2 * nx, '\0');
            for (int k = 0; k < 2 * nx; ++k)
                file += stored((k * 7) % 65536, 2, big);
            write_file(dir.file("plate.image"), file);
            int retstat = -9;
            FioImage image = read_image(dir.file("plate.image"), retstat);
            ASSERT_EQ(retstat, 0);
            EXPECT_EQ(image.xnumdat, nx);
            EXPECT_EQ(image.ynumdat, 2);
            EXPECT_EQ(image.view()(nx, 2), static_cast<float>(((2 * nx - 1) * 7) % 65536));
        }
    }
}

TEST_F(Mar, ZytImageRawGivesTheWritersPixelsForEveryFormat)
{
    const std::pair<const char*, const char*> cases[] = {
        {"m345_be.mar3450", "m345"}, {"old_be.image", "old"},    {"old_le.pck", "old"},
        {"bruker1.100", "bruker1"},  {"bruker2.200", "bruker2"}, {"bruker4.400", "bruker4"},
        {"plano_be.pln", "plano"}};
    for (const auto& [file, expected] : cases) {
        SCOPED_TRACE(file);
        const std::string out = dir.file("out.raw");
        const CommandResult r =
            run_command(std::string(ZYT_IMAGE_BINARY) + " raw " + fixture(file) + " " + out);
        EXPECT_EQ(r.exit_status, 0) << r.output;
        EXPECT_EQ(read_file(out), read_file(fixture(std::string(expected) + ".expected")));
    }
    // A name that does not tell the format, and the format named; a region re-binned.
    std::filesystem::copy_file(fixture("m345_le.mar3450"), dir.file("plate.dat"));
    const std::string out = dir.file("part.raw");
    // Standard output only: the header's lines go to standard error.
    const CommandResult r =
        run_command("{ " ZYT_IMAGE_BINARY " raw --format mar --region 3 5 10 8 --rebin 2 2 " +
                    dir.file("plate.dat") + " " + out + " 2>/dev/null; }");
    EXPECT_EQ(r.output, "4 2\n");
    const std::vector<float> whole = read_reals(fixture("m345.expected"));
    auto at = [&](int i, int j) { return whole[static_cast<std::size_t>(j - 1) * 48 + i - 1]; };
    const std::vector<float> part = read_reals(out);
    ASSERT_EQ(part.size(), 8u);
    EXPECT_EQ(part[0], at(3, 5) + at(4, 5) + at(3, 6) + at(4, 6));
    EXPECT_EQ(part[7], at(9, 7) + at(10, 7) + at(9, 8) + at(10, 8));
}
