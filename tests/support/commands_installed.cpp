// Linked into every test program (not through the support library, so it is never dropped):
// the command table is filled before the first test, as the program fills it at start-up.
#include "shell/command_table.h"

namespace {
const bool installed = (tavlo::installCommands(), true);
}
