#pragma once
// What the exchange tests share: the archiver they built, temporary folders.
#include <gtest/gtest.h>

#include <filesystem>

#include "exchange/runner.h"
#include "shell/platform.h"
#include "support.h"

namespace tavlo {

// The tests run from build/tests; the archiver is built beside the program, in build/.
inline void useBuiltArchiver() {
    const auto tool = systemPlatform().executableDirectory().parent_path() / "tavlo_zip";
    ASSERT_TRUE(std::filesystem::exists(tool)) << tool << " is not built";
    setArchiverProgram(tool);
}

}  // namespace tavlo
