// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// "My Voice Files (Vellory)": the four categories as folder icons on the left,
// the recordings (.wav, .opus, .flac) of the selected category on the right,
// oldest first. "Delete" (or the Delete key) moves the selected file to the
// trash; F2 renames it in place, keeping its extension; "Open", Enter or a
// double click hands its record back to the caller. The recording in progress
// is neither deleted nor renamed. Files the reader cannot read get no row;
// once the list shows, one box names them with the reader's reasons.
//
// exec() returns 1 when "Open" was pressed with a file row selected (the
// record is then in m_selected), and 2 for "Close", Esc, the close box, or
// "Open" without a file row. On "Open" the selected category row, if any, is
// stored in m_category whatever the result.
#include "dialogs/CFileListModel.h"
#include "library/CRecordingFolder.h"
#include "library/CTrash.h"
#include "library/VoiceFileInfo.h"

#include <QDialog>
#include <QIcon>
#include <QPersistentModelIndex>
#include <QTimer>

#include <cstdint>
#include <ctime>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

class QItemSelection;
class QListWidget;
class QPushButton;
class QTableView;

class CFileManagerDlg : public QDialog {
    Q_OBJECT
public:
    explicit CFileManagerDlg(QWidget* parent = nullptr);
    ~CFileManagerDlg() override;

    int32_t m_category = 0;   // in: the category row selected first; out: see above
    VoiceFileInfo m_selected; // the result of "Open"

    // Deletes a file for good and returns 0 or the error number. Replaceable
    // so tests can make a deletion fail; an empty function restores unlink.
    using DeleteFunction = std::function<int(const std::string& path)>;
    static void SetDeleteFunction(DeleteFunction deleteFile);
    // Moves a file to the trash (see CTrash). Replaceable for tests; an empty
    // function restores CTrash::MoveToTrash.
    using TrashFunction = std::function<CTrash::Result(const std::string& path, int& error)>;
    static void SetTrashFunction(TrashFunction trashFile);

    // Texts of the date and time columns for a local calendar time.
    static QString FileDateText(const std::tm& local);
    static QString FileTimeText(const std::tm& local);
    // The failure box text for a deletion error number.
    static QString DeleteFailureText(int error);
    // The system's text for an error number, or "Error number N." without one.
    static QString ErrorText(int error);
    static const char* const InProgressText;  // why the recording in progress stays
    // The Length column: "m:ss", from one hour "h:mm:ss", whole seconds
    // rounded down; empty when the record has no length.
    static QString LengthText(const VoiceFileInfo& record);
    // The one box over the files a listing could not read: each named with
    // its reason, at most MaxUnreadableNamed of them, then how many more.
    static constexpr size_t MaxUnreadableNamed = 10;
    static QString UnreadableText(const std::vector<UnreadableFile>& files);

    // The category whose files the list shows (-1 before the first fill).
    int ListedCategory() const { return m_listedCategory; }

public slots:
    void accept() override;
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool OnInitDialog();
    void OnOK();
    void OnDelete();
    void OnCategoryItemChanged(const QItemSelection& selected);
    void OnFileRowEntered(const QModelIndex& index);
    void OnHoverTimeout();
    void StartRename();
    void OnRenameRequested(int row, const QString& name);
    // Removes the file at `path`: to the trash, or for good after a second
    // question where no trash can take it. Returns 0 or the error number
    // (-1 when the user kept the file).
    int RemoveFile(const std::string& path, const QString& shownName);

    void FillFileList(int category);
    // Queues the box over a listing's unreadable files, unless this dialog
    // has already named each of them, for the same reason, in that category.
    void ReportUnreadable(int category, std::vector<UnreadableFile> files);
    void ShowPendingUnreadable();
    static CFileListModel::Row FormatRow(RecordingFileEntry& entry);
    void SizeColumnsToContents();
    int GetSelectedFileRow() const;
    int GetSelectedCategoryRow() const;

    QListWidget* m_categoryList;
    QTableView* m_fileList;
    CFileListModel* m_fileModel;
    std::vector<QIcon> m_images;
    QPushButton* m_btnOpen;
    QPushButton* m_btnClose;
    QPushButton* m_btnDelete;

    QTimer m_hoverTimer; // a row under the resting pointer becomes selected
    QPersistentModelIndex m_hoverIndex;
    int m_listedCategory = -1;
    bool m_initialised = false;

    std::vector<UnreadableFile> m_pendingUnreadable; // of m_listedCategory, shown once the list is up
    bool m_unreadableQueued = false;
    std::map<int, std::set<std::string>> m_reportedUnreadable; // per category: name and reason, as named
};
