#include "app/session.h"


#include "app/banner.h"
#include "app/parameter_file.h"
#include "app/parameters.h"
#include "app/workflow.h"
#include "gs/gs.h"
#include "io/database.h"
#include "fio/fio.h"
#include "io/status.h"

namespace {

void write_banner(int& status)
{
    for (const char* line : {" ", "           --------------------------",
                             "           WELCOME to ZYT_ZEVUZA V1.7 ",
                             "           --------------------------", " ",
                             "    (Zenith-Yaw Tomographic reconstruction)", " ",
                             "Purpose: Development, testing, and timing of CT reconstruction "
                             "techniques",
                             " ", "(Support for horizontal rotation added.) ", " "})
        IO_WRITE(line, status);
}

// Tells an X11 user why no window could be opened and what usually cures it.
void write_graphics_advice()
{
    int status = ST_GOOD_VALUE;
    for (const char* line : {
             "WARNING: There was a problem opening the graphics output window. This may be a",
             "   problem with the X terminal (or X server) not accepting graphics output",
             "   from the host running ZYT. Possible cures:",
             "   - Connected with ssh: log in with \"ssh -X host\" (or \"ssh -Y host\") so that",
             "     ssh forwards the window to your screen.",
             "   - Otherwise, allow the host to draw on your X terminal by running on the",
             "     local machine used as X terminal: \"xhost +host\" (e.g. xhost +beamline5).",
             "   - Check that the \"DISPLAY\" variable names your X terminal:",
             "     \"printenv DISPLAY\" shows it; set it with \"export DISPLAY=myterminal:0\"",
             "     (sh, bash) or \"setenv DISPLAY myterminal:0\" (C-shell or T-shell users).",
             "   - Without any display, a run can be made from an event script:",
             "     \"zyt_zevuza --headless --events FILE\" (see \"zyt_zevuza --help\").",
             "ZYT exiting owing to lack of graphics"})
        IO_WRITE(line, status);
}

} // namespace

// The program: status set-up, banner, defaults, graphics, the main sequence,
// defaults saved, trailer and final status report.
int ZYT_ZEVUZA()
{
    int status = ST_GOOD_VALUE;
    ST_DEF_SYSTEM(status);
    write_banner(status);

    int retstat = 0;
    IO_LOAD_DATABASE(ZYT_DEFAULTS_FILE, retstat, status);
    if (retstat > 0) {
        IO_WRITE("WARNING: Problem inputting internal database", status);
        return ZYT_EXIT_FAILURE;
    }

    GS_OPEN_GRAPHICS(status);
    if (status != ST_GOOD_VALUE) {
        write_graphics_advice();
        return ZYT_EXIT_FAILURE;
    }
    ZYT_MBANNER(ZYT_VERSION, status);
    GS_SET_LUTCHOICE(4, 200, status);
    GS_COLOURS(status);

    ZYT_MMAIN(status);
    if (status == ST_ESCAPE_VALUE) return ZYT_EXIT_NORMAL; // cancelled: nothing saved, no trailer
    GS_CLOSE_GRAPHICS(status);

    if (status == ST_GOOD_VALUE) {
        IO_SAVE_DATABASE(ZYT_DEFAULTS_FILE, retstat, status);
        if (retstat != 0) IO_WRITE("WARNING: Problem saving default values", status);
    }
    ZYT_MTRAILER(ZYT_VERSION, status);
    ST_OUT(status);
    return status == ST_GOOD_VALUE ? ZYT_EXIT_NORMAL : ZYT_EXIT_FAILURE;
}

// The main sequence. It owns, for the whole run, the working image (the first
// projection, on which the region is chosen) and the parameter set.
void ZYT_MMAIN(int& status)
{
    if (!st_enter(status, "Subroutine ZYT_MMAIN V0.12")) return;
    // Its arrays are made as large as the first image when it is read.
    FioImage image;
    ZytParameters parameters;
    bool sinogram_route = false;

    ZYT_INPUT_PARAMETERS(image, parameters, sinogram_route, status);
    if (status == ST_GOOD_VALUE && !sinogram_route) ZYT_SAVE_PARAMETERS(parameters, status);
    // A cancel (in a question, or the window closed) ends the run here.
    if (status == ST_ESCAPE_VALUE) io_say("ZYT_ZEVUZA cancelled");
}

void ZYT_MTRAILER(std::string_view version, int& status)
{
    if (!st_enter(status, "Subroutine ZYT_MTRAILER V0.1")) return;
    (void)version;
    IO_WRITE(" ", status);
    IO_WRITE("ZYT_ZEVUZA Exited", status);
    IO_WRITE(" ", status);
}
