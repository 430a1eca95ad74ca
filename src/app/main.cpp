#include <cstring>
#include <iostream>
#include <string>

#include "app/session.h"
#include "io/os/os_layer.h"
#include "lg/window/x11.h"

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
           "Scripted runs:\n"
           "  --events FILE       take input events from FILE instead of the window\n"
           "  --headless          show no window (also the case without a display)\n"
           "  --snapshots DIR     write the page as DIR/page_NNNN.png whenever input is awaited\n"
           "  --record FILE       append every input event to FILE in the script language\n"
           "\n"
           "Event script, one event a line ('#' starts a comment):\n"
           "  click X Y           press at page coordinates (0..1, origin bottom left)\n"
           "  point X Y           press at world coordinates of what is drawn now\n"
           "  move X Y            the pointer moves to page coordinates (no press)\n"
           "  hover X Y           the pointer moves to world coordinates (no press)\n"
           "  click \"LABEL\"       press on the labelled button or list entry now shown\n"
           "  text \"STRING\"       type STRING, then Return\n"
           "  tab \"STRING\"        type STRING, then Tab\n"
           "  key NAME            Up, Down, Left, Right, BackSpace, Return, Tab, ClearLine\n"
           "  expose              the window uncovered\n"
           "  resize W H          the window resized to W x H pixels\n"
           "  snapshot NAME       write the page as NAME.png\n"
           "When the script ends while input is awaited, the question is cancelled.\n"
           "\n"
           "  --help              show this text and exit\n"
           "  --version           show the version and exit\n"
           "\n"
           "More in the manual page, man zyt_zevuza: the event-script language, typed\n"
           "answers, the defaults file and the exit status.\n";
}

} // namespace

int main(int argc, char** argv)
{
    LgWindowOptions window;
    // The program's own options are taken out; the display options stay for
    // the graphics, which read them from the argument list.
    std::vector<const char*> rest{argv[0]};
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string& target) {
            if (i + 1 >= argc) {
                std::cerr << "zyt_zevuza: " << arg << " needs a value (see --help)\n";
                return false;
            }
            target = argv[++i];
            return true;
        };
        if (arg == "--help") {
            print_help();
            return 0;
        }
        if (arg == "--version") {
            std::cout << "ZYT_ZEVUZA V1.7\n";
            return 0;
        }
        if (arg == "--headless") {
            window.headless = true;
        } else if (arg == "--events") {
            if (!value(window.events_file)) return 2;
        } else if (arg == "--snapshots") {
            if (!value(window.snapshots_dir)) return 2;
        } else if (arg == "--record") {
            if (!value(window.record_file)) return 2;
        } else if (arg.rfind("--", 0) == 0) {
            std::cerr << "zyt_zevuza: unknown option " << arg << " (see --help)\n";
            return 2;
        } else {
            rest.push_back(argv[i]);
        }
    }
    std::string problem;
    if (!LG_X11_CHECK_OPTIONS(window, problem)) {
        std::cerr << problem << "\n";
        return 1;
    }
    LG_X11_SET_OPTIONS(window);
    IO_SET_ARGUMENTSC(static_cast<int>(rest.size()), rest.data());
    return ZYT_ZEVUZA();
}
