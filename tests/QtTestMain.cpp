#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
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
        QApplication app(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        rc = RUN_ALL_TESTS();
    }
    if (isolated) {
        std::error_code ec;
        std::filesystem::remove_all(home, ec);
    }
    return rc;
}
