// Main of the tests that need an event loop but no window: a QCoreApplication,
// so such a test runs without any platform plugin (QT_QPA_PLATFORM is unset).
#include <QCoreApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

int main(int argc, char** argv)
{
    // Each test process gets a home of its own: tests running side by side
    // must not share the settings store or the default recordings folder.
    std::string home = (std::filesystem::temp_directory_path() / "vellory-home-XXXXXX").string();
    const bool isolated = ::mkdtemp(home.data()) != nullptr;
    if (isolated) {
        ::setenv("HOME", home.c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
    }
    int rc = 0;
    {
        QCoreApplication app(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        rc = RUN_ALL_TESTS();
    }
    if (isolated) {
        std::error_code ec;
        std::filesystem::remove_all(home, ec);
    }
    return rc;
}
