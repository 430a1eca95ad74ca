#pragma once
// The interactive image input on a headless window driven by an event script.

#include <cstdlib>
#include <filesystem>

#include "fio_test_support.h"
#include "gs/gs_test_support.h"

namespace zyt_test {

// The driver on a headless window driven by an event script. When
// ZYT_LOOK_DIR is set, "snapshot" lines of the scripts write their pages there;
class Driver : public Graphics
{
protected:
    void SetUp() override
    {
        IO_CLEAR_DATABASE();
        FIO_DEF_INPUT();
        GS_DEF_FILESELECTION();
        std::filesystem::create_directories(dir.file("data"));
        folder = dir.file("data") + "/";
    }

    // ZYT_LOOK_SIZE ("W H") looks at the pages in a window of that size.
    static std::string look(const std::string& name)
    {
        const char* where = std::getenv("ZYT_LOOK_DIR");
        const char* size = std::getenv("ZYT_LOOK_SIZE");
        if (where == nullptr) return "";
        return (size != nullptr ? "resize " + std::string(size) + "\n" : std::string()) +
               "snapshot \"" + std::string(where) + "/" + name + "\"\n";
    }

    void copy_fixture(const std::string& fixture, const std::string& name)
    {
        std::filesystem::copy_file(tiff_fixtures() + "/" + fixture, folder + name,
                                   std::filesystem::copy_options::overwrite_existing);
    }

    void input(int step)
    {
        const std::vector<std::string> prompt{"SELECT FIRST PROJECTION"};
        GS_SET_IDR(0, 0, 1, 1, status);
        FIO_GUI_INPUT(1, 1, prompt, step, false, defined, name, xnum, ynum, x_axis, y_axis,
                      view, ImageView{}, title, xlabel, ylabel, zlabel, x_pixel_size,
                      y_pixel_size, status);
    }

    // A file chosen on the panel (and on the format menu) in the folder, as
    // the script says; true when an image was read.
    bool choose_and_read()
    {
        defined = false;
        name = folder;
        input(0);
        return status == ST_GOOD_VALUE && defined;
    }

    std::vector<float> pixels() const
    {
        std::vector<float> v;
        for (int j = 1; j <= ynum; ++j)
            for (int i = 1; i <= xnum; ++i) v.push_back(view(i, j));
        return v;
    }

    std::string folder;
    std::vector<float> data = std::vector<float>(128 * 128, 0.0f);
    ImageView view{data.data(), 128, 128};
    std::vector<float> x_axis = std::vector<float>(128), y_axis = std::vector<float>(128);
    bool defined = false;
    std::string name;
    int xnum = 0, ynum = 0;
    std::string title, xlabel, ylabel, zlabel;
    float x_pixel_size = 1.0e-4f, y_pixel_size = 1.0e-4f;
};

} // namespace zyt_test
