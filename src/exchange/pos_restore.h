#pragma once
// POSRestore: imports the accounting package's archive "POS.zip" from a folder the operator
// picks. The archive is unpacked by the archiver into an empty staging folder, checked, and
// merged into the live tables (exchange/import.h); the data folder itself never receives files.
#include "exchange/exchange_window.h"

namespace tavlo {

class POSRestore : public ExchangeWindow {
public:
    POSRestore();

protected:
    void TakeOpened() override;
    void act() override;
};

}  // namespace tavlo
