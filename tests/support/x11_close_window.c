/* Test helper: presses a window's close box the way a window manager does
 * (WM_DELETE_WINDOW). x11_close_window PID [timeout-seconds]
 * Waits for a window of process PID (_NET_WM_PID), so tests running side by
 * side on one X server never close each other's windows; exit 0 when sent. */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static long PidOf(Display* d, Window w) {
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = NULL;
    long pid = -1;
    Atom property = XInternAtom(d, "_NET_WM_PID", True);
    if (property != None &&
        XGetWindowProperty(d, w, property, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after, &data) == Success &&
        data && count == 1 && format == 32)
        pid = (long)*(unsigned long*)data;
    if (data) XFree(data);
    return pid;
}

static Window Find(Display* d, Window w, long pid) {
    XWindowAttributes attributes;
    if (PidOf(d, w) == pid && XGetWindowAttributes(d, w, &attributes) && attributes.map_state == IsViewable) return w;
    Window root, parent, *children = NULL;
    unsigned int n = 0;
    Window found = 0;
    if (XQueryTree(d, w, &root, &parent, &children, &n)) {
        for (unsigned int i = 0; i < n && !found; ++i) found = Find(d, children[i], pid);
        if (children) XFree(children);
    }
    return found;
}

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    long pid = atol(argv[1]);
    int timeout = argc > 2 ? atoi(argv[2]) : 30;
    Display* d = XOpenDisplay(NULL);
    if (!d) return 3;
    Window w = 0;
    for (int i = 0; i < timeout * 10 && !w; ++i) {
        w = Find(d, DefaultRootWindow(d), pid);
        if (!w) usleep(100000);
    }
    if (!w) return 4;
    XEvent e;
    memset(&e, 0, sizeof e);
    e.xclient.type = ClientMessage;
    e.xclient.window = w;
    e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = (long)XInternAtom(d, "WM_DELETE_WINDOW", False);
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, w, False, NoEventMask, &e);
    XFlush(d);
    XCloseDisplay(d);
    return 0;
}
