// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
#include "CFormatChooseDlg.h"

#include "common/EngineTexts.h"
#include "platform/codecs/IConversionStream.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cstring>

namespace {
constexpr uint32_t MMSYSERR_NODRIVER = 6;
}

CFormatChooseDlg::CFormatChooseDlg(QWidget* parent, const QString& title, const CFormatCatalogue& catalogue)
    : QDialog(parent)
    , m_catalogue(catalogue)
{
    setWindowTitle(title);
    setObjectName(QStringLiteral("FormatChooseDlg"));

    m_pFormat = new QComboBox(this);
    m_pFormat->setObjectName(QStringLiteral("Format"));
    m_pFormat->setAccessibleName(tr("Format"));
    m_pFormat->setAccessibleDescription(tr("The kind of audio coding"));
    for (const auto& t : m_catalogue.Tags())
        m_pFormat->addItem(TranslateFormatName(t.name));

    m_pAttributes = new QComboBox(this);
    m_pAttributes->setObjectName(QStringLiteral("Attributes"));
    m_pAttributes->setAccessibleName(tr("Attributes"));
    m_pAttributes->setAccessibleDescription(tr("Sampling rate, bits, channels and data rate"));
    m_pAttributes->setSizeAdjustPolicy(QComboBox::AdjustToContents);

    auto* formatLabel = new QLabel(tr("&Format:"), this);
    formatLabel->setBuddy(m_pFormat);
    auto* attributesLabel = new QLabel(tr("&Attributes:"), this);
    attributesLabel->setBuddy(m_pAttributes);

    auto* form = new QFormLayout;
    form->addRow(formatLabel, m_pFormat);
    form->addRow(attributesLabel, m_pAttributes);
    m_pNote = new QLabel(this);
    m_pNote->setObjectName(QStringLiteral("Note"));
    form->addRow(QString(), m_pNote);

    m_pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(m_pButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_pButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_pButtons);
    setTabOrder(m_pFormat, m_pAttributes);

    connect(m_pFormat, &QComboBox::currentIndexChanged, this, [this](int index) { FillAttributes(index); });
    FillAttributes(m_pFormat->currentIndex());
    m_pButtons->button(QDialogButtonBox::Ok)->setEnabled(m_pAttributes->count() > 0);
    m_pFormat->setFocus();
}

void CFormatChooseDlg::FillAttributes(int tagIndex)
{
    m_pAttributes->clear();
    if (tagIndex < 0 || size_t(tagIndex) >= m_catalogue.Tags().size())
        return;
    for (const auto& f : m_catalogue.Tags()[size_t(tagIndex)].formats)
        m_pAttributes->addItem(TranslateFormatDescription(f.description));
    m_pNote->setText(m_catalogue.Tags()[size_t(tagIndex)].playsInBrowsers ? QString()
                                                                           : tr("Does not play in web browsers."));
}

void CFormatChooseDlg::SetInitialFormat(const uint8_t* block, size_t size)
{
    int tag = 0, format = 0;
    if (!m_catalogue.Find(block, size, tag, format))
        return; // a tag we do not offer: keep the first entry
    SelectTag(tag);
    SelectAttribute(format);
}

int CFormatChooseDlg::TagCount() const { return m_pFormat->count(); }
int CFormatChooseDlg::AttributeCount() const { return m_pAttributes->count(); }
int CFormatChooseDlg::CurrentTag() const { return m_pFormat->currentIndex(); }
int CFormatChooseDlg::CurrentAttribute() const { return m_pAttributes->currentIndex(); }
QString CFormatChooseDlg::TagText(int index) const { return m_pFormat->itemText(index); }
QString CFormatChooseDlg::AttributeText(int index) const { return m_pAttributes->itemText(index); }
void CFormatChooseDlg::SelectTag(int index) { m_pFormat->setCurrentIndex(index); }
void CFormatChooseDlg::SelectAttribute(int index) { m_pAttributes->setCurrentIndex(index); }

FormatBlock CFormatChooseDlg::SelectedFormat() const
{
    const int tag = CurrentTag();
    const int format = CurrentAttribute();
    if (tag < 0 || format < 0 || size_t(tag) >= m_catalogue.Tags().size())
        return {};
    const auto& formats = m_catalogue.Tags()[size_t(tag)].formats;
    if (size_t(format) >= formats.size())
        return {};
    return formats[size_t(format)].block;
}

uint32_t ChooseAudioFormat(QWidget* owner, std::vector<uint8_t>& buffer, const QString& title)
{
    if (buffer.size() < sizeof(WAVEFORMATEX))
        return MMSYSERR_INVALPARAM;
    WAVEFORMATEX current;
    std::memcpy(&current, buffer.data(), sizeof current);
    const size_t currentSize = std::min(buffer.size(), sizeof(WAVEFORMATEX) + current.cbSize);

    CFormatChooseDlg dlg(owner, title);
    if (dlg.TagCount() == 0)
        return MMSYSERR_NODRIVER;
    dlg.SetInitialFormat(buffer.data(), currentSize);
    if (dlg.exec() != QDialog::Accepted)
        return ACMERR_CANCELED;
    const FormatBlock chosen = dlg.SelectedFormat();
    if (chosen.empty())
        return ACMERR_CANCELED;
    if (chosen.size() > buffer.size())
        return ACMERR_NOTPOSSIBLE;
    std::fill(buffer.begin(), buffer.end(), uint8_t(0));
    std::copy(chosen.begin(), chosen.end(), buffer.begin());
    return 0;
}

QString FormatChooseErrorText(uint32_t code)
{
    switch (code) {
    case 5: return CFormatChooseDlg::tr("The specified handle is invalid.");
    case 6: return CFormatChooseDlg::tr("A suitable driver is not available to provide valid format selections.");
    case 10: return CFormatChooseDlg::tr("At least one flag is invalid");
    case 11: return CFormatChooseDlg::tr("At least one parameter is invalid.");
    case 512:
        return CFormatChooseDlg::tr("The buffer identified by the pwfx member of the ACMFORMATCHOOSE structure is too "
                                    "small to contain the selected format.");
    default: return CFormatChooseDlg::tr("MM ERROR %1").arg(code);
    }
}
