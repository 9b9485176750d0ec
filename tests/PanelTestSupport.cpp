#include "PanelTestSupport.h"

#include "common/MessageBoxes.h"
#include "engine/MessageStyle.h"
#include "panel/CBitmapButton.h"
#include "panel/CDisplayPanel.h"
#include "panel/CRecorderDlg.h"

#include <cstring>

Boxes::Boxes()
{
    SetMessageBoxHook([this](const QString& text, unsigned style) {
        boxes.push_back({text.toStdString(), style});
        if (onBox)
            onBox();
        return IDOK;
    });
}

Boxes::~Boxes() { SetMessageBoxHook({}); }

int Boxes::MessageBox(const std::string& text, unsigned style)
{
    boxes.push_back({text, style});
    return IDOK;
}

Buttons ButtonsOf(const CRecorderDlg& dlg)
{
    return {dlg.Button(IDC_REC)->isEnabled(), dlg.Button(IDC_STOP)->isEnabled(), dlg.Button(IDC_PLAY)->isEnabled()};
}

bool DisplayShows(CDisplayPanel* display, uint32_t seconds)
{
    // The time "MM:SS" sits in the top-left corner, before the text.
    CDisplayPanel reference;
    reference.SetSeconds(seconds);
    const QRect time(0, 0, 55, 16);
    return reference.Render().copy(time) == display->Render().copy(time);
}

void WriteToneFile(const std::string& path, double seconds)
{
    const uint32_t rate = 22050;
    const auto samples = SineSamples(440, 0.5, rate, size_t(seconds * rate));
    const uint32_t data = uint32_t(samples.size() * 2);
    std::vector<uint8_t> b(46 + data);
    size_t at = 0;
    auto u32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b[at++] = uint8_t(v >> (8 * i));
    };
    auto u16 = [&](uint16_t v) {
        b[at++] = uint8_t(v);
        b[at++] = uint8_t(v >> 8);
    };
    auto tag = [&](const char* t) {
        for (int i = 0; i < 4; ++i)
            b[at++] = uint8_t(t[i]);
    };
    tag("RIFF");
    u32(46 - 8 + data);
    tag("WAVE");
    tag("fmt ");
    u32(18);
    u16(1);
    u16(1);
    u32(rate);
    u32(rate * 2);
    u16(2);
    u16(16);
    u16(0);
    tag("data");
    u32(data);
    std::memcpy(b.data() + at, samples.data(), data);
    WriteFileBytes(path, b);
}
