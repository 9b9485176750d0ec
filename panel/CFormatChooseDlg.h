// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// "Select audio format": pick a recording format from the catalogue, by
// format tag ("Format") and then by rate, depth and channels ("Attributes").
#include "platform/codecs/CFormatCatalogue.h"

#include <QDialog>
#include <QString>

#include <cstdint>
#include <vector>

class QComboBox;
class QDialogButtonBox;
class QLabel;

class CFormatChooseDlg : public QDialog {
    Q_OBJECT
public:
    explicit CFormatChooseDlg(QWidget* parent = nullptr, const QString& title = tr("Select audio format"),
                              const CFormatCatalogue& catalogue = CFormatCatalogue::Instance());

    // Selects the listed format equal to (or else nearest) the given one.
    void SetInitialFormat(const uint8_t* block, size_t size);

    int TagCount() const;
    int AttributeCount() const;
    int CurrentTag() const;
    int CurrentAttribute() const;
    QString TagText(int index) const;
    QString AttributeText(int index) const;
    void SelectTag(int index);
    void SelectAttribute(int index);
    // The complete format selected: 18 + cbSize bytes; empty when none.
    FormatBlock SelectedFormat() const;

    QComboBox* FormatBox() const { return m_pFormat; }
    QComboBox* AttributesBox() const { return m_pAttributes; }
    QDialogButtonBox* Buttons() const { return m_pButtons; }

private:
    void FillAttributes(int tagIndex);

    const CFormatCatalogue& m_catalogue;
    QComboBox* m_pFormat = nullptr;
    QComboBox* m_pAttributes = nullptr;
    QLabel* m_pNote = nullptr; // where the format does not play
    QDialogButtonBox* m_pButtons = nullptr;
};

// Runs the dialog on `buffer` (in: the current format at its start; out: the
// chosen one, the rest zero). 0 on a choice, ACMERR_CANCELED (515) when the
// user cancels, 512 when the choice does not fit the buffer, 11 for a buffer
// too short to hold a format, 6 when no format can be offered.
uint32_t ChooseAudioFormat(QWidget* owner, std::vector<uint8_t>& buffer, const QString& title);

// The message for a failed choice; "MM ERROR <code>" for codes without one.
QString FormatChooseErrorText(uint32_t code);
