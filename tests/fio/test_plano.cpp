#include <gtest/gtest.h>

#include "fio_test_support.h"

using namespace zyt_test;

namespace {

class Plano : public FioTest
{
protected:
    static std::string fixture(const std::string& name) { return mar_fixtures() + "/" + name; }

    int read_into(const std::string& path, int xmax, int ymax)
    {
        data.assign(static_cast<std::size_t>(xmax) * ymax, -1.0f);
        variances.assign(data.size(), -1.0f);
        x_axis.assign(static_cast<std::size_t>(xmax), 0.0f);
        y_axis.assign(static_cast<std::size_t>(ymax), 0.0f);
        view = ImageView{data.data(), xmax, ymax};
        std::string name = path;
        int retstat = -9;
        FIO_IN_PLANO(gui, with_variances, name, retstat, xnum, ynum, x_axis, y_axis, view,
                     ImageView{variances.data(), xmax, ymax}, title, xlabel, ylabel, zlabel,
                     x_pixel_size, y_pixel_size, overload, status);
        return retstat;
    }

    // The byte of an item's record in a fixture.
    static std::size_t item_at(const std::string& bytes, const std::string& name)
    {
        return bytes.find("\\" + name + ":");
    }

    std::vector<float> data, variances, x_axis, y_axis;
    ImageView view;
    bool gui = true;
    bool with_variances = true;
    int xnum = 0, ynum = 0;
    std::string title, xlabel, ylabel, zlabel;
    float x_pixel_size = 0, y_pixel_size = 0, overload = 0;
};

} // namespace

TEST_F(Plano, FilesWrittenFromTheDescriptionReadInEitherByteOrder)
{
    const std::vector<float> expected = read_reals(fixture("plano.expected"));
    ASSERT_EQ(read_into(fixture("plano_le.pln"), 23, 17), 0);
    EXPECT_EQ(data, expected);
    EXPECT_EQ(title, "PLANO test image");
    EXPECT_EQ(xlabel, "X position");
    EXPECT_EQ(ylabel, "Y position");
    EXPECT_EQ(zlabel, "Counts");
    EXPECT_EQ(overload, 65535.5f); // a real written as text
    EXPECT_FLOAT_EQ(x_pixel_size, 5.0e-5f);
    EXPECT_FLOAT_EQ(y_pixel_size, 0.0001f); // absent
    EXPECT_EQ(x_axis[0], 10.0f);            // the file's axis
    EXPECT_EQ(x_axis[22], 54.0f);
    EXPECT_EQ(y_axis[16], 16.5f); // absent: pixel centres
    EXPECT_TRUE(with_variances);
    for (std::size_t k = 0; k < data.size(); ++k)
        ASSERT_EQ(variances[k], 2.0f * data[k]) << k;

    ConsoleCapture console;
    ASSERT_EQ(read_into(fixture("plano_be.pln"), 23, 17), 0);
    EXPECT_EQ(data, expected);
    EXPECT_FLOAT_EQ(x_pixel_size, 0.0001f);
    EXPECT_FALSE(with_variances); // the file has none
    EXPECT_NE(console.text().find("INFO: File item not found: x_pixel_size\n"), std::string::npos);
}

TEST_F(Plano, AnArrayLargerThanTheDeclaredOneGivesItsCornerWithAWarning)
{
    ConsoleCapture console;
    ASSERT_EQ(read_into(fixture("plano_big.pln"), 1024, 1024), 0);
    EXPECT_EQ(xnum, 1024);
    EXPECT_EQ(ynum, 1024);
    EXPECT_EQ(data, read_reals(fixture("plano_big_part.expected")));
    EXPECT_NE(console.text().find("WARNING: The image has 2048 * 2048 pixels, the program array "
                                  "1024 * 1024: only part of it is input\n"),
              std::string::npos)
        << console.text();
}

TEST_F(Plano, WithoutAWindowTheNameIsAskedOnTheTerminal)
{
    gui = false;
    {
        TypedInput typed(dir.file("missing.pln") + "\n" + fixture("plano_be.pln") + "\n");
        ConsoleCapture console;
        ASSERT_EQ(read_into("", 23, 17), 0);
        for (const char* line : {"INPUT FILE NAME", "Error in opening file, Please retype name"})
            EXPECT_NE(console.text().find(line), std::string::npos) << line << console.text();
    }
    EXPECT_EQ(data, read_reals(fixture("plano.expected")));
    TypedInput typed("\\\n");
    ConsoleCapture console;
    EXPECT_EQ(read_into("", 23, 17), -1);
    EXPECT_EQ(status, ST_GOOD_VALUE);
}

TEST_F(Plano, ItemsAreFoundRecordByRecord)
{
    // A big-endian file read first: the reals below are read in the order of
    // their own (little-endian) file all the same.
    ASSERT_EQ(read_into(fixture("plano_be.pln"), 23, 17), 0);
    int retstat = -9, handle = 0;
    FIO_FILEOPEN(fixture("plano_le.pln"), "READ", retstat, handle, status);
    FioSlotGuard guard(handle);
    bool found = false;
    char type = ' ';
    long long record = 1;
    int position = 0;
    FIO_FREAD_SEARCHITEM(handle, "data_array", found, type, record, position, status);
    EXPECT_TRUE(found);
    EXPECT_EQ(type, 'a');
    EXPECT_EQ(record, 9);    // a record that is no item, seven items of one record each
    EXPECT_EQ(position, 22); // after "\data_array:", 8 digits and the type
    // From a later record the earlier items are not seen.
    record = 10;
    ConsoleCapture console;
    FIO_FREAD_SEARCHITEM(handle, "title", found, type, record, position, status);
    EXPECT_FALSE(found);
    EXPECT_EQ(console.text(), "INFO: File item not found: title\n");
    std::string text = "unchanged";
    float value = -1.0f;
    FIO_FREAD_STRING(handle, "no_such_item", record = 1, text, status);
    FIO_FREAD_REAL(handle, "title", record = 1, value, status); // text that is no number
    EXPECT_EQ(text, "unchanged");
    EXPECT_EQ(value, -1.0f);
    FIO_FREAD_REAL(handle, "x_pixel_size", record = 1, value, status);
    EXPECT_FLOAT_EQ(value, 5.0e-5f);
    int x = 0, y = 0, returned = 9;
    std::vector<float> small(4);
    FIO_FREAD_RARRAY(handle, "title", ImageView{small.data(), 2, 2}, record = 1, x, y, returned,
                     status);
    EXPECT_EQ(returned, FIO_ARRAY_WRONG_TYPE);
    FIO_FREAD_RARRAY(handle, "x_axis", ImageView{small.data(), 4, 1}, record = 1, x, y, returned,
                     status);
    EXPECT_EQ(returned, FIO_ARRAY_PARTIAL);
    EXPECT_EQ(x, 23);
    EXPECT_EQ(small, (std::vector<float>{10, 12, 14, 16}));
    EXPECT_EQ(status, ST_GOOD_VALUE);
}

TEST_F(Plano, DamagedFilesWarnAndGiveNoImage)
{
    const std::string good = read_file(fixture("plano_le.pln"));
    const std::size_t array = item_at(good, "data_array");
    const std::size_t fields = array + 21; // after "\data_array:", 8 digits and "a"
    const std::pair<std::string, const char*> cases[] = {
        {std::string(good).replace(fields + 8, 8, "7fffffff"),
         "WARNING: The data array is damaged"},
        {std::string(good).replace(fields + 16, 8, "00000000"),
         "WARNING: The data array is damaged"},
        {std::string(good).replace(fields + 8, 8, "0000zz17"),
         "WARNING: The data array is damaged"},
        {good.substr(0, array + 512 + 100), "WARNING: The data array is damaged"},
        {std::string(good).replace(array + 20, 1, "s"),
         "WARNING: The data array is not an array of reals"},
        // A skip count past the end hides the items after it.
        {std::string(good).replace(item_at(good, "title") + 7, 8, "ffffffff"),
         "WARNING: Data array not found"},
        {std::string(5000, '\\'), "WARNING: Data array not found"},
        {"", "WARNING: Data array not found"},
    };
    for (const auto& [bytes, warning] : cases) {
        SCOPED_TRACE(warning);
        write_file(dir.file("damaged.pln"), bytes);
        ConsoleCapture console;
        int retstat = -9;
        read_image(dir.file("damaged.pln"), retstat);
        EXPECT_EQ(retstat, 1);
        EXPECT_NE(console.text().find(warning), std::string::npos) << console.text();
    }
}
