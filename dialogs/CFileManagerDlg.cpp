#include "CFileManagerDlg.h"

#include "app/MessageBoxes.h"
#include "app/Settings.h"
#include "dialogs/CFileListModel.h"
#include "dialogs/DialogUnits.h"
#include "dialogs/CRecordingFolder.h"
#include "engine/MessageStyle.h"
#include "res/Resources.h"

#include <QApplication>
#include <QHeaderView>
#include <QItemSelection>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableView>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <unistd.h>

namespace {
constexpr int kHoverTimeMs = 400; // the usual resting time before hover selection

std::mutex g_deleteMutex;
CFileManagerDlg::DeleteFunction g_deleteFile;

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

QString CFileManagerDlg::FileDateText(const std::tm& local)
{
    const int month = local.tm_mon + 1;
    return QString::asprintf("%02d-%s-%d", local.tm_mday, g_monthNames[month >= 1 && month <= 12 ? month : 0],
                             local.tm_year + 1900);
}

QString CFileManagerDlg::FileTimeText(const std::tm& local)
{
    return QString::asprintf("%02d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec);
}

QString CFileManagerDlg::DeleteFailureText(int error)
{
    const char* system = ::strerrordesc_np(error);
    const QString reason = system ? QString::fromLocal8Bit(system) : QStringLiteral("Error number %1.").arg(error);
    return QStringLiteral("Unable to delete file..\n%1").arg(reason);
}

CFileManagerDlg::CFileManagerDlg(QWidget* parent)
    : QDialog(parent)
    , m_categoryList(new QListWidget(this))
    , m_fileList(new QTableView(this))
    , m_fileModel(new CFileListModel(this))
    , m_btnOpen(new QPushButton(QStringLiteral("Open"), this))
    , m_btnClose(new QPushButton(QStringLiteral("Close"), this))
    , m_btnDelete(new QPushButton(QStringLiteral("Delete"), this))
{
    setWindowTitle(QStringLiteral("My Voice Files (Vellory)"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(DuSize(475, 250, DuRound::Down));

    m_btnOpen->setObjectName(QStringLiteral("openButton"));
    m_btnOpen->setGeometry(DuRect(363, 229, 50, 14, DuRound::Down));
    m_btnOpen->setDefault(true);
    m_btnClose->setObjectName(QStringLiteral("closeButton"));
    m_btnClose->setGeometry(DuRect(418, 229, 50, 14, DuRound::Down));
    m_btnDelete->setObjectName(QStringLiteral("deleteButton"));
    m_btnDelete->setGeometry(DuRect(7, 227, 69, 16, DuRound::Down));

    m_fileList->setObjectName(QStringLiteral("fileList"));
    m_fileList->setGeometry(DuRect(82, 7, 386, 214, DuRound::Down));
    m_fileList->setModel(m_fileModel);
    m_fileList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_fileList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_fileList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_fileList->setSortingEnabled(false);
    m_fileList->setWordWrap(false);
    m_fileList->setCornerButtonEnabled(false);
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
    static const char* const kCategoryNames[4] = {"New", "Home", "Work", "Personal"};
    for (const char* name : kCategoryNames) {
        auto* item = new QListWidgetItem(m_images[0], QString::fromLatin1(name));
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

    std::vector<RecordingFileEntry> entries = CRecordingFolder(GetCategoryFolder(category)).List();
    std::vector<CFileListModel::Row> rows;
    rows.reserve(entries.size());
    for (RecordingFileEntry& entry : entries)
        rows.push_back(FormatRow(entry));
    m_fileModel->SetRows(std::move(rows));
    // Every column fits both its contents and its header, also when empty.
    m_fileList->resizeColumnsToContents();
}

CFileListModel::Row CFileManagerDlg::FormatRow(RecordingFileEntry& entry)
{
    const VoiceFileInfo& record = entry.record;
    CFileListModel::Row row;
    const std::tm local = LocalTime(entry.time);
    row.texts[0] = QString::fromStdString(entry.name);
    row.texts[1] = QString::asprintf("%llukb", static_cast<unsigned long long>(entry.size >> 10));
    row.texts[2] = FileDateText(local);
    row.texts[3] = FileTimeText(local);
    if (record.flags & VFI_RATE)
        row.texts[4] = QString::asprintf("%u Hz", record.samplesPerSec);
    if (record.flags & VFI_CHANNELS)
        row.texts[5] = QString::number(record.channels);
    if (record.flags & VFI_AVGBYTES)
        row.texts[6] = QString::asprintf("%.1f kb/sec", double(record.avgBytesPerSec) * 0.001);
    if (record.flags & VFI_BITS)
        row.texts[7] = QString::number(record.bitsPerSample);
    row.record = std::make_unique<VoiceFileInfo>(std::move(entry.record));
    return row;
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
    if (ShowMessageBox(QStringLiteral("Do you really want to delete %1?").arg(shownName), MB_YESNO_QUESTION, this) !=
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
    if (const int error = DeleteFile(path); error != 0)
        ShowMessageBox(DeleteFailureText(error), MB_ICONSTOP, this);
    FillFileList(category);
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
