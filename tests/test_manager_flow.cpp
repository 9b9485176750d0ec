// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// Record through the real audio path, find the recording in the manager, open
// it into the panel and play it back to the end.
#include "PulseTestSupport.h"
#include "TestSupport.h"
#include "common/MessageBoxes.h"
#include "common/Settings.h"
#include "dialogs/CFileManagerDlg.h"
#include "engine/MessageStyle.h"
#include "panel/CBitmapButton.h"
#include "panel/CDisplayPanel.h"
#include "panel/CRecorderDlg.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

class ManagerFlow : public ::testing::Test {
protected:
    void SetUp() override
    {
        VELLORY_REQUIRE_PULSE_SERVER();
        QStandardPaths::setTestModeEnabled(true);
        WriteRoot(m_root.Path() + "/");
        SetMessageBoxHook([this](const QString& text, unsigned) {
            m_boxes.push_back(text.toStdString());
            return IDOK;
        });
    }
    void TearDown() override
    {
        SetMessageBoxHook({});
        WriteRoot("");
    }
    template <class F>
    static bool WaitFor(F done, int ms)
    {
        QElapsedTimer timer;
        timer.start();
        while (!done()) {
            if (timer.elapsed() > ms)
                return false;
            QTest::qWait(20);
        }
        return true;
    }

    TempDir m_root;
    CapturingHost m_host; // the engine's boxes
    std::vector<std::string> m_boxes;
};

} // namespace

TEST_F(ManagerFlow, RecordingListedOpenedAndPlayed)
{
    CRecorderDlg panel;
    panel.show();
    ASSERT_EQ(panel.Display()->GetCategory(), 0);
    // A tone into the sink whose monitor the default source records.
    const std::string tone = m_root.Path() + "/tone.wav";
    ASSERT_EQ(RunCommand("sox -n -r 22050 -c 1 -b 16 '" + tone + "' synth 3 sine 1000 vol 0.5").first, 0);
    const std::string player = "paplay --latency-msec=20 '" + tone + "' >/dev/null 2>&1 &";
    ASSERT_EQ(std::system(player.c_str()), 0);

    panel.Button(IDC_REC)->click();
    ASSERT_EQ(panel.Session()->State().mode, SessionMode::Recording);
    const std::string recorded = panel.Session()->State().file;
    EXPECT_EQ(panel.Display()->GetText(), recorded);
    QTest::qWait(3000);
    ASSERT_TRUE(panel.Button(IDC_STOP)->isEnabled());
    panel.Button(IDC_STOP)->click();
    ASSERT_TRUE(WaitFor([&] { return panel.Session()->State().mode == SessionMode::Idle; }, 5000));
    const auto size = std::filesystem::file_size(recorded);
    ASSERT_GT(size, 46u + 22050u) << "more than half a second of 22050 Hz mono 16-bit";

    // The manager opens on the display's category and lists the recording.
    const std::string name = std::filesystem::path(recorded).filename().string();
    std::vector<std::string> row;
    bool seen = false;
    QTimer watcher;
    watcher.setInterval(20);
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        auto* dlg = qobject_cast<CFileManagerDlg*>(QApplication::activeModalWidget());
        if (!dlg || !dlg->isVisible())
            return;
        watcher.stop();
        seen = true;
        auto* files = dlg->findChild<QTableView*>("fileList");
        QAbstractItemModel* model = files->model();
        for (int r = 0; r < model->rowCount(); ++r) {
            if (model->index(r, 0).data().toString().toStdString() != name)
                continue;
            for (int c = 0; c < model->columnCount(); ++c)
                row.push_back(model->index(r, c).data().toString().toStdString());
            QTest::mouseClick(files->viewport(), Qt::LeftButton, {}, files->visualRect(model->index(r, 1)).center());
        }
        dlg->findChild<QPushButton*>("openButton")->click();
    });
    watcher.start();
    panel.Button(IDC_MANAGER)->click();
    ASSERT_TRUE(seen);
    ASSERT_EQ(row.size(), 9u) << "the new recording has a row";
    EXPECT_EQ(row[1], std::to_string(size >> 10) + "kb");
    EXPECT_EQ(row[4], "22050 Hz");
    EXPECT_EQ(row[5], "1");
    EXPECT_EQ(row[6], "44.1 kb/sec");
    EXPECT_EQ(row[7], "16");
    const uint64_t wholeSeconds = (size - 46) / 44100;
    EXPECT_EQ(row[8], "0:" + std::string(wholeSeconds < 10 ? "0" : "") + std::to_string(wholeSeconds));

    // "Open" put it on the display and enabled PLAY; it plays to the end.
    EXPECT_EQ(panel.Session()->State().file, recorded);
    EXPECT_EQ(panel.Display()->GetText(), recorded);
    ASSERT_TRUE(panel.Button(IDC_PLAY)->isEnabled());
    panel.Button(IDC_PLAY)->click();
    EXPECT_EQ(panel.Session()->State().mode, SessionMode::Playing);
    QElapsedTimer played;
    played.start();
    EXPECT_TRUE(WaitFor([&] { return panel.Session()->State().mode == SessionMode::Idle; }, 10000));
    const double seconds = double(size - 46) / 44100.0;
    EXPECT_GT(played.elapsed(), qint64(seconds * 1000 * 0.7)) << "played for about its length";
    EXPECT_TRUE(m_boxes.empty()) << (m_boxes.empty() ? "" : m_boxes.front());
    EXPECT_TRUE(m_host.Messages().empty());
}
