#include <cstring>
#include <iostream>

#include "app/session.h"
#include "io/os/os_layer.h"

namespace {

void print_help()
{
    std::cout
        << "Usage: zyt_zevuza [options]\n"
           "\n"
           "Interactive set-up of a tomographic reconstruction: choose the projection\n"
           "series, dark and flat-field images and the region to reconstruct, measure the\n"
           "rotation axis, and write the parameter file for the reconstruction program.\n"
           "Your answers are remembered in ~/.zyt.def for the next run.\n"
           "\n"
           "Display options (read when the graphics window opens):\n"
           "  LANDSCAPE           landscape window instead of portrait\n"
           "  +DMENU / -DMENU     print menus to PostScript for documentation, or not\n"
           "  +DFORM / -DFORM     print forms to PostScript for documentation, or not\n"
           "  +COLOURS n          number of colours for images\n"
           "\n"
           "  --help              show this text and exit\n"
           "  --version           show the version and exit\n";
}

} // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            print_help();
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::cout << "ZYT_ZEVUZA V1.7\n";
            return 0;
        }
    }
    IO_SET_ARGUMENTSC(argc, argv);
    return ZYT_ZEVUZA();
}
