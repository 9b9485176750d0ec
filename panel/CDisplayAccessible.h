// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// What a screen reader finds at the panel's display: a status bar whose name
// and text are the display's line in words (state, time, category, file), so
// that AT-SPI clients get a Text interface and its text-changed events.
#include <QAccessibleWidget>

class CDisplayPanel;

class CDisplayAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit CDisplayAccessible(CDisplayPanel* display);

    // For QAccessible::installFactory: the display's interface, none for
    // any other object.
    static QAccessibleInterface* Factory(const QString& className, QObject* object);

    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    // Read-only text: no caret, no selection, no attributes.
    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

private:
    QString Line() const;
};
