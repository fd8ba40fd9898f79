// A second program for the durability test: inserts text clips into the
// database given as its argument and prints the id of each clip as soon as
// its insertion has returned, until it is killed.

#include "uData.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    TdmData dm;
    dm.ConnectDatabase(QString::fromLocal8Bit(argv[1]));
    dm.InitDatabase();
    for (int i = 0;; ++i) {
        dm.AddText(QStringLiteral("durable clip %1").arg(i), QString(), false);
        std::printf("%lld\n", static_cast<long long>(dm.FDConnection.lastInsertRowId()));
        std::fflush(stdout);
    }
}
