#include "platform/x11/x11_error_trap.h"

#include <X11/Xlib.h>

namespace platform::x11 {

namespace {
using Handler = int (*)(Display *, XErrorEvent *);
ErrorTrap *s_innermost = nullptr;
} // namespace

struct ErrorTrapHandler {
    static int handle(Display *display, XErrorEvent *error)
    {
        ErrorTrap *outermost = nullptr;
        for (ErrorTrap *t = s_innermost; t; t = t->m_outer) {
            if (t->m_display == display) {
                if (t->m_errorCode == 0)
                    t->m_errorCode = error->error_code;
                return 0;
            }
            outermost = t;
        }
        const auto previous = outermost ? reinterpret_cast<Handler>(outermost->m_previousHandler) : nullptr;
        return previous ? previous(display, error) : 0;
    }
};

ErrorTrap::ErrorTrap(_XDisplay *display) : m_display(display), m_outer(s_innermost)
{
    // Errors of requests sent before the trap belong to whoever sent them.
    XSync(display, False);
    m_previousHandler = reinterpret_cast<void (*)()>(XSetErrorHandler(&ErrorTrapHandler::handle));
    s_innermost = this;
}

ErrorTrap::~ErrorTrap()
{
    XSync(m_display, False);
    s_innermost = m_outer;
    XSetErrorHandler(reinterpret_cast<Handler>(m_previousHandler));
}

int ErrorTrap::sync()
{
    XSync(m_display, False);
    return m_errorCode;
}

} // namespace platform::x11
