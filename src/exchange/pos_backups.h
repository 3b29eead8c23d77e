#pragma once
// POSBackups: exports the posted transactions to the accounting package. The listings are
// made from a snapshot of the transaction tables, the snapshot is packed into a dated archive
// on the folder the operator picks and tested, and then exactly the exported documents leave
// the live tables (exchange/export.h). Sales posted meanwhile wait for the next export.
#include <string>

#include "exchange/exchange_window.h"

namespace tavlo {

class POSBackups : public ExchangeWindow {
public:
    POSBackups();

protected:
    bool OpenTables() override;
    void CloseTables() override;
    void TakeOpened() override;
    void act() override;

private:
    void failed(const std::string& why);

    std::string prefix_;  // PCS10:PREFIX of the company record, read when the window opens
};

}  // namespace tavlo
