#include "PanelTestSupport.h"

#include "app/MessageBoxes.h"
#include "engine/MessageStyle.h"
#include "panel/CBitmapButton.h"
#include "panel/CDisplayPanel.h"
#include "panel/CRecorderDlg.h"

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
