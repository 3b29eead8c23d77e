#pragma once
// What the exchange tests share: the archiver they built (watched by a small script that notes
// each command line and the folder it ran in), a data folder with the demo data, a folder
// standing for the removable medium, and the scripted runtime.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "data/demo_data.h"
#include "data/file_manager.h"
#include "data/storage.h"
#include "exchange/runner.h"
#include "test_runtime.h"
#include "state/globals.h"
#include "util/platform.h"
#include "support.h"
#include "zip_tools.h"

namespace tavlo {

// The tests run from build/tests; the archiver is built beside the program, in build/.
inline std::filesystem::path builtArchiver() {
    return systemPlatform().executableDirectory().parent_path() / "tavlo_zip";
}

inline void useBuiltArchiver() {
    ASSERT_TRUE(std::filesystem::exists(builtArchiver())) << builtArchiver() << " is not built";
    setArchiverProgram(builtArchiver());
}

class ExchangeTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(std::filesystem::exists(builtArchiver())) << builtArchiver() << " is not built";
        std::filesystem::create_directories(media());
        std::string error;
        ASSERT_TRUE(fillDemoData(data(), &error)) << error;
        // The archiver, watched: each run notes its folder and words, then runs the real tool.
        const auto spy = root_ / "archiver";
        std::ofstream(spy) << "#!/bin/sh\nprintf '%s|%s\\n' \"$PWD\" \"$*\" >> '" << (root_ / "commands").string()
                           << "'\nexec '" << builtArchiver().string() << "' \"$@\"\n";
        ::chmod(spy.c_str(), 0755);
        setArchiverProgram(spy);
        ctx_ = std::make_shared<Context>(data());
    }
    void TearDown() override {
        ctx_.reset();
        setArchiverProgram({});
    }

    std::filesystem::path data() const { return root_ / "data"; }
    std::filesystem::path media() const { return root_ / "media"; }

    // The archiver's runs so far: "folder|words".
    std::vector<std::string> commands() const {
        std::vector<std::string> out;
        std::ifstream in(root_ / "commands");
        for (std::string line; std::getline(in, line);) out.push_back(line);
        return out;
    }

    // The data folder's files, each with its size and a hash of its bytes (the exchange's own
    // helper files left out).
    std::map<std::string, std::string> dataFiles() const {
        std::map<std::string, std::string> out;
        for (const auto& [name, bytes] : testzip::contents(data()))
            if (name != ".tavlo-exchange" && name != ".tavlo-export.lock")
                out[name] = std::to_string(bytes.size()) + " bytes, hash " + std::to_string(std::hash<std::string>{}(bytes));
        return out;
    }

    template <class P>
    TestWindow open(P& p) {
        p.setContext(ctx_);
        return rt_.open(p);
    }

    support::TempFolder root_;
    support::ProgramStateGuard state_{{.syncWrites = false}};
    std::shared_ptr<Context> ctx_;
    TestRuntime rt_;
};

}  // namespace tavlo
