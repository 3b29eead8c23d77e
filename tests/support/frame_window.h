#pragma once
// The main frame's window alone, for tests that open it: its log-in and start-up checks are the
// shell's own tests.
#include "operators/access.h"
#include "shell/main_frame.h"
#include "util/platform.h"

namespace tavlo::support {

class FrameWindow : public MainFrame {
public:
    FrameWindow() : MainFrame(systemPlatform(), accessControl()) {}
    bool Init(Runtime&) override {
        openWindow();
        translateWindow();
        return true;
    }
};

}  // namespace tavlo::support
