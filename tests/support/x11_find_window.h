/* Finding a test's own window on a shared X server: the viewable window
 * whose _NET_WM_PID is the process's, waited for up to timeout seconds. */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
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

static Window FindWindowOf(Display* d, long pid, int timeout) {
    Window w = 0;
    for (int i = 0; i < timeout * 10 && !w; ++i) {
        w = Find(d, DefaultRootWindow(d), pid);
        if (!w) usleep(100000);
    }
    return w;
}
