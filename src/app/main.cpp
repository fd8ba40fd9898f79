// The program entry: the application, its look and title, the interface
// language, then the data module, the main window and the settings dialog.

#include "uData.h"
#include "uMain.h"
#include "uSettings.h"
#include "uUtils.h"

#include "platform/error.h"
#include "platform/qt/ini_value_store.h"
#include "platform/qt/qt_clipboard.h"
#include "platform/system_language.h"
#include "translation.h"

#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>

#include <memory>

namespace {

// Shows what escapes an event handler in an error box, with the error's own
// text, and goes on.
class TApplication : public QApplication {
public:
    using QApplication::QApplication;

    bool notify(QObject *Receiver, QEvent *Event) override
    {
        try {
            return QApplication::notify(Receiver, Event);
        } catch (const platform::Error &e) {
            report(e.message());
        } catch (const std::exception &e) {
            report(QString::fromLocal8Bit(e.what()));
        }
        return false;
    }

private:
    static void report(const QString &text)
    {
        QMessageBox::critical(activeWindow(), QString::fromLatin1(ApplicationTitle), text);
    }
};

// A light theme in blue tones on Qt's Fusion style.
void ApplyVisualStyle(QApplication &app)
{
    QStyle *fusion = QStyleFactory::create(QStringLiteral("Fusion"));
    if (!fusion)
        return; // the default appearance stays
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

} // namespace

int main(int argc, char **argv)
{
    TApplication app(argc, argv);
    ApplyVisualStyle(app);
    QApplication::setApplicationName(QString::fromLatin1(ApplicationTitle));

    platform::IniValueStore values;
    LoadTranslation(values, platform::systemPrimaryLanguageId(),
                    TranslationFileName(QCoreApplication::applicationDirPath()));

    // The version check would run here; a newer version only comes with its own dialog.

    platform::QtClipboard clipboard(QGuiApplication::clipboard());
    auto dmData = std::make_unique<TdmData>();
    auto frmMain = std::make_unique<TfrmMain>(*dmData, TMainServices{clipboard, values});
    auto frmSettings = std::make_unique<TfrmSettings>(frmMain.get(), frmMain.get());
    frmMain->SetSettingsForm(frmSettings.get());

    frmMain->show();
    const int rc = app.exec();

    frmMain->SetSettingsForm(nullptr);
    frmSettings.reset();
    frmMain.reset();
    dmData.reset();
    return rc;
}
