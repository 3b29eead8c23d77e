#include "state/globals.h"

namespace tavlo {

Globals GLO;

}  // namespace tavlo
