#pragma once
// The program from start to end: settings, who and where it runs, the language and its mode,
// the access layer, the main frame, and what is written back when the frame closes.
#include "framework/runtime.h"

namespace tavlo {

class AccessControl;
class Platform;

// Runs the whole program on the runtime and returns the process exit code.
int runTavlo(Runtime& runtime, Platform& platform, AccessControl& access, WindowTranslator& translator);

// The start-up steps up to the main frame, and the shutdown after it (for tests and the above).
void startUp(Runtime& runtime, Platform& platform, AccessControl& access, WindowTranslator& translator);
void shutDown(AccessControl& access, WindowTranslator& translator);

}  // namespace tavlo
