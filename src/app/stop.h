#pragma once
// Where a run ends on the spot: a cancel or a failure in the middle of the
// questions ends the process right after the message of the step that stops
// it, with nothing more asked, written or saved.

#include <string_view>

// Exit statuses of the process.
enum ZytExit {
    ZYT_EXIT_NORMAL = 0,  // the run ended, or the user cancelled it
    ZYT_EXIT_FAILURE = 1, // stopped on a failure
};

[[noreturn]] void zyt_stop(ZytExit exit_status);
// The console line first, then the stop.
[[noreturn]] void zyt_stop_saying(std::string_view message, ZytExit exit_status);
