/* Test helper: presses a window's close box the way a window manager does
 * (WM_DELETE_WINDOW). x11_close_window PID [timeout-seconds]
 * Waits for a window of process PID (_NET_WM_PID), so tests running side by
 * side on one X server never close each other's windows; exit 0 when sent. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "x11_find_window.h"

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    long pid = atol(argv[1]);
    int timeout = argc > 2 ? atoi(argv[2]) : 30;
    Display* d = XOpenDisplay(NULL);
    if (!d) return 3;
    Window w = FindWindowOf(d, pid, timeout);
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
