#pragma once

// The main window and the settings dialog as the program creates them, on
// the offscreen platform over the simulated platform, with an empty data
// directory of its own for each test.

#include "platform/simulated/simulated_clipboard.h"
#include "platform/simulated/simulated_desktop.h"
#include "platform/simulated/simulated_hotkeys.h"
#include "platform/simulated/simulated_value_store.h"
#include "test_support.h"
#include "uClipListModel.h"
#include "uData.h"
#include "uMain.h"
#include "uSettings.h"
#include "uSqlite.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <memory>

class MainWindowFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Every test starts with an empty data directory of its own.
        ASSERT_TRUE(dataHome.isValid());
        qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome.path()));
        start();
    }

    void start()
    {
        frmMain = std::make_unique<TfrmMain>(dm, TMainServices{cb, values, hotkeys, desktop, desktop});
        frmSettings = std::make_unique<TfrmSettings>(frmMain.get(), frmMain.get());
        frmMain->SetSettingsForm(frmSettings.get());
        frmMain->show();
        testsupport::drainEvents();
    }

    void stop()
    {
        frmMain->SetSettingsForm(nullptr);
        frmSettings.reset();
        frmMain.reset();
        dm.CloseDatabase();
    }

    void copy(const QString &text)
    {
        ASSERT_TRUE(cb.offerText(text));
        testsupport::drainEvents();
    }

    QStringList rows()
    {
        QStringList out;
        for (int i = 0; i < frmMain->ListModel()->rowCount(); ++i)
            out.append(frmMain->ListModel()->Row(i).Caption);
        return out;
    }

    // A click on a row, as the user makes it.
    void userSelect(int row)
    {
        QTreeView *lv = frmMain->lvItems;
        const QRect r = lv->visualRect(frmMain->ListModel()->index(row, 0));
        QTest::mouseClick(lv->viewport(), Qt::LeftButton, {}, r.center());
        testsupport::drainEvents();
    }

    qint64 count(const QString &where = QString())
    {
        TSqliteQuery q(dm.FDConnection, QStringLiteral("SELECT COUNT(*) FROM items ") + where);
        q.open();
        return q.field(0).asInt64();
    }

    QString clipboardText()
    {
        using namespace platform;
        cb.open(nullptr);
        const QString t = utf16UpToNul(cb.data(CF_UNICODETEXT).value_or(QByteArray()));
        cb.close();
        return t;
    }

    QTemporaryDir dataHome;
    // The first selection's tip and any other box is answered with OK.
    testsupport::MessageBoxAnswerer okToEverything{QMessageBox::Ok};
    platform::SimulatedClipboard cb;
    platform::SimulatedValueStore values;
    platform::SimulatedHotkeys hotkeys;
    platform::SimulatedDesktop desktop;
    TdmData dm;
    std::unique_ptr<TfrmMain> frmMain;
    std::unique_ptr<TfrmSettings> frmSettings;
};
