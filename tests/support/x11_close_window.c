/* Test helper: presses a window's close box the way a window manager does
 * (WM_DELETE_WINDOW). x11_close_window NAME [timeout-seconds]
 * Waits for a window whose title is NAME; exit 0 when the message was sent. */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static Window Find(Display* d, Window w, const char* name) {
    char* title = NULL;
    if (XFetchName(d, w, &title) && title) {
        int same = strcmp(title, name) == 0;
        XFree(title);
        if (same) return w;
    }
    Window root, parent, *children = NULL;
    unsigned int n = 0;
    Window found = 0;
    if (XQueryTree(d, w, &root, &parent, &children, &n)) {
        for (unsigned int i = 0; i < n && !found; ++i) found = Find(d, children[i], name);
        if (children) XFree(children);
    }
    return found;
}

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    int timeout = argc > 2 ? atoi(argv[2]) : 30;
    Display* d = XOpenDisplay(NULL);
    if (!d) return 3;
    Window w = 0;
    for (int i = 0; i < timeout * 10 && !w; ++i) {
        w = Find(d, DefaultRootWindow(d), argv[1]);
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
