// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// Every box the program shows carries its name as the title: the real boxes,
// raised on the interface thread or from another thread, over a window or
// over none. (What a test's hook is told is checked where boxes are counted.)
#include "common/MessageBoxes.h"
#include "engine/MessageStyle.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

struct SeenBox {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool parented = false;
};

// Answers the next real box the way a user would: reads it, then presses
// the button given (Yes or OK).
class BoxAnswerer {
public:
    BoxAnswerer()
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            m_timer.stop();
            m_seen = {box->windowTitle(), box->text(), box->icon(), box->parentWidget() != nullptr};
            ++m_count;
            QAbstractButton* button = box->button(QMessageBox::Yes);
            if (!button)
                button = box->button(QMessageBox::Ok);
            if (button)
                button->click();
            else
                box->reject();
        });
        m_timer.start();
    }
    const SeenBox& Seen() const { return m_seen; }
    int Count() const { return m_count; }

private:
    QTimer m_timer;
    SeenBox m_seen;
    int m_count = 0;
};

struct StyleCase {
    unsigned style;
    QMessageBox::Icon icon;
    int answer;
};

class RealBoxes : public ::testing::TestWithParam<StyleCase> {
protected:
    void SetUp() override { SetMessageBoxHook({}); }
};

TEST_P(RealBoxes, TitledWithTheProgramsNameOnEveryPath)
{
    const StyleCase& c = GetParam();
    QDialog window;
    window.setWindowTitle(QStringLiteral("My Voice Files (Vellory)"));
    window.show();
    for (const bool parented : {false, true}) {
        BoxAnswerer answerer;
        const QString text = QStringLiteral("Text of a box %1").arg(parented);
        EXPECT_EQ(ShowMessageBox(text, c.style, parented ? &window : nullptr), c.answer);
        ASSERT_EQ(answerer.Count(), 1);
        EXPECT_EQ(answerer.Seen().title.toStdString(), "Vellory");
        EXPECT_EQ(answerer.Seen().text.toStdString(), text.toStdString());
        EXPECT_EQ(answerer.Seen().icon, c.icon);
        if (parented)
            EXPECT_TRUE(answerer.Seen().parented) << "over the given window";
    }

    // From a worker thread the box comes up on the interface thread.
    BoxAnswerer answerer;
    std::atomic<int> result{0};
    std::thread worker([&] { result = ShowMessageBox(QStringLiteral("From a worker"), c.style); });
    for (int i = 0; i < 500 && result == 0; ++i)
        QTest::qWait(10);
    worker.join();
    EXPECT_EQ(result.load(), c.answer);
    ASSERT_EQ(answerer.Count(), 1);
    EXPECT_EQ(answerer.Seen().title.toStdString(), "Vellory");
    EXPECT_EQ(answerer.Seen().text.toStdString(), "From a worker");
}

INSTANTIATE_TEST_SUITE_P(Styles, RealBoxes,
                         ::testing::Values(StyleCase{MB_OK, QMessageBox::NoIcon, IDOK},
                                           StyleCase{MB_ICONSTOP, QMessageBox::Critical, IDOK},
                                           StyleCase{MB_ICONEXCLAMATION, QMessageBox::Warning, IDOK},
                                           StyleCase{MB_YESNO_QUESTION, QMessageBox::Question, IDYES}));

} // namespace
