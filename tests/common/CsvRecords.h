// Reads CSV text as RFC 4180 has it (quoted fields, doubled quotes, CRLF records), so that
// a report is checked by its fields rather than by how its writer spells them.
#pragma once

#include <string>
#include <vector>

using CsvRecord = std::vector<std::string>;

// The records of `text`; false when a quoted field is not closed or text follows its quote.
bool ReadCsvRecords(const std::string& text, std::vector<CsvRecord>& records);
