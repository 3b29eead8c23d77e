#include <memory>

#include "data/file_manager.h"
#include "framework/errors.h"
#include "shell/command_table.h"
#include "shell/main_frame.h"
#include "util/platform.h"
#include "shell/startup.h"

namespace tavlo {

int runTavlo(Runtime& runtime, Platform& platform, AccessControl& access, WindowTranslator& translator) {
    installCommands();
    startUp(runtime, platform, access, translator);
    // Every window context gets its own record buffers and connections on the tables here.
    std::filesystem::path folder = platform.workingDirectory();
    setContextFactory([folder] { return std::make_shared<Context>(folder); });
    int code = 0;
    {
        // The first context: the main frame's own, released when the frame is gone.
        MainFrame frame(platform, access);
        frame.setContext(newContext());
        try {
            runtime.run(frame);
        } catch (const ProgramHalt&) {
            code = 3;
        }
    }
    shutDown(access, translator);
    return code;
}

}  // namespace tavlo
