#pragma once
// Collects the panel's message boxes and the engine's, in order, answering OK.
#include "TestSupport.h"

class CDisplayPanel;
class CRecorderDlg;

#include <functional>
#include <string>
#include <vector>

struct Box {
    std::string text;
    unsigned style;
};

class Boxes : public CapturingHost {
public:
    Boxes();
    ~Boxes() override;
    int MessageBox(const std::string& text, unsigned style) override;
    std::vector<Box> boxes;
    std::function<void()> onBox; // runs while a panel box is "open"
};

// Enabled states of REC, STOP and PLAY.
struct Buttons {
    bool rec, stop, play;
    bool operator==(const Buttons&) const = default;
};
Buttons ButtonsOf(const CRecorderDlg& dlg);

// True when the display's time reads as that of a display holding `seconds`.
bool DisplayShows(CDisplayPanel* display, uint32_t seconds);

// A PCM file of `seconds` of a 440 Hz tone at half scale, 22050 Hz mono 16-bit.
void WriteToneFile(const std::string& path, double seconds);
