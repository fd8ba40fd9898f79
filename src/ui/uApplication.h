#pragma once

// The application object of the program and its look.

#include <QApplication>

// Shows what escapes an event handler in an error box, with the error's own
// text, and goes on with the next event.
class TApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject *Receiver, QEvent *Event) override;
};

// A light theme in blue tones on Qt's Fusion style; without Fusion the
// default appearance stays.
void ApplyVisualStyle(QApplication &app);
