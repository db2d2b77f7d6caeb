#pragma once

#include <string>
#include <vector>

#include "resources/journal_record.h"

// Reading a journal file and taking its changes back.
namespace tamlo::journal {

// The records of the journal file; false when it cannot be read.
bool readJournal(const std::string& path, std::vector<Record>* records);
bool isCommitted(const std::vector<Record>& records);

// Puts back what an uncommitted journal changed, newest first, then removes the journal
// and its kept copies.
bool rollbackFile(const std::string& path, std::string* error);

}  // namespace tamlo::journal
