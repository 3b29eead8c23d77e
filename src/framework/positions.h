#pragma once
// Window positions in a settings file: one section per procedure with the keys "Maximize",
// "Minimize", "XPos", "YPos", "Width" and "Height".
#include <filesystem>
#include <mutex>

#include "framework/runtime.h"

namespace tavlo {

class SettingsWindowPositions : public WindowPositions {
public:
    explicit SettingsWindowPositions(std::filesystem::path file) : file_(std::move(file)) {}
    std::optional<WindowGeometry> load(const std::string& procedure) override;
    void save(const std::string& procedure, const WindowGeometry& geometry) override;
    const std::filesystem::path& file() const { return file_; }

private:
    std::filesystem::path file_;
    std::mutex lock_;  // windows on several contexts save when they close
};

}  // namespace tavlo
