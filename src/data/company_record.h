#pragma once
// The shop's company record in PACS10. A shop has one: the till, User Details, the slips and the
// cash-up all read and write the same record, on a new folder and on an existing one.
#include <cstdint>

#include "data/file_manager.h"
#include "data/tables.h"

namespace tavlo {

// The user number the company record is kept under.
inline constexpr std::uint16_t kCompanyUserNumber = 1;

// Reads the company record into cs10's buffer: the one under kCompanyUserNumber, else the first
// record there is (a folder written before the number was fixed). A driver code: ErrNoRecord when
// the table is empty (the buffer is then clear, with the user number set for adding it).
int readCompanyRecord(FileManager<PACS10>& cs10);

}  // namespace tavlo
