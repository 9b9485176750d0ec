#pragma once
// Collects the panel's message boxes and the engine's, in order, answering OK.
#include "TestSupport.h"

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
