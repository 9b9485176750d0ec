// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// Main of the tests that need Qt's event loop. Built with
// VELLORY_TEST_CORE_APPLICATION for the tests that need no window: a
// QCoreApplication, so such a test runs without any platform plugin
// (QT_QPA_PLATFORM is unset) and cannot come to depend on one. Otherwise a
// QApplication, on the offscreen platform unless told another.
#ifdef VELLORY_TEST_CORE_APPLICATION
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#else
#include <QApplication>
using TestApplication = QApplication;
#endif

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

int main(int argc, char** argv)
{
#ifndef VELLORY_TEST_CORE_APPLICATION
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
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
        TestApplication app(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        rc = RUN_ALL_TESTS();
    }
    if (isolated) {
        std::error_code ec;
        std::filesystem::remove_all(home, ec);
    }
    return rc;
}
