// The sizes of images across the formats: what the size probes give before
// any array is made, and what a reader says when an image does not fit its arrays.

#include <gtest/gtest.h>

#include <filesystem>

#include "detector_fixtures.h"
#include "fio/readers.h"

using namespace zyt_test;

namespace {

class ImageSizes : public ReaderForm
{
  protected:
    // A copy of a fixture in the test's directory.
    std::string copy(const std::string& from, const std::string& name)
    {
        std::filesystem::copy_file(from, dir.file(name));
        return dir.file(name);
    }
    // A copy of a file without its last `bytes` bytes.
    std::string cut(const std::string& from, const std::string& name, std::uintmax_t bytes)
    {
        const std::string to = copy(from, name);
        std::filesystem::resize_file(to, std::filesystem::file_size(to) - bytes);
        return to;
    }
    int probe(const char* format, const std::string& file, int& width, int& height)
    {
        const FioFormatEntry* entry = fio_find_format(format);
        EXPECT_NE(entry, nullptr);
        int retstat = -9;
        width = height = -1;
        if (entry != nullptr && entry->probe != nullptr)
            entry->probe(file, width, height, retstat, status);
        EXPECT_EQ(status, ST_GOOD_VALUE);
        return retstat;
    }
};

} // namespace

TEST_F(ImageSizes, AProbeGivesNoSizeForPixelsThatTheFileDoesNotHold)
{
    const std::string d = detector_fixtures() + "/";
    const std::string m = mar_fixtures() + "/";
    const BslSet set{5, 3, 1, 1, 1, "set.bin"};
    write("set.bsl", bsl_header({set}));
    write("set.bin", bsl_binary(set));
    copy(d + "bas16.inf", "bas.inf");
    copy(d + "bas16.img", "bas.img");
    struct Case
    {
        const char* format;
        std::string file;      // read whole
        std::string shortened; // the file cut short; empty: the data file its header names
        int width, height;
        const char* data_file = "";
    };
    const Case cases[] = {
        {"ADSC", d + "adsc_le.img", cut(d + "adsc_le.img", "a.img", 2), 67, 41},
        {"HAMAMATSU PHOTONICS", d + "ham_im16.img", cut(d + "ham_im16.img", "h.img", 2), 45, 31},
        {"RIGAKU R-AXIS", d + "raxis_le.osc", cut(d + "raxis_le.osc", "r.osc", 2), 53, 37},
        {"TORVA", d + "torva_nosize.kdf", cut(d + "torva_nosize.kdf", "t.kdf", 2), 3, 2},
        {"FUJI BAS-2000", dir.file("bas.inf"), "", 47, 29, "bas.img"},
        {"BSL/OTOKO", dir.file("set.bsl"), "", 5, 3, "set.bin"},
        // Packed pixels: the stream itself must hold the image.
        {"MAR FORMAT", m + "m345_le.mar3450", cut(m + "m345_le.mar3450", "m.mar3450", 1000), 48,
         48},
        {"MAR-PCK", m + "old_le.pck", cut(m + "old_le.pck", "o.pck", 1000), 64, 40},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        int width = 0, height = 0;
        EXPECT_EQ(probe(c.format, c.file, width, height), 0);
        EXPECT_EQ(width, c.width);
        EXPECT_EQ(height, c.height);
        std::string shortened = c.shortened;
        if (shortened.empty()) {
            const std::string data = dir.file(c.data_file);
            std::filesystem::resize_file(data, std::filesystem::file_size(data) - 2);
            shortened = c.file;
        }
        EXPECT_NE(probe(c.format, shortened, width, height), 0);
    }
}
