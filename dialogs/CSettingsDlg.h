// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#pragma once
// "Settings": the root folder of the recordings, the capture buffer size,
// the input to record from and the time after which a recording stops by
// itself. The caller seeds m_path, m_bufferSize, m_inputDevice and
// m_stopAfterMinutes, runs the dialog and reads them back. exec() returns 1 for OK
// (only once the size field holds an integer and the folder is an absolute
// path that exists or could be made) and 2 for Cancel, Esc or the close box.
#include "platform/capture/IWaveIn.h"

#include <QDialog>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

class CSettingsDlg : public QDialog {
    Q_OBJECT
public:
    explicit CSettingsDlg(QWidget* parent = nullptr);

    int32_t m_bufferSize = 0;
    std::string m_path;
    std::string m_inputDevice; // the source's name, empty for the default input
    int32_t m_stopAfterMinutes = 0; // 0: recordings run until STOP
    static constexpr int kMaxStopAfterMinutes = 6000;

    // A signed decimal integer with optional surrounding blanks, within the
    // 32-bit range; anything else gives no value.
    static std::optional<int32_t> ParseInteger(const QString& text);
    // The sources as offered: inputs by description, then monitors of
    // outputs, each group in alphabetical order.
    static std::vector<InputSource> OrderSources(std::vector<InputSource> sources);
    // The text shown for a source: its description, a monitor's marked as one.
    static QString SourceLabel(const InputSource& source);

public slots:
    void accept() override;
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Moves the members into the fields, or the fields back into the members;
    // false when the size field does not hold an integer (prompted, focused).
    bool DoDataExchange(bool saveAndValidate);
    // Asks the sound server for its inputs again and refills the drop-down.
    void FillInputList();
    // The path field's folder as it will be stored; false (with a message,
    // focus on the field) when it is relative or cannot be made.
    bool CheckRoot(std::string& root);
    void OnBrowse();

    QLineEdit* m_pathEdit;
    QPushButton* m_browseButton;
    QLineEdit* m_sizeEdit;
    QComboBox* m_inputCombo;
    QSpinBox* m_stopAfterSpin;
};

// The panel's Settings command: seeds the dialog from the stored values
// (creating the root folder on the way), runs it, and on OK writes the size,
// the root, the input and the time limit. Cancel writes nothing.
void RunSettingsDialog(QWidget* parent = nullptr);
