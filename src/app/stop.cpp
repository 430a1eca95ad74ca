#include "app/stop.h"

#include <cstdlib>
#include <iostream>

#include "io/status.h"

void zyt_stop(ZytExit exit_status)
{
    std::cout.flush();
    std::exit(exit_status);
}

void zyt_stop_saying(std::string_view message, ZytExit exit_status)
{
    io_say(message);
    zyt_stop(exit_status);
}
