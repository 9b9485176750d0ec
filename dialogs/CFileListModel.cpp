// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "CFileListModel.h"

namespace {
const char* const kColumnTitles[CFileListModel::ColumnCount] = {
    QT_TRANSLATE_NOOP("CFileListModel", "File name"),  QT_TRANSLATE_NOOP("CFileListModel", "Media size"),
    QT_TRANSLATE_NOOP("CFileListModel", "File date"),  QT_TRANSLATE_NOOP("CFileListModel", "File time"),
    QT_TRANSLATE_NOOP("CFileListModel", "Frequency"),  QT_TRANSLATE_NOOP("CFileListModel", "Channels"),
    QT_TRANSLATE_NOOP("CFileListModel", "Sample Rate"), QT_TRANSLATE_NOOP("CFileListModel", "Bits"),
    QT_TRANSLATE_NOOP("CFileListModel", "Length")};
}

CFileListModel::CFileListModel(QObject* parent)
    : QAbstractTableModel(parent)
{
}

void CFileListModel::DeleteAllRows()
{
    if (m_rows.empty())
        return;
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

void CFileListModel::SetRows(std::vector<Row> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

QString CFileListModel::Text(int row, int column) const
{
    if (row < 0 || size_t(row) >= m_rows.size() || column < 0 || column >= ColumnCount)
        return {};
    return m_rows[size_t(row)].texts[size_t(column)];
}

const VoiceFileInfo* CFileListModel::Record(int row) const
{
    if (row < 0 || size_t(row) >= m_rows.size())
        return nullptr;
    return m_rows[size_t(row)].record.get();
}

void CFileListModel::RenameRow(int row, const QString& name, const std::string& path)
{
    if (row < 0 || size_t(row) >= m_rows.size())
        return;
    Row& target = m_rows[size_t(row)];
    target.texts[0] = name;
    if (target.record)
        target.record->path = path;
    emit dataChanged(index(row, 0), index(row, 0));
}

Qt::ItemFlags CFileListModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags result = QAbstractTableModel::flags(index);
    if (m_renamable && index.isValid() && index.column() == 0)
        result |= Qt::ItemIsEditable;
    return result;
}

bool CFileListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!m_renamable || role != Qt::EditRole || !index.isValid() || index.column() != 0)
        return false;
    if (value.toString() != Text(index.row(), 0))
        emit RenameRequested(index.row(), value.toString());
    return false; // the row changes only once the file is renamed
}

int CFileListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int CFileListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant CFileListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return Text(index.row(), index.column());
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

QVariant CFileListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return {};
    if (role == Qt::DisplayRole)
        return tr(kColumnTitles[section]);
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignLeft | Qt::AlignVCenter);
    // The column's title is the one users know, over a data rate in kb/sec;
    // a screen reader says what the numbers are.
    if (role == Qt::AccessibleDescriptionRole && section == 6)
        return tr("The data rate: kilobytes per second of the file's audio");
    // "1:05:09" read out as a time of day would mislead.
    if (role == Qt::AccessibleDescriptionRole && section == LengthColumn)
        return tr("How long the recording plays: minutes and seconds, or hours, minutes and seconds");
    return {};
}
