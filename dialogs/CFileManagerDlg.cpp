// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "CFileManagerDlg.h"

#include "common/CategoryNames.h"
#include "common/DialogUnits.h"
#include "common/EngineTexts.h"
#include "common/MessageBoxes.h"
#include "dialogs/CFileListModel.h"
#include "engine/CWavFile.h"
#include "engine/MessageStyle.h"
#include "library/CRecordingFolder.h"
#include "library/RecordingNames.h"
#include "library/RenameNoReplace.h"
#include "res/Resources.h"

#include <QApplication>
#include <QHeaderView>
#include <QStyle>
#include <QItemSelection>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableView>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <unordered_set>
#include <sys/stat.h>
#include <unistd.h>

namespace {
constexpr int kHoverTimeMs = 400; // the usual resting time before hover selection

std::mutex g_deleteMutex;
CFileManagerDlg::DeleteFunction g_deleteFile;
CFileManagerDlg::TrashFunction g_trashFile;

CTrash::Result TrashFile(const std::string& path, int& error)
{
    CFileManagerDlg::TrashFunction trashFile;
    {
        std::lock_guard lock(g_deleteMutex);
        trashFile = g_trashFile;
    }
    if (trashFile)
        return trashFile(path, error);
    return CTrash::MoveToTrash(path, error);
}

int DeleteFile(const std::string& path)
{
    CFileManagerDlg::DeleteFunction deleteFile;
    {
        std::lock_guard lock(g_deleteMutex);
        deleteFile = g_deleteFile;
    }
    if (deleteFile)
        return deleteFile(path);
    return ::unlink(path.c_str()) == 0 ? 0 : errno;
}

// Local calendar fields of a time in seconds since the epoch.
std::tm LocalTime(int64_t seconds)
{
    const std::time_t t = std::time_t(seconds);
    std::tm local{};
    localtime_r(&t, &local);
    return local;
}

// The extensions of the recordings the manager lists; a rename keeps the
// file's own. Returns the length of the one `name` ends with (any case), or 0.
int RecordingExtensionLength(const QString& name)
{
    for (const QLatin1String extension : {QLatin1String(".wav"), QLatin1String(".opus"), QLatin1String(".flac")})
        if (name.endsWith(extension, Qt::CaseInsensitive))
            return int(extension.size());
    return 0;
}

// Restores the cursor however the listing ends.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// Selection stays visible when the list does not have the focus.
void ShowSelectionWithoutFocus(QWidget* view)
{
    QPalette palette = view->palette();
    palette.setColor(QPalette::Inactive, QPalette::Highlight, palette.color(QPalette::Active, QPalette::Highlight));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     palette.color(QPalette::Active, QPalette::HighlightedText));
    view->setPalette(palette);
}
} // namespace

void CFileManagerDlg::SetDeleteFunction(DeleteFunction deleteFile)
{
    std::lock_guard lock(g_deleteMutex);
    g_deleteFile = std::move(deleteFile);
}

void CFileManagerDlg::SetTrashFunction(TrashFunction trashFile)
{
    std::lock_guard lock(g_deleteMutex);
    g_trashFile = std::move(trashFile);
}

const char* const CFileManagerDlg::InProgressText = QT_TR_NOOP("The recording is in progress.");

QString CFileManagerDlg::FileDateText(const std::tm& local)
{
    const int month = local.tm_mon + 1;
    char text[48];
    std::snprintf(text, sizeof text, "%02d-%s-%d", local.tm_mday, g_monthNames[month >= 1 && month <= 12 ? month : 0],
                  local.tm_year + 1900);
    return QString::fromLatin1(text);
}

QString CFileManagerDlg::FileTimeText(const std::tm& local)
{
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec);
    return QString::fromLatin1(text);
}

QString CFileManagerDlg::LengthText(const VoiceFileInfo& record)
{
    if (!(record.flags & VFI_LENGTH))
        return {};
    const uint64_t seconds = record.lengthMs / 1000;
    const auto twoDigits = [](uint64_t value) { return QString::number(value).rightJustified(2, QLatin1Char('0')); };
    if (seconds < 3600)
        return QString::number(seconds / 60) + QLatin1Char(':') + twoDigits(seconds % 60);
    return QString::number(seconds / 3600) + QLatin1Char(':') + twoDigits(seconds / 60 % 60) + QLatin1Char(':') +
           twoDigits(seconds % 60);
}

QString CFileManagerDlg::UnreadableText(const std::vector<UnreadableFile>& files)
{
    QString text = files.size() == 1 ? tr("This file could not be read:") : tr("These files could not be read:");
    const size_t named = std::min(files.size(), MaxUnreadableNamed);
    for (size_t i = 0; i < named; ++i) {
        // A reason may run over lines ("...\n<path>"): each file keeps to one.
        QString reason = TranslateEngineText(files[i].reason).simplified();
        text += QLatin1Char('\n') + tr("%1: %2").arg(QString::fromLocal8Bit(files[i].name.c_str()), reason);
    }
    if (files.size() > named)
        text += QLatin1Char('\n') + tr("and %1 more.").arg(files.size() - named);
    return text;
}

QString CFileManagerDlg::ErrorText(int error)
{
    const char* system = ::strerrordesc_np(error);
    return system ? QString::fromLocal8Bit(system) : tr("Error number %1.").arg(error);
}

QString CFileManagerDlg::DeleteFailureText(int error)
{
    return tr("Unable to delete file..\n%1").arg(ErrorText(error));
}

CFileManagerDlg::CFileManagerDlg(QWidget* parent)
    : QDialog(parent)
    , m_categoryList(new QListWidget(this))
    , m_fileList(new QTableView(this))
    , m_fileModel(new CFileListModel(this))
    , m_btnOpen(new QPushButton(tr("Open"), this))
    , m_btnClose(new QPushButton(tr("Close"), this))
    , m_btnDelete(new QPushButton(tr("Delete"), this))
{
    setWindowTitle(tr("My Voice Files (Vellory)"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    // 100 dialog units wider than the eight columns needed: a row of the
    // program's own recordings shows all nine, Length last, without
    // scrolling sideways. The buttons on the right move with the edge.
    constexpr int kWider = 100;
    setFixedSize(DuSize(475 + kWider, 250, DuRound::Down));

    m_btnOpen->setObjectName(QStringLiteral("openButton"));
    m_btnOpen->setGeometry(DuRect(363 + kWider, 229, 50, 14, DuRound::Down));
    m_btnOpen->setDefault(true);
    m_btnClose->setObjectName(QStringLiteral("closeButton"));
    m_btnClose->setGeometry(DuRect(418 + kWider, 229, 50, 14, DuRound::Down));
    m_btnDelete->setObjectName(QStringLiteral("deleteButton"));
    m_btnDelete->setGeometry(DuRect(7, 227, 69, 16, DuRound::Down));

    m_fileList->setObjectName(QStringLiteral("fileList"));
    m_fileList->setGeometry(DuRect(82, 7, 386 + kWider, 214, DuRound::Down));
    m_fileList->setModel(m_fileModel);
    m_fileList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_fileList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_fileList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_fileList->setSortingEnabled(false);
    m_fileList->setWordWrap(false);
    m_fileList->setCornerButtonEnabled(false);
    // Arrows move between rows; Tab leaves the table (Qt's default walks its
    // cells and never gets out).
    m_fileList->setTabKeyNavigation(false);
    m_fileList->verticalHeader()->hide();
    m_fileList->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_fileList->verticalHeader()->setMinimumSectionSize(1);
    m_fileList->verticalHeader()->setDefaultSectionSize(m_fileList->fontMetrics().height() + 4);
    m_fileList->horizontalHeader()->setSectionsClickable(false);
    m_fileList->horizontalHeader()->setHighlightSections(false);
    m_fileList->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_fileList->setMouseTracking(true);
    m_fileList->viewport()->installEventFilter(this);
    ShowSelectionWithoutFocus(m_fileList);

    m_categoryList->setObjectName(QStringLiteral("categoryList"));
    m_categoryList->setGeometry(DuRect(7, 7, 73, 214, DuRound::Down));
    m_categoryList->setViewMode(QListView::IconMode);
    m_categoryList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_categoryList->setMovement(QListView::Static);
    m_categoryList->setFlow(QListView::LeftToRight);
    m_categoryList->setWrapping(true);
    m_categoryList->setResizeMode(QListView::Adjust);
    m_categoryList->setWordWrap(false);
    m_categoryList->setIconSize(QSize(32, 32));
    m_categoryList->setGridSize(QSize(DuX(73, DuRound::Down) - 8, 32 + 2 * m_categoryList->fontMetrics().height() + 8));
    m_categoryList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_categoryList->viewport()->installEventFilter(this);
    ShowSelectionWithoutFocus(m_categoryList);

    setTabOrder(m_btnOpen, m_btnClose);
    setTabOrder(m_btnClose, m_fileList);
    setTabOrder(m_fileList, m_btnDelete);
    setTabOrder(m_btnDelete, m_categoryList);

    connect(m_btnOpen, &QPushButton::clicked, this, &CFileManagerDlg::OnOK);
    connect(m_btnClose, &QPushButton::clicked, this, &CFileManagerDlg::reject);
    connect(m_btnDelete, &QPushButton::clicked, this, &CFileManagerDlg::OnDelete);
    connect(m_categoryList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this](const QItemSelection& selected, const QItemSelection&) { OnCategoryItemChanged(selected); });
    connect(m_fileList, &QAbstractItemView::entered, this, &CFileManagerDlg::OnFileRowEntered);
    connect(m_fileList, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        if (!index.isValid())
            return;
        m_fileList->selectRow(index.row());
        OnOK();
    });
    m_fileList->installEventFilter(this);
    m_fileModel->SetRenamable(true);
    // Handled once the editor has closed, so that boxes never meet an open editor.
    connect(m_fileModel, &CFileListModel::RenameRequested, this, &CFileManagerDlg::OnRenameRequested,
            Qt::QueuedConnection);

    m_categoryList->setAccessibleName(tr("Categories"));
    m_categoryList->setAccessibleDescription(tr("The category whose recordings are listed"));
    m_fileList->setAccessibleName(tr("Recordings"));
    m_fileList->setAccessibleDescription(
        tr("Enter opens the selected recording, Delete moves it to the trash, F2 renames it"));
    m_btnOpen->setAccessibleName(tr("Open"));
    m_btnOpen->setAccessibleDescription(tr("Opens the selected recording on the panel"));
    m_btnClose->setAccessibleName(tr("Close"));
    m_btnClose->setAccessibleDescription(tr("Closes the recordings manager"));
    m_btnDelete->setAccessibleName(tr("Delete"));
    m_btnDelete->setAccessibleDescription(tr("Moves the selected recording to the trash"));

    m_hoverTimer.setSingleShot(true);
    m_hoverTimer.setInterval(kHoverTimeMs);
    connect(&m_hoverTimer, &QTimer::timeout, this, &CFileManagerDlg::OnHoverTimeout);
}

CFileManagerDlg::~CFileManagerDlg() = default;

void CFileManagerDlg::showEvent(QShowEvent* event)
{
    if (!m_initialised) {
        m_initialised = true;
        OnInitDialog();
    }
    QDialog::showEvent(event);
}

bool CFileManagerDlg::OnInitDialog()
{
    InitVelloryResources();
    m_images = {QIcon(QStringLiteral(":/images/icon129.png")), QIcon(QStringLiteral(":/images/icon130.png"))};
    for (int category = 0; category < kCategoryCount; ++category) {
        auto* item = new QListWidgetItem(m_images[0], CategoryName(category));
        item->setTextAlignment(Qt::AlignHCenter | Qt::AlignTop);
        m_categoryList->addItem(item);
    }
    // Selecting the entry category fills the file list through the change
    // notification; there is no other initial fill.
    if (m_category >= 0 && m_category < m_categoryList->count())
        m_categoryList->setCurrentRow(m_category);
    m_btnOpen->setFocus();
    return true;
}

void CFileManagerDlg::OnCategoryItemChanged(const QItemSelection& selected)
{
    // A row losing its selection leaves the list as it is.
    if (selected.isEmpty())
        return;
    const int category = GetSelectedCategoryRow();
    if (category >= 0)
        FillFileList(category);
}

void CFileManagerDlg::FillFileList(int category)
{
    WaitCursor wait;
    m_hoverTimer.stop();
    m_fileModel->DeleteAllRows();
    m_listedCategory = category;

    // No box per unreadable file: they are named together once the list shows.
    std::vector<UnreadableFile> unreadable;
    std::vector<RecordingFileEntry> entries = CRecordingFolder(GetCategoryFolder(category)).List(&unreadable);
    std::vector<CFileListModel::Row> rows;
    rows.reserve(entries.size());
    for (RecordingFileEntry& entry : entries)
        rows.push_back(FormatRow(entry));
    m_fileModel->SetRows(std::move(rows));
    // Every column fits both its contents and its header, also when empty.
    SizeColumnsToContents();
    ReportUnreadable(category, std::move(unreadable));
}

void CFileManagerDlg::ReportUnreadable(int category, std::vector<UnreadableFile> files)
{
    // Refills after a deletion or a rename, and a return to a category
    // already seen, would name the same files again: a box comes only when
    // some file, or its reason, is new to this dialog in this category.
    std::set<std::string> keys;
    for (const UnreadableFile& file : files)
        keys.insert(file.name + '\0' + file.reason);
    std::set<std::string>& reported = m_reportedUnreadable[category];
    const bool known = std::includes(reported.begin(), reported.end(), keys.begin(), keys.end());
    m_pendingUnreadable.clear();
    if (known) {
        reported = std::move(keys); // a file gone and back is named again
        return;
    }
    m_pendingUnreadable = std::move(files);
    // After the list has been painted: the first listing runs before the
    // dialog shows.
    if (!m_unreadableQueued) {
        m_unreadableQueued = true;
        QTimer::singleShot(0, this, &CFileManagerDlg::ShowPendingUnreadable);
    }
}

void CFileManagerDlg::ShowPendingUnreadable()
{
    m_unreadableQueued = false;
    if (m_pendingUnreadable.empty() || !isVisible())
        return;
    const std::vector<UnreadableFile> files = std::move(m_pendingUnreadable);
    m_pendingUnreadable.clear();
    std::set<std::string>& reported = m_reportedUnreadable[m_listedCategory];
    reported.clear();
    for (const UnreadableFile& file : files)
        reported.insert(file.name + '\0' + file.reason);
    ShowMessageBox(UnreadableText(files), MB_ICONEXCLAMATION, this);
}

CFileListModel::Row CFileManagerDlg::FormatRow(RecordingFileEntry& entry)
{
    // Thousands of rows: plain number conversions rather than printf-style
    // formatting, with the same texts.
    const VoiceFileInfo& record = entry.record;
    CFileListModel::Row row;
    const std::tm local = LocalTime(entry.time);
    row.texts[0] = QString::fromStdString(entry.name);
    row.texts[1] = QString::number(qulonglong(entry.size >> 10)) + QLatin1String("kb");
    row.texts[2] = FileDateText(local);
    row.texts[3] = FileTimeText(local);
    if (record.flags & VFI_RATE)
        row.texts[4] = QString::number(record.samplesPerSec) + QLatin1String(" Hz");
    if (record.flags & VFI_CHANNELS)
        row.texts[5] = QString::number(record.channels);
    if (record.flags & VFI_AVGBYTES)
        row.texts[6] = QString::number(double(record.avgBytesPerSec) * 0.001, 'f', 1) + QLatin1String(" kb/sec");
    if (record.flags & VFI_BITS)
        row.texts[7] = QString::number(record.bitsPerSample);
    row.texts[CFileListModel::LengthColumn] = LengthText(record);
    row.record = std::make_unique<VoiceFileInfo>(std::move(entry.record));
    return row;
}

void CFileManagerDlg::SizeColumnsToContents()
{
    // What resizeColumnsToContents gives, without asking the delegate for
    // every cell (the cost of listing thousands of files): digits take one
    // width in the fonts dialogs use, so each column measures every pattern
    // of its texts once, with the digits as 0.
    const QFontMetrics metrics(m_fileList->font());
    const int margin = 2 * (m_fileList->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_fileList) + 1) +
                       (m_fileList->showGrid() ? 1 : 0);
    QHeaderView* header = m_fileList->horizontalHeader();
    const int rows = m_fileModel->rowCount();
    for (int column = 0; column < CFileListModel::ColumnCount; ++column) {
        int widest = 0;
        std::unordered_set<uint64_t> measured; // patterns by hash: no string is built twice
        for (int row = 0; row < rows; ++row) {
            const QString& text = m_fileModel->TextRef(row, column);
            if (text.isEmpty())
                continue;
            uint64_t hash = 1469598103934665603ull; // FNV-1a over the pattern
            for (const QChar c : text) {
                const char16_t u = c >= QLatin1Char('1') && c <= QLatin1Char('9') ? u'0' : c.unicode();
                hash = (hash ^ u) * 1099511628211ull;
            }
            if (!measured.insert(hash).second)
                continue;
            QString pattern = text;
            for (QChar& c : pattern)
                if (c >= QLatin1Char('1') && c <= QLatin1Char('9'))
                    c = QLatin1Char('0');
            widest = std::max(widest, metrics.horizontalAdvance(pattern) + margin);
        }
        header->resizeSection(column, std::max(widest, header->sectionSizeHint(column)));
    }
}

int CFileManagerDlg::GetSelectedFileRow() const
{
    const QModelIndexList rows = m_fileList->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

int CFileManagerDlg::GetSelectedCategoryRow() const
{
    const QModelIndexList rows = m_categoryList->selectionModel()->selectedIndexes();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void CFileManagerDlg::accept() { OnOK(); }

void CFileManagerDlg::reject() { done(IDCANCEL); }

void CFileManagerDlg::OnOK()
{
    const int category = GetSelectedCategoryRow();
    if (category >= 0)
        m_category = category;
    const int row = GetSelectedFileRow();
    const VoiceFileInfo* record = m_fileModel->Record(row);
    if (!record) {
        done(IDCANCEL); // the new category stands all the same
        return;
    }
    m_selected = *record;
    done(IDOK);
}

void CFileManagerDlg::OnDelete()
{
    const int row = GetSelectedFileRow();
    const VoiceFileInfo* record = m_fileModel->Record(row);
    if (!record)
        return;
    const QString shownName = m_fileModel->Text(row, 0);
    if (ShowMessageBox(tr("Do you really want to delete %1?").arg(shownName), MB_YESNO_QUESTION, this) !=
        IDYES)
        return;

    // With the category selection cleared, the listed category is the one
    // the file belongs to.
    int category = GetSelectedCategoryRow();
    if (category < 0)
        category = m_listedCategory;
    // The name's own bytes, not its displayed form, which may have lost bytes
    // that are not valid text.
    const std::string name = record->path.substr(record->path.find_last_of('/') + 1);
    const std::string path = GetCategoryFolder(category) + name;
    // Linux would unlink the file being recorded without a word, and its
    // audio would be lost: it stays, and the recording goes on.
    if (CWavFile::IsBeingWritten(path))
        ShowMessageBox(tr("Unable to delete file..\n%1").arg(tr(InProgressText)), MB_ICONSTOP,
                       this);
    else if (const int error = RemoveFile(path, shownName); error > 0)
        ShowMessageBox(DeleteFailureText(error), MB_ICONSTOP, this);
    FillFileList(category);
}

int CFileManagerDlg::RemoveFile(const std::string& path, const QString& shownName)
{
    int error = 0;
    switch (TrashFile(path, error)) {
    case CTrash::Result::Moved:
        return 0;
    case CTrash::Result::Failed:
        return error ? error : EIO;
    case CTrash::Result::NoTrash:
        break;
    }
    const QString question =
        tr("No trash can take %1: it will be deleted for good.\nDo you want to delete it?").arg(shownName);
    if (ShowMessageBox(question, MB_YESNO_QUESTION, this) != IDYES)
        return -1;
    return DeleteFile(path);
}

void CFileManagerDlg::StartRename()
{
    const int row = GetSelectedFileRow();
    if (!m_fileModel->Record(row))
        return;
    const QModelIndex index = m_fileModel->index(row, 0);
    m_fileList->setCurrentIndex(index);
    m_fileList->edit(index);
    // The name is offered with its stem selected: the extension stays.
    if (auto* editor = qobject_cast<QLineEdit*>(m_fileList->indexWidget(index))) {
        const QString name = editor->text();
        editor->setSelection(0, int(name.size()) - RecordingExtensionLength(name));
    }
}

void CFileManagerDlg::OnRenameRequested(int row, const QString& typed)
{
    const VoiceFileInfo* record = m_fileModel->Record(row);
    if (!record)
        return;
    const std::string oldPath = record->path;
    const size_t slash = oldPath.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : oldPath.substr(0, slash + 1);
    const std::string oldName = oldPath.substr(folder.size());
    // The file's own extension (".wav", ".opus" or ".flac", in its own case):
    // a new name without it gets it back, so that the file stays listed and
    // players know its format.
    const QString oldShown = QString::fromLocal8Bit(oldName.c_str());
    const int extensionLength = RecordingExtensionLength(oldShown);
    const QString extension = extensionLength > 0 ? oldShown.right(extensionLength) : QStringLiteral(".wav");

    QString name = typed.trimmed();
    if (!name.isEmpty() && !name.endsWith(extension, Qt::CaseInsensitive))
        name += extension;
    const std::string newName = name.toLocal8Bit().toStdString();
    const std::string newPath = folder + newName;

    QString reason;
    struct stat st {};
    if (name.isEmpty() || name.compare(extension, Qt::CaseInsensitive) == 0)
        reason = tr("The name is empty.");
    else if (name.contains(QLatin1Char('/')) || name.contains(QChar(0)))
        reason = tr("A name cannot hold '/'.");
    else if (CWavFile::IsBeingWritten(oldPath) || CWavFile::IsBeingWritten(newPath))
        reason = tr(InProgressText);
    else if (newName == oldName)
        return;
    else if (::lstat(newPath.c_str(), &st) == 0)
        reason = tr("%1 already exists.").arg(name);
    else if (const int error = RenameNoReplace(oldPath, newPath); error != 0)
        reason = ErrorText(error);
    if (!reason.isEmpty()) {
        ShowMessageBox(tr("Unable to rename file..\n%1").arg(reason), MB_ICONSTOP, this);
        return;
    }
    m_fileModel->RenameRow(row, name, newPath);
    m_fileList->selectRow(row);
}

void CFileManagerDlg::OnFileRowEntered(const QModelIndex& index)
{
    m_hoverIndex = index;
    m_hoverTimer.start();
}

void CFileManagerDlg::OnHoverTimeout()
{
    if (m_hoverIndex.isValid())
        m_fileList->selectRow(m_hoverIndex.row());
}

bool CFileManagerDlg::eventFilter(QObject* watched, QEvent* event)
{
    // Keys reach the list also from an open editor, whose own they stay.
    QWidget* focus = QApplication::focusWidget();
    const bool editing = focus && focus != m_fileList && m_fileList->isAncestorOf(focus);
    if (watched == m_fileList && event->type() == QEvent::KeyPress && !editing) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::NoModifier) {
            OnDelete();
            return true;
        }
        if (key->key() == Qt::Key_F2 && key->modifiers() == Qt::NoModifier) {
            StartRename();
            return true;
        }
        // Enter without a row has nothing to open: it must not close the
        // manager through the default button.
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && GetSelectedFileRow() < 0)
            return true;
    }
    // Tabbing into the list selects its current row, so Enter opens something.
    if (watched == m_fileList && event->type() == QEvent::FocusIn) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if ((reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason) && GetSelectedFileRow() < 0 &&
            m_fileModel->rowCount() > 0) {
            const QModelIndex current = m_fileList->currentIndex();
            m_fileList->selectRow(current.isValid() ? current.row() : 0);
        }
    }
    if (watched == m_fileList->viewport() && event->type() == QEvent::Leave) {
        m_hoverTimer.stop();
        m_hoverIndex = QPersistentModelIndex();
    }
    // A click on empty space clears the list's selection.
    if (event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(m_categoryList),
                                        static_cast<QAbstractItemView*>(m_fileList)}) {
            if (watched == view->viewport() && !view->indexAt(mouse->position().toPoint()).isValid()) {
                view->clearSelection();
                view->setCurrentIndex(QModelIndex());
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}
