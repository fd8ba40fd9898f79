#pragma once

// A data module on a fresh database file, with small SQL helpers to look at
// and to arrange what is stored.

#include "uData.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath(QStringLiteral("clips.db"));
        reopen();
    }

    void reopen()
    {
        dm.ConnectDatabase(path);
        dm.InitDatabase();
    }

    qint64 scalar(const QString &sql)
    {
        TSqliteQuery q(dm.FDConnection, sql);
        q.open();
        return q.eof() ? -999 : q.field(0).asInt64();
    }

    QStringList texts(const QString &sql)
    {
        QStringList out;
        TSqliteQuery q(dm.FDConnection, sql);
        for (q.open(); !q.eof(); q.next())
            out.append(q.field(0).isNull() ? QStringLiteral("<NULL>") : q.field(0).asText());
        return out;
    }

    // A clip with a chosen creation time and place, as an earlier run left it.
    qint64 insertAt(const QString &text, bool pinned, const QString &createdAt, std::optional<qint64> sortIndex = {})
    {
        TSqliteQuery q(dm.FDConnection, QStringLiteral("INSERT INTO items(kind, text, created_at, pinned, sort_index) "
                                                       "VALUES(1, :t, :c, :p, :s)"));
        q.bindText(":t", text).bindText(":c", createdAt).bindInt64(":p", pinned ? 1 : 0);
        if (sortIndex)
            q.bindInt64(":s", *sortIndex);
        else
            q.bindNull(":s");
        q.exec();
        return dm.FDConnection.lastInsertRowId();
    }

    // Texts of the clips in display order.
    QStringList shown()
    {
        QStringList out;
        auto q = dm.QueryItems(QString());
        for (; !q->eof(); q->next())
            out.append(q->field("text").asText());
        return out;
    }

    QByteArray fileBytes(const QString &suffix = QString())
    {
        QFile f(path + suffix);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return f.readAll();
    }

    QTemporaryDir dir;
    QString path;
    TdmData dm;
};
