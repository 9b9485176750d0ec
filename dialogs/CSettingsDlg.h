#pragma once
// "Settings": the root folder of the recordings and the capture buffer size.
// The caller seeds m_path and m_bufferSize, runs the dialog and reads them
// back. exec() returns 1 for OK (only once the size field holds an integer)
// and 2 for Cancel, Esc or the close box.
#include <QDialog>

#include <cstdint>
#include <optional>
#include <string>

class QLineEdit;

class CSettingsDlg : public QDialog {
    Q_OBJECT
public:
    explicit CSettingsDlg(QWidget* parent = nullptr);

    int32_t m_bufferSize = 0;
    std::string m_path;

    // A signed decimal integer with optional surrounding blanks, within the
    // 32-bit range; anything else gives no value.
    static std::optional<int32_t> ParseInteger(const QString& text);

public slots:
    void accept() override;
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Moves the members into the fields, or the fields back into the members;
    // false when the size field does not hold an integer (prompted, focused).
    bool DoDataExchange(bool saveAndValidate);

    QLineEdit* m_pathEdit;
    QLineEdit* m_sizeEdit;
};

// The panel's Settings command: seeds the dialog from the stored values
// (creating the root folder on the way), runs it, and on OK writes the size
// and then the root. Cancel writes nothing.
void RunSettingsDialog(QWidget* parent = nullptr);
