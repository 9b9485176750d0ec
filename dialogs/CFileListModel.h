// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// Rows of the manager's file list: nine text columns per row, and the
// VoiceFileInfo record that the row owns from insertion to its deletion.
// Rows are replaced in one batch so that thousands of files list quickly.
#include "library/VoiceFileInfo.h"

#include <QAbstractTableModel>
#include <QString>

#include <array>
#include <memory>
#include <string>
#include <vector>

class CFileListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int ColumnCount = 9;
    static constexpr int LengthColumn = 8;

    struct Row {
        std::array<QString, ColumnCount> texts;
        std::unique_ptr<VoiceFileInfo> record;
    };

    explicit CFileListModel(QObject* parent = nullptr);

    // Deletes every row and frees its record.
    void DeleteAllRows();
    // Replaces all rows at once.
    void SetRows(std::vector<Row> rows);

    QString Text(int row, int column) const;
    // The same without a copy; the row and column must be in range.
    const QString& TextRef(int row, int column) const { return m_rows[size_t(row)].texts[size_t(column)]; }
    // The record attached to a row, or nullptr for a row out of range.
    const VoiceFileInfo* Record(int row) const;
    // Gives a row a new file name and path, keeping its place.
    void RenameRow(int row, const QString& name, const std::string& path);

    // The file name column becomes editable; an edit is handed on through
    // RenameRequested rather than written here.
    void SetRenamable(bool renamable) { m_renamable = renamable; }
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

signals:
    void RenameRequested(int row, const QString& name);

private:
    std::vector<Row> m_rows;
    bool m_renamable = false;
};
