#include "data/company_record.h"

namespace tavlo {

int readCompanyRecord(FileManager<PACS10>& cs10) {
    cs10.clearBuffer();
    cs10.rec.USERNUMBER = kCompanyUserNumber;
    int rc = cs10.get(PCS10::UserNumberKey);
    if (rc != ErrNoRecord) return rc;
    cs10.clearBuffer();
    cs10.SetFileOrder();
    rc = cs10.next();
    if (rc == ErrNoRecord) {
        cs10.clearBuffer();
        cs10.rec.USERNUMBER = kCompanyUserNumber;
    }
    return rc;
}

}  // namespace tavlo
