#pragma once
// The recorder panel, the program's one main window.
#include <QDialog>

class CRecorderDlg : public QDialog {
    Q_OBJECT
public:
    explicit CRecorderDlg(QWidget* parent = nullptr);

    // A second start of the program asks for the panel: a hidden panel is
    // shown again, a minimised one stays minimised.
    void ShowFromOtherCopy();
};
