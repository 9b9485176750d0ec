#pragma once
// "My Voice Files (Vellory)": the four categories as folder icons on the left,
// the WAV files of the selected category on the right. "Delete" removes the
// selected file; "Open" hands its record back to the caller.
//
// exec() returns 1 when "Open" was pressed with a file row selected (the
// record is then in m_selected), and 2 for "Close", Esc, the close box, or
// "Open" without a file row. On "Open" the selected category row, if any, is
// stored in m_category whatever the result.
#include "dialogs/CFileListModel.h"
#include "dialogs/VoiceFileInfo.h"

#include <QDialog>
#include <QIcon>
#include <QPersistentModelIndex>
#include <QTimer>

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

struct RecordingFileEntry;
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

    // Deletes a file and returns 0 or the error number. Replaceable so tests
    // can make a deletion fail; an empty function restores unlink.
    using DeleteFunction = std::function<int(const std::string& path)>;
    static void SetDeleteFunction(DeleteFunction deleteFile);

    // Texts of the date and time columns for a local calendar time.
    static QString FileDateText(const std::tm& local);
    static QString FileTimeText(const std::tm& local);
    // The failure box text for a deletion error number.
    static QString DeleteFailureText(int error);

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

    void FillFileList(int category);
    static CFileListModel::Row FormatRow(RecordingFileEntry& entry);
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
};
