#pragma once

// Catching the X errors of one display around a few requests, instead of
// letting the process-wide handler see them (Xlib's default one exits).

struct _XDisplay;

namespace platform::x11 {

// While it lives, errors of the display's requests are recorded here; errors
// of other displays go on to the handler that was installed before. Traps may
// nest; the innermost one of a display gets its errors.
class ErrorTrap {
public:
    explicit ErrorTrap(_XDisplay *display);
    ~ErrorTrap();
    ErrorTrap(const ErrorTrap &) = delete;
    ErrorTrap &operator=(const ErrorTrap &) = delete;

    // Waits until the server has handled every request sent so far and
    // answers the first error code seen (0 for none).
    int sync();
    // The first error code seen so far, without waiting.
    int errorCode() const { return m_errorCode; }

private:
    friend struct ErrorTrapHandler;
    _XDisplay *m_display;
    int m_errorCode = 0;
    ErrorTrap *m_outer;
    void (*m_previousHandler)();
};

} // namespace platform::x11
