#include "shell/globals.h"

namespace tavlo {

Globals GLO;

}  // namespace tavlo
