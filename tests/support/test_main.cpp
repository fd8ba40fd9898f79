// The entry point of every test program: points HOME and the XDG folders at
// a fresh temporary folder, creates the application object the tests need and
// runs the tests. Listing the tests needs no display.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <cstdlib>
#include <memory>

// A test program that needs the program's own application class defines
// this; the others get a plain QApplication.
std::unique_ptr<QApplication> createTestApplication(int &argc, char **argv) __attribute__((weak));

int main(int argc, char **argv)
{
    ::testing::InitGoogleMock(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();

    QTemporaryDir home;
    if (!home.isValid())
        return 2;
    const QByteArray root = QFile::encodeName(home.path());
    for (const char *sub : {"config", "data", "cache", "runtime"})
        QDir(home.path()).mkpath(QString::fromLatin1(sub));
    qputenv("HOME", root);
    qputenv("XDG_CONFIG_HOME", root + "/config");
    qputenv("XDG_DATA_HOME", root + "/data");
    qputenv("XDG_CACHE_HOME", root + "/cache");
    qputenv("XDG_RUNTIME_DIR", root + "/runtime");
    QFile::setPermissions(home.path() + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    std::unique_ptr<QApplication> app = createTestApplication
        ? createTestApplication(argc, argv)
        : std::make_unique<QApplication>(argc, argv);
    return RUN_ALL_TESTS();
}
