/* Test helper: takes the keyboard focus away from a process's window and
 * gives it back, counting the pause sign's border pixels (#E8E8F0) in the
 * window each time. x11_pause_probe PID [timeout-seconds]
 * Prints "active N inactive N back N"; exit 0 when all three were read. */
#include <stdio.h>
#include <stdlib.h>
#include <X11/Xutil.h>

#include "x11_find_window.h"

static long SignPixels(Display* d, Window w) {
    XWindowAttributes a;
    if (!XGetWindowAttributes(d, w, &a)) return -1;
    XImage* image = XGetImage(d, w, 0, 0, (unsigned)a.width, (unsigned)a.height, AllPlanes, ZPixmap);
    if (!image) return -1;
    long n = 0;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            if ((XGetPixel(image, x, y) & 0xFFFFFF) == 0xE8E8F0) ++n;
    XDestroyImage(image);
    return n;
}

/* Moves the focus to w, then reads target until its count is on the wanted
 * side of 100 (or five seconds pass on a slow machine): the last count. */
static long FocusAndCount(Display* d, Window w, Window target, int wantSign) {
    XSetInputFocus(d, w, RevertToParent, CurrentTime);
    XSync(d, False);
    long n = -1;
    for (int i = 0; i < 25; ++i) {
        usleep(200000);
        n = SignPixels(d, target);
        if (n >= 0 && (wantSign ? n >= 100 : n < 100)) break;
    }
    return n;
}

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    Display* d = XOpenDisplay(NULL);
    if (!d) return 3;
    Window w = FindWindowOf(d, atol(argv[1]), argc > 2 ? atoi(argv[2]) : 30);
    if (!w) return 4;
    long active = FocusAndCount(d, w, w, 0);
    /* Another window of our own takes the focus, as a window manager would. */
    Window other = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 8, 8, 0, 0, 0);
    XMapWindow(d, other);
    XSync(d, False);
    usleep(300000);
    long inactive = FocusAndCount(d, other, w, 1);
    long back = FocusAndCount(d, w, w, 0);
    printf("active %ld inactive %ld back %ld\n", active, inactive, back);
    XDestroyWindow(d, other);
    XCloseDisplay(d);
    return active < 0 || inactive < 0 || back < 0 ? 5 : 0;
}
