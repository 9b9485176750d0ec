// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "panel/CDisplayAccessible.h"

#include "panel/CDisplayPanel.h"

#include <algorithm>

CDisplayAccessible::CDisplayAccessible(CDisplayPanel* display)
    : QAccessibleWidget(display, QAccessible::StatusBar)
{
}

QAccessibleInterface* CDisplayAccessible::Factory(const QString& className, QObject* object)
{
    if (className == QLatin1String("CDisplayPanel") && object && object->isWidgetType())
        return new CDisplayAccessible(static_cast<CDisplayPanel*>(object));
    return nullptr;
}

QString CDisplayAccessible::Line() const
{
    return static_cast<const CDisplayPanel*>(widget())->AccessibleText();
}

QString CDisplayAccessible::text(QAccessible::Text t) const
{
    // The name is the line itself, as for a label: clients that read only
    // names hear the state too.
    if (t == QAccessible::Name)
        return Line();
    return QAccessibleWidget::text(t);
}

QAccessible::State CDisplayAccessible::state() const
{
    QAccessible::State s = QAccessibleWidget::state();
    s.readOnly = true;
    return s;
}

void* CDisplayAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

void CDisplayAccessible::selection(int, int* startOffset, int* endOffset) const
{
    *startOffset = 0;
    *endOffset = 0;
}

int CDisplayAccessible::selectionCount() const { return 0; }

void CDisplayAccessible::addSelection(int, int) {}

void CDisplayAccessible::removeSelection(int) {}

void CDisplayAccessible::setSelection(int, int, int) {}

int CDisplayAccessible::cursorPosition() const { return 0; }

void CDisplayAccessible::setCursorPosition(int) {}

QString CDisplayAccessible::text(int startOffset, int endOffset) const
{
    // AT-SPI asks for (0, -1) to mean "to the end".
    const QString line = Line();
    const int start = std::clamp(startOffset, 0, int(line.size()));
    const int end = endOffset < 0 ? int(line.size()) : std::clamp(endOffset, start, int(line.size()));
    return line.mid(start, end - start);
}

int CDisplayAccessible::characterCount() const { return int(Line().size()); }

QRect CDisplayAccessible::characterRect(int) const { return {}; }

int CDisplayAccessible::offsetAtPoint(const QPoint&) const { return -1; }

void CDisplayAccessible::scrollToSubstring(int, int) {}

QString CDisplayAccessible::attributes(int, int* startOffset, int* endOffset) const
{
    // One run without attributes over the whole line.
    *startOffset = 0;
    *endOffset = characterCount();
    return {};
}
