// The program entry: the application, its look and title, the interface
// language, then the data module, the main window and the settings dialog.

#include "uApplication.h"
#include "uData.h"
#include "uMain.h"
#include "uSettings.h"
#include "uUtils.h"

#include "platform/qt/desktop_shell.h"
#include "platform/qt/ini_value_store.h"
#include "platform/qt/qt_clipboard.h"
#include "platform/system_language.h"
#include "platform/x11/x11_hotkeys.h"
#include "platform/x11/x11_input.h"
#include "translation.h"

#include <QApplication>
#include <QClipboard>

#include <memory>

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
    // Without an X display the hotkeys are refused and no key is sent.
    platform::X11Hotkeys hotkeys;
    platform::X11Input input;
    platform::DesktopShell shell;
    auto dmData = std::make_unique<TdmData>();
    auto frmMain = std::make_unique<TfrmMain>(*dmData, TMainServices{clipboard, values, hotkeys, input, shell});
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
