#pragma once
// The prompt answered by Qt's message and input boxes, for runs with a display.

#include "platform/Prompt.h"

class WidgetPrompt : public Prompt {
public:
    void message(const std::string& text, const std::string& caption, MessageKind kind) override;
    bool input(const std::string& caption, const std::string& label, std::string& value) override;
    bool question(const std::string& text, const std::string& caption, MessageKind kind) override;
    void beep() override;
};

namespace headless {
// After the application object exists: true when windows reach a screen (not the offscreen or
// minimal platform).
bool hasDisplay();
}  // namespace headless
