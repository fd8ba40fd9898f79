// A stand-in for another program that holds a system-wide key combination:
//   key_grab_peer <X modifier mask, decimal> <keysym name> [--exact]
// grabs the combination on the root window, also with CapsLock and NumLock
// unless --exact asks for that one modifier state alone, prints "GRABBED"
// (or "REFUSED" and exits 1 when another client holds any of them) and
// keeps the grab until it is killed or its stdin closes.

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace {

bool refused = false;

int recordError(Display *, XErrorEvent *)
{
    refused = true;
    return 0;
}

unsigned int numLockMask(Display *display)
{
    const KeyCode numLock = XKeysymToKeycode(display, XK_Num_Lock);
    XModifierKeymap *map = XGetModifierMapping(display);
    unsigned int mask = 0;
    for (int modifier = 0; modifier < 8 && numLock != 0; ++modifier)
        for (int i = 0; i < map->max_keypermod; ++i)
            if (map->modifiermap[modifier * map->max_keypermod + i] == numLock)
                mask = 1u << modifier;
    XFreeModifiermap(map);
    return mask;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3 && !(argc == 4 && std::strcmp(argv[3], "--exact") == 0))
        return 2;
    const bool exact = argc == 4;
    Display *display = XOpenDisplay(nullptr);
    if (!display)
        return 2;
    const unsigned int mask = unsigned(std::strtoul(argv[1], nullptr, 10));
    const KeySym keysym = XStringToKeysym(argv[2]);
    const KeyCode keycode = keysym == NoSymbol ? 0 : XKeysymToKeycode(display, keysym);
    if (keycode == 0)
        return 2;

    const unsigned int numLock = exact ? 0 : numLockMask(display);
    const unsigned int locks = exact ? 0 : LockMask;
    XSetErrorHandler(recordError);
    for (unsigned int variant : {0u, locks, numLock, locks | numLock})
        XGrabKey(display, keycode, mask | variant, DefaultRootWindow(display), False, GrabModeAsync, GrabModeAsync);
    XSync(display, False);
    std::puts(refused ? "REFUSED" : "GRABBED");
    std::fflush(stdout);
    if (refused)
        return 1;

    while (std::getchar() != EOF) {
    }
    XCloseDisplay(display);
    return 0;
}
