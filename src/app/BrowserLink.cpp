#include "app/BrowserLink.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>

#ifdef TAV_HAVE_X11
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <vector>
#endif

namespace BrowserLink {
namespace {

// Lets pending events through, then waits without blocking them.
void Pause(int milliseconds)
{
    QCoreApplication::processEvents();
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

#ifdef TAV_HAVE_X11

// Windows vanish while we walk them; their errors must not end the program.
int IgnoreXErrors(Display*, XErrorEvent*) { return 0; }

class XDisplay {
public:
    XDisplay() : display_(XOpenDisplay(nullptr)) {}
    ~XDisplay()
    {
        if (display_)
            XCloseDisplay(display_);
    }
    XDisplay(const XDisplay&) = delete;
    XDisplay& operator=(const XDisplay&) = delete;
    Display* get() const { return display_; }

private:
    Display* display_;
};

// The top-level windows in the order the system lists them: the window
// manager's client list, or the root's children when no manager runs.
std::vector<Window> TopLevelWindows(Display* display)
{
    std::vector<Window> windows;
    Window root = DefaultRootWindow(display);
    Atom clientList = XInternAtom(display, "_NET_CLIENT_LIST", True);
    if (clientList != None) {
        Atom type = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, root, clientList, 0, 65536, False, XA_WINDOW, &type, &format, &count, &after,
                               &data) == Success && data) {
            auto* ids = reinterpret_cast<Window*>(data);
            windows.assign(ids, ids + count);
            XFree(data);
        }
    }
    if (windows.empty()) {
        Window rootReturn = 0, parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (XQueryTree(display, root, &rootReturn, &parent, &children, &count) && children) {
            windows.assign(children, children + count);
            XFree(children);
        }
    }
    return windows;
}

QString Caption(Display* display, Window window)
{
    Atom netName = XInternAtom(display, "_NET_WM_NAME", False);
    Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, netName, 0, 1024, False, utf8, &type, &format, &count, &after, &data)
            == Success && data) {
        QString caption = QString::fromUtf8(reinterpret_cast<char*>(data), qsizetype(count));
        XFree(data);
        return caption;
    }
    char* name = nullptr;
    if (XFetchName(display, window, &name) && name) {
        QString caption = QString::fromLocal8Bit(name);
        XFree(name);
        return caption;
    }
    return QString();
}

void BringToFront(Display* display, Window window)
{
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display, window, &attributes) || attributes.map_state != IsViewable)
        return;
    // Ask the window manager, if one runs, and set the focus ourselves for
    // displays without one.
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = 2; // a request from a pager-like tool
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, DefaultRootWindow(display), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XRaiseWindow(display, window);
    XSetInputFocus(display, window, RevertToParent, CurrentTime);
    XSync(display, False);
}

void PressF5(Display* display)
{
    KeyCode f5 = XKeysymToKeycode(display, XK_F5);
    XTestFakeKeyEvent(display, f5, True, CurrentTime);
    XTestFakeKeyEvent(display, f5, False, CurrentTime);
    XSync(display, False);
}

#endif

} // namespace

bool Available()
{
#ifdef TAV_HAVE_X11
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return false;
    XDisplay display;
    int event = 0, error = 0, major = 0, minor = 0;
    return display.get() && XTestQueryExtension(display.get(), &event, &error, &major, &minor);
#else
    return false;
#endif
}

int ReloadMatching(const QString& captionPart, bool focusBack, unsigned long ownWindow,
                   const std::vector<unsigned long>& skipped)
{
#ifdef TAV_HAVE_X11
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        return 0;
    XDisplay display;
    if (!display.get())
        return 0;
    auto previousHandler = XSetErrorHandler(IgnoreXErrors);
    int reloaded = 0;
    for (Window window : TopLevelWindows(display.get())) {
        if (std::find(skipped.begin(), skipped.end(), window) != skipped.end()
            || !CaptionMatches(Caption(display.get(), window), captionPart))
            continue;
        BringToFront(display.get(), window);
        PressF5(display.get());
        ++reloaded;
        Pause(300);
        if (focusBack && ownWindow)
            BringToFront(display.get(), Window(ownWindow));
    }
    XSetErrorHandler(previousHandler);
    return reloaded;
#else
    Q_UNUSED(captionPart);
    Q_UNUSED(focusBack);
    Q_UNUSED(ownWindow);
    Q_UNUSED(skipped);
    Pause(0);
    return 0;
#endif
}

} // namespace BrowserLink
