#include "uApplication.h"

#include "uUtils.h"

#include "platform/error.h"

#include <QMessageBox>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>

namespace {

void ReportError(const QString &text)
{
    QMessageBox::critical(QApplication::activeWindow(), QString::fromLatin1(ApplicationTitle), text);
}

} // namespace

bool TApplication::notify(QObject *Receiver, QEvent *Event)
{
    try {
        return QApplication::notify(Receiver, Event);
    } catch (const platform::Error &e) {
        ReportError(e.message());
    } catch (const std::exception &e) {
        ReportError(QString::fromLocal8Bit(e.what()));
    }
    return false;
}

void ApplyVisualStyle(QApplication &app)
{
    QStyle *fusion = QStyleFactory::create(QStringLiteral("Fusion"));
    if (!fusion)
        return;
    app.setStyle(fusion);
    QPalette p = fusion->standardPalette();
    p.setColor(QPalette::Window, QColor(0xE6, 0xF0, 0xFA));
    p.setColor(QPalette::Base, QColor(0xFF, 0xFF, 0xFF));
    p.setColor(QPalette::AlternateBase, QColor(0xF0, 0xF6, 0xFC));
    p.setColor(QPalette::Button, QColor(0xDC, 0xEA, 0xF7));
    p.setColor(QPalette::Highlight, QColor(0x3A, 0x7B, 0xC8));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::ToolTipBase, QColor(0xFF, 0xFF, 0xF0));
    app.setPalette(p);
}
