// The window on the X display: shows parts of the backing picture and turns
// X events into device events. Only what changed is sent to the server, which
// keeps the traffic small over a remote display.

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <cstdio>
#include <string>

#include "lg/window/device_events.h"

namespace {

class XWindow : public X11Window
{
public:
    XWindow(Display* display, Window window, GC gc, Atom delete_atom, Visual* visual, int depth)
        : display_(display), window_(window), gc_(gc), delete_atom_(delete_atom), visual_(visual),
          depth_(depth)
    {
    }

    ~XWindow() override
    {
        XFreeGC(display_, gc_);
        if (!gone_) XDestroyWindow(display_, window_);
        XCloseDisplay(display_);
    }

    XWindow(const XWindow&) = delete;
    XWindow& operator=(const XWindow&) = delete;

    void show(const unsigned char* pixels, int stride, int x, int y, int width,
              int height) override
    {
        if (width <= 0 || height <= 0 || gone_) return;
        // The image points into the backing picture; it is never freed by Xlib.
        XImage* image = XCreateImage(display_, visual_, static_cast<unsigned>(depth_), ZPixmap, 0,
                                     reinterpret_cast<char*>(const_cast<unsigned char*>(pixels)),
                                     static_cast<unsigned>(x + width),
                                     static_cast<unsigned>(y + height), 32, stride);
        if (image == nullptr) return;
        XPutImage(display_, window_, gc_, image, x, y, x, y, static_cast<unsigned>(width),
                  static_cast<unsigned>(height));
        image->data = nullptr;
        XDestroyImage(image);
    }

    void set_title(std::string_view title) override
    {
        const std::string text(title);
        XStoreName(display_, window_, text.c_str());
    }

    void resize(int width, int height) override
    {
        XResizeWindow(display_, window_, static_cast<unsigned>(width),
                      static_cast<unsigned>(height));
    }

    void bell() override { XBell(display_, 0); }

    void flush() override { XFlush(display_); }

    bool next(DeviceEvent& event, bool block) override
    {
        for (;;) {
            if (!block && XPending(display_) == 0) return false;
            XEvent xe;
            XNextEvent(display_, &xe);
            if (translate(xe, event)) return true;
        }
    }

private:
    bool translate(XEvent& xe, DeviceEvent& event)
    {
        event = DeviceEvent{};
        switch (xe.type) {
        case ButtonPress:
            // Wheel turns are no clicks.
            if (xe.xbutton.button > 3) return false;
            event.kind = DeviceEvent::Kind::press;
            event.x = xe.xbutton.x;
            event.y = xe.xbutton.y;
            return true;
        case MotionNotify: {
            // Only the newest position matters.
            while (XCheckTypedWindowEvent(display_, window_, MotionNotify, &xe)) {
            }
            event.kind = DeviceEvent::Kind::motion;
            event.x = xe.xmotion.x;
            event.y = xe.xmotion.y;
            return true;
        }
        case Expose:
            if (xe.xexpose.count != 0) return false;
            event.kind = DeviceEvent::Kind::expose;
            return true;
        case ConfigureNotify:
            event.kind = DeviceEvent::Kind::resize;
            event.width = xe.xconfigure.width;
            event.height = xe.xconfigure.height;
            return true;
        case ClientMessage:
            if (static_cast<Atom>(xe.xclient.data.l[0]) != delete_atom_) return false;
            event.kind = DeviceEvent::Kind::close;
            return true;
        case DestroyNotify:
            // Destroyed from outside: nothing more can be shown.
            gone_ = true;
            event.kind = DeviceEvent::Kind::close;
            return true;
        case KeyPress: {
            char buffer[8] = {};
            KeySym keysym = 0;
            const int n = XLookupString(&xe.xkey, buffer, sizeof buffer, &keysym, nullptr);
            event.kind = DeviceEvent::Kind::key;
            switch (keysym) {
            case XK_Left: case XK_KP_Left: event.key = DeviceEvent::left; return true;
            case XK_Right: case XK_KP_Right: event.key = DeviceEvent::right; return true;
            case XK_Up: case XK_KP_Up: event.key = DeviceEvent::up; return true;
            case XK_Down: case XK_KP_Down: event.key = DeviceEvent::down; return true;
            case XK_BackSpace: case XK_Delete: event.key = DeviceEvent::backspace; return true;
            case XK_Return: case XK_KP_Enter: case XK_Linefeed:
                event.key = DeviceEvent::enter;
                return true;
            case XK_Tab: event.key = DeviceEvent::tab; return true;
            default: break;
            }
            if ((xe.xkey.state & ControlMask) && (keysym == XK_u || keysym == XK_U)) {
                event.key = DeviceEvent::clear_line;
                return true;
            }
            if (n != 1) return false;
            event.kind = DeviceEvent::Kind::character;
            event.ch = buffer[0];
            return true;
        }
        default:
            return false;
        }
    }

    Display* display_;
    Window window_;
    GC gc_;
    Atom delete_atom_;
    Visual* visual_;
    int depth_;
    bool gone_ = false;
};

// A failed request (a window destroyed from outside, say) is reported, not fatal.
int report_x_error(Display* display, XErrorEvent* error)
{
    char text[160];
    XGetErrorText(display, error->error_code, text, sizeof text);
    std::fprintf(stderr, "WARNING: X request failed: %s\n", text);
    return 0;
}

} // namespace

std::unique_ptr<X11Window> X11Window::open(int width, int height, std::string_view title)
{
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return nullptr;
    XSetErrorHandler(report_x_error);
    const int screen = DefaultScreen(display);
    XVisualInfo info;
    // The backing picture is 32-bit 0x00RRGGBB: it goes to a true-colour visual as it is.
    if (!XMatchVisualInfo(display, screen, 24, TrueColor, &info) || info.red_mask != 0xff0000 ||
        info.green_mask != 0x00ff00 || info.blue_mask != 0x0000ff) {
        XCloseDisplay(display);
        return nullptr;
    }
    XSetWindowAttributes attributes{};
    attributes.background_pixel = WhitePixel(display, screen);
    attributes.border_pixel = BlackPixel(display, screen);
    attributes.colormap = XCreateColormap(display, RootWindow(display, screen), info.visual,
                                          AllocNone);
    attributes.event_mask = ExposureMask | ButtonPressMask | PointerMotionMask | KeyPressMask |
                            StructureNotifyMask;
    const Window window = XCreateWindow(
        display, RootWindow(display, screen), 0, 0, static_cast<unsigned>(width),
        static_cast<unsigned>(height), 0, info.depth, InputOutput, info.visual,
        CWBackPixel | CWBorderPixel | CWColormap | CWEventMask, &attributes);
    Atom delete_atom = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, window, &delete_atom, 1);
    const std::string name(title);
    XStoreName(display, window, name.c_str());
    XClassHint class_hint{const_cast<char*>("zyt_zevuza"), const_cast<char*>("Zyt_zevuza")};
    XSetClassHint(display, window, &class_hint);
    const GC gc = XCreateGC(display, window, 0, nullptr);
    XMapWindow(display, window);
    // Wait until the window can be drawn in.
    for (XEvent xe;;) {
        XNextEvent(display, &xe);
        if (xe.type == Expose) break;
    }
    return std::make_unique<XWindow>(display, window, gc, delete_atom, info.visual, info.depth);
}
