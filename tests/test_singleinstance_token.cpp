// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// A second start hands the running copy its desktop activation token with
// the show request, so that on Wayland the panel may take the focus.
#include "TestSupport.h"
#include "app/CSingleInstance.h"

#include <QCoreApplication>
#include <QStandardPaths>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>

namespace {

// Runs a second copy's Acquire on its own thread (its socket calls block)
// while this thread serves the first copy; returns the second's result.
bool SecondStart(const QString& key, std::vector<QString>& tokens, CSingleInstance& first)
{
    QObject::connect(&first, &CSingleInstance::showRequested, [&](const QString& token) { tokens.push_back(token); });
    std::atomic<int> result{-1};
    std::thread second([&] {
        CSingleInstance copy(key);
        result = copy.Acquire() ? 1 : 0;
    });
    for (int i = 0; i < 300 && result < 0; ++i)
        QTest::qWait(10);
    second.join();
    QObject::disconnect(&first, &CSingleInstance::showRequested, nullptr, nullptr);
    return result == 1;
}

} // namespace

TEST(SingleInstanceToken, TheSecondStartsActivationTokenReachesTheRunningCopy)
{
    TempDir runtime;
    ::setenv("XDG_RUNTIME_DIR", runtime.Path().c_str(), 1);
    const QString key = QStringLiteral("vellory-token-test");
    CSingleInstance first(key);
    ASSERT_TRUE(first.Acquire());

    std::vector<QString> tokens;
    ::setenv("XDG_ACTIVATION_TOKEN", "kwin-1234_TOKEN", 1);
    EXPECT_FALSE(SecondStart(key, tokens, first)) << "the second copy hands over";
    ASSERT_EQ(tokens.size(), 1u);
    EXPECT_EQ(tokens[0], QStringLiteral("kwin-1234_TOKEN"));

    // Without a token the request is the plain one.
    ::unsetenv("XDG_ACTIVATION_TOKEN");
    tokens.clear();
    EXPECT_FALSE(SecondStart(key, tokens, first));
    ASSERT_EQ(tokens.size(), 1u);
    EXPECT_TRUE(tokens[0].isEmpty());

    // A token with blanks or a line break cannot split the request.
    ::setenv("XDG_ACTIVATION_TOKEN", "a b\nc", 1);
    tokens.clear();
    EXPECT_FALSE(SecondStart(key, tokens, first));
    ASSERT_EQ(tokens.size(), 1u);
    EXPECT_EQ(tokens[0], QStringLiteral("abc"));
    ::unsetenv("XDG_ACTIVATION_TOKEN");
}
