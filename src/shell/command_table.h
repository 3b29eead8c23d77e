#pragma once
// Puts every built-in command's procedure into the command table (framework/commands.h). Once
// per process; a factory a test set first is kept.
namespace tavlo {

void installCommands();

}  // namespace tavlo
