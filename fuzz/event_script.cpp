// Event scripts drive whole runs: any script must be read to its end or to
// its first bad line, without a trap, with every event inside the window.

#include <algorithm>
#include <cstdlib>

#include "fuzz_support.h"
#include "lg/window/device_events.h"

namespace {

// A window of 500 x 707 pixels whose world coordinates are its page coordinates.
class Page : public ScriptTarget
{
public:
    void page_to_pixel(float x, float y, int& px, int& py) const override { convert(x, y, px, py); }
    void world_to_pixel(float x, float y, int& px, int& py) const override
    {
        convert(x, y, px, py);
    }

    void world_to_page(float x, float y, float& page_x, float& page_y) const override
    {
        page_x = x;
        page_y = y;
    }

private:
    // As the window does: clamped before the conversion to whole pixels.
    static void convert(float x, float y, int& px, int& py)
    {
        px = static_cast<int>(std::clamp(x * 707.0, -1.0e6, 1.0e6));
        py = 707 - static_cast<int>(std::clamp(y * 707.0, -1.0e6, 1.0e6));
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const FuzzFile input(data, size, ".events");
    const Page page;
    std::string message;
    auto script = open_event_script(input.path(), page, message);
    if (!script) return 0;
    DeviceEvent event;
    // Every line gives a bounded number of events: the walk must end.
    for (std::size_t n = 0; script->next(event, true); ++n)
        if (n > 16 * size + 16) std::abort();
    return 0;
}
