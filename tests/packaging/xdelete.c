// xdelete WINDOW: asks an X window to close the way a window manager does,
// with a WM_DELETE_WINDOW message, so the program runs its normal shutdown.
// (xdotool's windowclose destroys the window under the program instead.)
#include <X11/Xlib.h>
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: xdelete WINDOW\n");
        return 2;
    }
    Display* display = XOpenDisplay(NULL);
    if (!display) {
        fprintf(stderr, "xdelete: cannot open the display\n");
        return 1;
    }
    Window window = (Window)strtoul(argv[1], NULL, 0);
    XEvent event = { 0 };
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = (long)XInternAtom(display, "WM_DELETE_WINDOW", False);
    event.xclient.data.l[1] = CurrentTime;
    Status sent = XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    XCloseDisplay(display);
    return sent ? 0 : 1;
}
