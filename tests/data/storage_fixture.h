#pragma once
#include <gtest/gtest.h>

#include <memory>

#include "data/file_manager.h"
#include "data/storage.h"
#include "support.h"

namespace tavlo {

// A data folder, a context on it and every message box recorded.
class StorageTest : public ::testing::Test {
protected:
    template <class T>
    FileManager<T>& use(Context& c) {
        auto& f = c.access<T>();
        f.Open();
        return f;
    }
    template <class T>
    FileManager<T>& use() {
        return use<T>(*ctx);
    }
    template <class T>
    std::vector<T> all(Context& c, int key = -1) {
        auto& f = c.access<T>();
        if (key < 0)
            f.SetFileOrder();
        else
            f.FileManagerBase::Set(key);
        std::vector<T> out;
        while (f.TryNext() == LevelBenign) out.push_back(f.rec);
        return out;
    }

    // Durability against power loss is not what these tests check.
    support::ProgramStateGuard state{{.syncWrites = false}};
    support::TempFolder folder;
    support::MessageScript messages;
    std::unique_ptr<Context> ctx = std::make_unique<Context>(folder.path());
};

}  // namespace tavlo
