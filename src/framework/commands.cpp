#include "framework/commands.h"

#include <map>
#include <mutex>

namespace tavlo {

namespace {
std::mutex& lock() {
    static std::mutex m;
    return m;
}

std::map<std::string, ProcedureFactory>& table() {
    static std::map<std::string, ProcedureFactory> t;
    return t;
}
}  // namespace

ProcedureFactory commandFactory(const std::string& procedure) {
    std::lock_guard guard(lock());
    auto it = table().find(procedure);
    return it == table().end() ? nullptr : it->second;
}

void setCommandFactory(const std::string& procedure, ProcedureFactory factory) {
    std::lock_guard guard(lock());
    if (factory) table()[procedure] = std::move(factory);
    else table().erase(procedure);
}

void addCommandFactory(const std::string& procedure, ProcedureFactory factory) {
    std::lock_guard guard(lock());
    if (factory) table().try_emplace(procedure, std::move(factory));
}

}  // namespace tavlo
