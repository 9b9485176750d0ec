#include "CSettingsDlg.h"

#include "app/MessageBoxes.h"
#include "app/Settings.h"
#include "dialogs/DialogUnits.h"
#include "engine/MessageStyle.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

#include <limits>

CSettingsDlg::CSettingsDlg(QWidget* parent)
    : QDialog(parent)
    , m_pathEdit(new QLineEdit(this))
    , m_sizeEdit(new QLineEdit(this))
{
    setWindowTitle(QStringLiteral("Settings"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(DuSize(315, 95, DuRound::Down));

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setGeometry(DuRect(196, 77, 50, 14, DuRound::Down));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    cancel->setGeometry(DuRect(257, 77, 50, 14, DuRound::Down));

    m_pathEdit->setObjectName(QStringLiteral("pathEdit"));
    m_pathEdit->setGeometry(DuRect(3, 14, 292, 15, DuRound::Down));
    auto* pathLabel = new QLabel(QStringLiteral("File manager path"), this);
    pathLabel->setGeometry(DuRect(3, 4, 108, 8, DuRound::Down));
    pathLabel->setBuddy(m_pathEdit);
    auto* sizeLabel = new QLabel(QStringLiteral("Record buffer size"), this);
    sizeLabel->setGeometry(DuRect(3, 32, 64, 9, DuRound::Down));
    sizeLabel->setBuddy(m_sizeEdit);
    sizeLabel->adjustSize(); // the text is a little wider than its box at this font
    m_sizeEdit->setObjectName(QStringLiteral("sizeEdit"));
    m_sizeEdit->setGeometry(DuRect(4, 47, 104, 13, DuRound::Down));
    // Digits only, as typed or pasted.
    m_sizeEdit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_sizeEdit));

    setTabOrder(ok, cancel);
    setTabOrder(cancel, m_pathEdit);
    setTabOrder(m_pathEdit, m_sizeEdit);

    connect(ok, &QPushButton::clicked, this, &CSettingsDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CSettingsDlg::reject);
}

std::optional<int32_t> CSettingsDlg::ParseInteger(const QString& text)
{
    bool ok = false;
    const qlonglong value = text.trimmed().toLongLong(&ok, 10);
    if (!ok || value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
        return std::nullopt;
    return int32_t(value);
}

void CSettingsDlg::showEvent(QShowEvent* event)
{
    DoDataExchange(false);
    QDialog::showEvent(event);
    // The first control in tab order, OK, starts with the focus.
    if (auto* ok = findChild<QPushButton*>(QStringLiteral("okButton")))
        ok->setFocus();
}

bool CSettingsDlg::DoDataExchange(bool saveAndValidate)
{
    if (!saveAndValidate) {
        m_sizeEdit->setText(QString::number(m_bufferSize));
        m_pathEdit->setText(QString::fromStdString(m_path));
        return true;
    }
    const std::optional<int32_t> size = ParseInteger(m_sizeEdit->text());
    if (!size) {
        ShowMessageBox(QStringLiteral("Please enter an integer."), MB_ICONEXCLAMATION, this);
        m_sizeEdit->setFocus();
        m_sizeEdit->selectAll();
        return false; // the path is not read
    }
    m_bufferSize = *size;
    m_path = m_pathEdit->text().toStdString();
    return true;
}

void CSettingsDlg::accept()
{
    if (DoDataExchange(true))
        done(IDOK);
}

void CSettingsDlg::reject() { done(IDCANCEL); }

void RunSettingsDialog(QWidget* parent)
{
    CSettingsDlg dialog(parent);
    GetCategoryFolder(0); // opening the dialog creates the current root folder
    dialog.m_path = GetStoredRoot();
    dialog.m_bufferSize = GetBufferSize();
    if (dialog.exec() != IDOK)
        return;
    WriteBufferSize(dialog.m_bufferSize);
    WriteRoot(dialog.m_path);
}
