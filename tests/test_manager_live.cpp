// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// The manager opened from the panel while it records: the file being
// recorded can be neither deleted nor renamed, and the recording goes on to a
// whole file.
#include "SessionTestSupport.h"
#include "TestSupport.h"
#include "common/MessageBoxes.h"
#include "dialogs/CFileManagerDlg.h"
#include "engine/MessageStyle.h"
#include "panel/CBitmapButton.h"
#include "panel/CDisplayPanel.h"
#include "panel/CRecorderDlg.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

class ManagerWhileRecording : public VirtualAudioTest {
protected:
    void SetUp() override
    {
        // Deleted files go to a trash inside the test's HOME.
        ::setenv("XDG_DATA_HOME", (m_home.Path() + "/data").c_str(), 1);
        VirtualAudioTest::SetUp();
        SetMessageBoxHook([this](const QString& text, unsigned style) {
            m_boxes.push_back({text.toStdString(), style});
            return style == MB_YESNO_QUESTION ? IDYES : IDOK;
        });
    }
    void TearDown() override
    {
        SetMessageBoxHook({});
        VirtualAudioTest::TearDown();
        ::unsetenv("XDG_DATA_HOME");
    }

    CapturingHost m_host;
    std::vector<CapturedMessage> m_boxes;
};

} // namespace

TEST_F(ManagerWhileRecording, DeleteAndRenameOfTheLiveFileAreRefusedAndTheRecordingGoesOn)
{
    CRecorderDlg panel;
    panel.show();
    panel.Button(IDC_REC)->click();
    ASSERT_EQ(panel.Session()->State().mode, SessionMode::Recording);
    const std::string recorded = panel.Session()->State().file;
    EXPECT_EQ(panel.Display()->GetText(), recorded);
    const std::string name = fs::path(recorded).filename().string();
    QTest::qWait(600);

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
        int row = -1;
        for (int r = 0; r < model->rowCount(); ++r)
            if (model->index(r, 0).data().toString().toStdString() == name)
                row = r;
        if (row < 0) {
            ADD_FAILURE() << "the recording in progress is not listed";
            dlg->reject();
            return;
        }
        files->selectRow(row);
        dlg->findChild<QPushButton*>("deleteButton")->click();
        // Renaming it by F2 is refused too.
        row = -1;
        for (int r = 0; r < model->rowCount(); ++r)
            if (model->index(r, 0).data().toString().toStdString() == name)
                row = r;
        if (row >= 0) {
            files->selectRow(row);
            QTest::keyClick(files, Qt::Key_F2);
            if (auto* editor = qobject_cast<QLineEdit*>(files->indexWidget(model->index(row, 0)))) {
                editor->setText("renamed");
                QTest::keyClick(editor, Qt::Key_Return);
            }
        }
        QTimer::singleShot(100, dlg, [dlg] { dlg->reject(); });
    });
    watcher.start();
    panel.Button(IDC_MANAGER)->click();
    ASSERT_TRUE(seen);

    ASSERT_EQ(m_boxes.size(), 3u);
    EXPECT_EQ(m_boxes[0].text, "Do you really want to delete " + name + "?");
    EXPECT_EQ(m_boxes[1].text, "Unable to delete file..\nThe recording is in progress.");
    EXPECT_EQ(m_boxes[1].style, MB_ICONSTOP);
    EXPECT_EQ(m_boxes[2].text, "Unable to rename file..\nThe recording is in progress.");
    EXPECT_TRUE(fs::exists(recorded));
    EXPECT_FALSE(fs::exists(fs::path(recorded).parent_path() / "renamed.wav"));
    EXPECT_EQ(panel.Session()->State().mode, SessionMode::Recording) << "the recording went on behind the dialog";
    EXPECT_TRUE(panel.Session()->RecordingRuns());

    QTest::qWait(600);
    ASSERT_TRUE(panel.Button(IDC_STOP)->isEnabled());
    panel.Button(IDC_STOP)->click();
    for (int i = 0; i < 250 && panel.Session()->State().mode != SessionMode::Idle; ++i)
        QTest::qWait(20);
    ASSERT_EQ(panel.Session()->State().mode, SessionMode::Idle);
    const auto bytes = ReadFileBytes(recorded);
    ASSERT_GE(bytes.size(), 46u);
    EXPECT_EQ(Le32(bytes, 4), bytes.size() - 8) << "finished";
    EXPECT_EQ(Le32(bytes, 42), bytes.size() - 46);
    EXPECT_GT(bytes.size() - 46, 44100u) << "more than a second of 22050 Hz 16-bit mono: nothing was cut";
}
