// The page under a question's widget: what drew it says so while the
// question waits, so that after a resize or an exposure the whole page is
// drawn afresh rather than left a scaled copy of itself.

#include <vector>

#include "gs/gs.h"
#include "io/status.h"
#include "lg/lg.h"

namespace {

struct Drawer
{
    const std::function<void(int&)>* draw;
    bool whole_page;
};
std::vector<Drawer> drawers; // the innermost last

} // namespace

GsPageDrawer::GsPageDrawer(std::function<void(int& status)> draw, bool whole_page)
    : draw_(std::move(draw))
{
    drawers.push_back({&draw_, whole_page});
}

GsPageDrawer::~GsPageDrawer()
{
    for (auto it = drawers.rbegin(); it != drawers.rend(); ++it)
        if (it->draw == &draw_) {
            drawers.erase(std::next(it).base());
            break;
        }
}

void GS_REDRAW_PAGE(int& status)
{
    if (!st_enter(status, "Subroutine GS_REDRAW_PAGE V0.1")) return;
    // From the last drawer of the whole page up: what lies under it is hidden.
    std::size_t first = 0;
    for (std::size_t k = 0; k < drawers.size(); ++k)
        if (drawers[k].whole_page) first = k;
    const GsRegionsGuard regions;
    const GsMenuGuard menu;
    const std::vector<Drawer> now = drawers; // a drawer may open a question of its own
    for (std::size_t k = first; k < now.size() && status == ST_GOOD_VALUE; ++k) {
        const LgWorldCoordinates world;
        (*now[k].draw)(status);
    }
}
