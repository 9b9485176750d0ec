#include "CRecorderDlg.h"

CRecorderDlg::CRecorderDlg(QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Vellory"));
}

void CRecorderDlg::ShowFromOtherCopy()
{
    if (!isVisible())
        show();
}
