// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "CSettingsDlg.h"

#include "common/DialogUnits.h"
#include "common/MessageBoxes.h"
#include "common/Settings.h"
#include "library/RecordingNames.h"
#include "engine/MessageStyle.h"
#include "platform/AudioBackends.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>

#include <algorithm>
#include <limits>

namespace {
// Long enough for a busy server, short enough that a hung one costs little.
constexpr int kSourceListTimeoutMs = 1500;
} // namespace

CSettingsDlg::CSettingsDlg(QWidget* parent)
    : QDialog(parent)
    , m_pathEdit(new QLineEdit(this))
    , m_browseButton(new QPushButton(tr("&Browse\u2026"), this))
    , m_sizeEdit(new QLineEdit(this))
    , m_inputCombo(new QComboBox(this))
    , m_stopAfterSpin(new QSpinBox(this))
{
    setWindowTitle(tr("Settings"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(DuSize(315, 95, DuRound::Down));

    auto* ok = new QPushButton(tr("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setGeometry(DuRect(196, 77, 50, 14, DuRound::Down));
    ok->setDefault(true);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    cancel->setGeometry(DuRect(257, 77, 50, 14, DuRound::Down));

    m_pathEdit->setObjectName(QStringLiteral("pathEdit"));
    m_pathEdit->setGeometry(DuRect(3, 14, 250, 15, DuRound::Down));
    m_pathEdit->setAccessibleName(tr("File manager path"));
    m_browseButton->setObjectName(QStringLiteral("browseButton"));
    m_browseButton->setGeometry(DuRect(257, 14, 50, 15, DuRound::Down));
    m_browseButton->setAccessibleName(tr("Browse"));
    m_browseButton->setAccessibleDescription(tr("Choose the folder of the recordings"));
    m_browseButton->setAutoDefault(false);
    auto* pathLabel = new QLabel(tr("File manager path"), this);
    pathLabel->setGeometry(DuRect(3, 4, 108, 8, DuRound::Down));
    pathLabel->setBuddy(m_pathEdit);
    auto* sizeLabel = new QLabel(tr("Record buffer size"), this);
    sizeLabel->setGeometry(DuRect(3, 32, 64, 9, DuRound::Down));
    sizeLabel->setBuddy(m_sizeEdit);
    sizeLabel->adjustSize(); // the text is a little wider than its box at this font
    m_sizeEdit->setObjectName(QStringLiteral("sizeEdit"));
    m_sizeEdit->setGeometry(DuRect(4, 47, 104, 13, DuRound::Down));
    m_sizeEdit->setAccessibleName(tr("Record buffer size"));
    // Digits only, as typed or pasted.
    m_sizeEdit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_sizeEdit));

    auto* inputLabel = new QLabel(tr("&Input device"), this);
    inputLabel->setGeometry(DuRect(120, 32, 100, 9, DuRound::Down));
    inputLabel->setBuddy(m_inputCombo);
    m_inputCombo->setObjectName(QStringLiteral("inputCombo"));
    m_inputCombo->setGeometry(DuRect(120, 46, 187, 14, DuRound::Down));
    m_inputCombo->setAccessibleName(tr("Input device"));
    m_inputCombo->setAccessibleDescription(tr("The input that recordings are taken from"));

    // A time limit for every recording: Off, or minutes.
    auto* stopAfterLabel = new QLabel(tr("Stop &after"), this);
    stopAfterLabel->setGeometry(DuRect(3, 64, 64, 9, DuRound::Down));
    stopAfterLabel->setBuddy(m_stopAfterSpin);
    stopAfterLabel->adjustSize();
    m_stopAfterSpin->setObjectName(QStringLiteral("stopAfterSpin"));
    m_stopAfterSpin->setGeometry(DuRect(4, 75, 104, 14, DuRound::Down));
    m_stopAfterSpin->setRange(0, kMaxStopAfterMinutes);
    m_stopAfterSpin->setSpecialValueText(tr("Off"));
    m_stopAfterSpin->setSuffix(tr(" min"));
    m_stopAfterSpin->setAccessibleName(tr("Stop after"));
    // The field inside is what screen readers land on: it carries the name too.
    if (auto* field = m_stopAfterSpin->findChild<QLineEdit*>())
        field->setAccessibleName(tr("Stop after"));
    m_stopAfterSpin->setAccessibleDescription(tr("Minutes after which a recording ends by itself; Off records until Stop"));

    setTabOrder(ok, cancel);
    setTabOrder(cancel, m_pathEdit);
    setTabOrder(m_pathEdit, m_browseButton);
    setTabOrder(m_browseButton, m_sizeEdit);
    setTabOrder(m_sizeEdit, m_inputCombo);
    setTabOrder(m_inputCombo, m_stopAfterSpin);

    connect(m_browseButton, &QPushButton::clicked, this, &CSettingsDlg::OnBrowse);
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

std::vector<InputSource> CSettingsDlg::OrderSources(std::vector<InputSource> sources)
{
    std::stable_sort(sources.begin(), sources.end(), [](const InputSource& a, const InputSource& b) {
        if (a.isMonitor != b.isMonitor)
            return !a.isMonitor;
        return QString::fromStdString(a.description).compare(QString::fromStdString(b.description),
                                                              Qt::CaseInsensitive) < 0;
    });
    return sources;
}

QString CSettingsDlg::SourceLabel(const InputSource& source)
{
    QString text = QString::fromStdString(source.description.empty() ? source.name : source.description);
    // PulseAudio already calls its monitors "Monitor of ..." (in its own
    // translation); other servers may not.
    const QString mark = QStringLiteral("Monitor of ");
    const QString translated = tr("Monitor of %1").arg(text);
    const QString translatedMark = tr("Monitor of %1").arg(QString());
    if (source.isMonitor && !text.startsWith(mark, Qt::CaseInsensitive)
        && (translatedMark.isEmpty() || !text.startsWith(translatedMark, Qt::CaseInsensitive)))
        text = translated;
    return text;
}

void CSettingsDlg::FillInputList()
{
    m_inputCombo->clear();
    m_inputCombo->addItem(tr("Default input"), QString());
    for (const InputSource& source : OrderSources(ListInputSources(kSourceListTimeoutMs)))
        m_inputCombo->addItem(SourceLabel(source), QString::fromStdString(source.name));
}

void CSettingsDlg::OnBrowse()
{
    QString start = QString::fromStdString(ExpandHome(m_pathEdit->text().toStdString()));
    if (start.isEmpty() || !QDir(start).exists())
        start = QDir::homePath();
    const QString chosen =
        QFileDialog::getExistingDirectory(this, tr("Recordings folder"), start, QFileDialog::ShowDirsOnly);
    if (chosen.isEmpty())
        return; // cancelled: the field stays as it was
    m_pathEdit->setText(chosen.endsWith(QLatin1Char('/')) ? chosen : chosen + QLatin1Char('/'));
    m_pathEdit->setFocus();
}

bool CSettingsDlg::CheckRoot(std::string& root)
{
    root = ExpandHome(m_pathEdit->text().toStdString());
    // Empty keeps its meaning: the working folder.
    if (root.empty())
        return true;
    if (root.front() != '/') {
        ShowMessageBox(tr("The recordings folder must be a full path, starting with / or ~."),
                       MB_ICONEXCLAMATION, this);
        m_pathEdit->setFocus();
        m_pathEdit->selectAll();
        return false;
    }
    std::string reason;
    if (!MakeFolderWithParents(root, reason)) {
        ShowMessageBox(tr("The recordings folder %1 cannot be created:\n%2")
                           .arg(QString::fromStdString(root), QString::fromLocal8Bit(reason.c_str())),
                       MB_ICONEXCLAMATION, this);
        m_pathEdit->setFocus();
        m_pathEdit->selectAll();
        return false;
    }
    return true;
}

void CSettingsDlg::showEvent(QShowEvent* event)
{
    FillInputList();
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
        int index = m_inputCombo->findData(QString::fromStdString(m_inputDevice));
        if (index < 0) {
            // A chosen input that is not there now stays chosen until changed.
            m_inputCombo->addItem(tr("%1 (not available)").arg(QString::fromStdString(m_inputDevice)),
                                  QString::fromStdString(m_inputDevice));
            index = m_inputCombo->count() - 1;
        }
        m_inputCombo->setCurrentIndex(index);
        m_stopAfterSpin->setValue(std::clamp<int32_t>(m_stopAfterMinutes, 0, kMaxStopAfterMinutes));
        return true;
    }
    const std::optional<int32_t> size = ParseInteger(m_sizeEdit->text());
    if (!size) {
        ShowMessageBox(tr("Please enter an integer."), MB_ICONEXCLAMATION, this);
        m_sizeEdit->setFocus();
        m_sizeEdit->selectAll();
        return false; // the path is not read
    }
    std::string root;
    if (!CheckRoot(root))
        return false;
    m_bufferSize = *size;
    m_path = root;
    m_inputDevice = m_inputCombo->currentData().toString().toStdString();
    m_stopAfterMinutes = m_stopAfterSpin->value();
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
    dialog.m_inputDevice = GetInputDevice();
    dialog.m_stopAfterMinutes = GetStopAfterMinutes();
    if (dialog.exec() != IDOK)
        return;
    WriteBufferSize(dialog.m_bufferSize);
    WriteRoot(dialog.m_path);
    WriteInputDevice(dialog.m_inputDevice);
    WriteStopAfterMinutes(dialog.m_stopAfterMinutes);
}
