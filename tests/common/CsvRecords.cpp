#include "CsvRecords.h"

bool ReadCsvRecords(const std::string& text, std::vector<CsvRecord>& records)
{
    records.clear();
    CsvRecord record;
    std::string field;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '"') {
            // A quoted field runs to the quote that is not doubled.
            for (++i;; ++i) {
                if (i >= text.size())
                    return false;
                if (text[i] == '"' && (i + 1 >= text.size() || text[i + 1] != '"'))
                    break;
                if (text[i] == '"')
                    ++i;
                field += text[i];
            }
            ++i;
            if (i < text.size() && text[i] != ',' && text[i] != '\r')
                return false;
            continue;
        }
        if (text[i] == ',') {
            record.push_back(field);
            field.clear();
            ++i;
        } else if (text.compare(i, 2, "\r\n") == 0) {
            record.push_back(field);
            records.push_back(record);
            record.clear();
            field.clear();
            i += 2;
        } else {
            field += text[i++];
        }
    }
    if (!record.empty() || !field.empty()) {
        record.push_back(field);
        records.push_back(record);
    }
    return true;
}
