// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 Vellory developers
// Fuzzes the format-choice dialog with arbitrary format blocks: the buffer it
// is handed (any size, any cbSize), the search for the nearest offered format,
// and the one-line description of a block.
#include "panel/CFormatChooseDlg.h"
#include "platform/codecs/CFormatCatalogue.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {
QApplication* g_app = nullptr;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The description must give the block's own figures, whatever their size.
void CheckDescription(const uint8_t* data, size_t size)
{
    const FormatBlock block(data, data + size);
    const std::string text = CFormatCatalogue::Describe(block);
    if (size < sizeof(WAVEFORMATEX)) {
        if (!text.empty())
            __builtin_trap();
        return;
    }
    WAVEFORMATEX f;
    std::memcpy(&f, data, sizeof f);
    const std::string speed = "  " + std::to_string((uint64_t(f.nAvgBytesPerSec) + 512) / 1024) + " KB/s";
    if (text.size() < speed.size() || text.compare(text.size() - speed.size(), speed.size(), speed) != 0)
        __builtin_trap();
    if (!Contains(text, " Hz, "))
        __builtin_trap();
    if (f.wFormatTag == WAVE_FORMAT_MPEGLAYER3 &&
        text.rfind(std::to_string(uint64_t(f.nAvgBytesPerSec) * 8 / 1000) + " kBit/s, ", 0) != 0)
        __builtin_trap();
}

// The dialog as the panel runs it, accepted as soon as it shows.
void CheckChoice(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> buffer(data, data + size);
    QTimer::singleShot(0, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            dialog->accept();
    });
    const uint32_t result = ChooseAudioFormat(nullptr, buffer, QStringLiteral("Select audio format"));
    if (size < sizeof(WAVEFORMATEX)) {
        if (result != 11 || buffer != std::vector<uint8_t>(data, data + size))
            __builtin_trap();
        return;
    }
    if (result == 512 || result == 515) { // too small for the choice, or nothing chosen: untouched
        if (buffer != std::vector<uint8_t>(data, data + size))
            __builtin_trap();
        return;
    }
    if (result != 0)
        __builtin_trap();
    // The choice is one the catalogue offers, whole, and the rest is zero.
    WAVEFORMATEX chosen;
    std::memcpy(&chosen, buffer.data(), sizeof chosen);
    const size_t chosenSize = sizeof(WAVEFORMATEX) + chosen.cbSize;
    if (chosenSize > buffer.size())
        __builtin_trap();
    int tag = -1, format = -1;
    const CFormatCatalogue& catalogue = CFormatCatalogue::Instance();
    if (!catalogue.Find(buffer.data(), chosenSize, tag, format))
        __builtin_trap();
    const FormatBlock& listed = catalogue.Tags()[size_t(tag)].formats[size_t(format)].block;
    if (listed.size() != chosenSize || std::memcmp(listed.data(), buffer.data(), chosenSize) != 0)
        __builtin_trap();
    for (size_t i = chosenSize; i < buffer.size(); ++i)
        if (buffer[i] != 0)
            __builtin_trap();
    // A block of an offered tag starts the dialog on that tag.
    WAVEFORMATEX given;
    std::memcpy(&given, data, sizeof given);
    int givenTag = -1, givenFormat = -1;
    if (catalogue.Find(data, size, givenTag, givenFormat) && chosen.wFormatTag != given.wFormatTag)
        __builtin_trap();
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The offscreen platform warns about every window it cannot size.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    g_app = new QApplication(*argc, *argv);
    return 0;
}

// The dialog's start on a given block, on one dialog kept for every input.
void CheckInitialFormat(const uint8_t* data, size_t size)
{
    static CFormatChooseDlg* dialog = new CFormatChooseDlg;
    dialog->SelectTag(0);
    dialog->SelectAttribute(0);
    dialog->SetInitialFormat(data, size);
    if (dialog->CurrentTag() < 0 || dialog->CurrentTag() >= dialog->TagCount() || dialog->CurrentAttribute() < 0 ||
        dialog->CurrentAttribute() >= dialog->AttributeCount())
        __builtin_trap();
    const FormatBlock selected = dialog->SelectedFormat();
    if (selected.size() < sizeof(WAVEFORMATEX))
        __builtin_trap();
    int tag = -1, format = -1;
    if (CFormatCatalogue::Instance().Find(data, size, tag, format)) {
        if (tag != dialog->CurrentTag() || format != dialog->CurrentAttribute())
            __builtin_trap();
        if (std::memcmp(selected.data(), data, 2) != 0) // the same format tag
            __builtin_trap();
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CheckDescription(data, size);
    CheckInitialFormat(data, size);
    // The whole modal run costs a dialog's creation: every fourth buffer size.
    if (size % 4 == 0)
        CheckChoice(data, size);
    return 0;
}
