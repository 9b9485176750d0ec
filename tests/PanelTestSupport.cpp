#include "PanelTestSupport.h"

#include "app/MessageBoxes.h"
#include "engine/MessageStyle.h"

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
