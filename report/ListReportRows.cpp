#include "ListReportRows.h"

#include <cstring>
#include <vector>

namespace {
constexpr size_t kFirstWholeCapacity = 1024;
}

std::string CListReportRows::GetCellText(int row, int column, size_t capacity) const
{
    if (capacity > 0)
        return m_List.GetItemText(row, column, static_cast<int>(capacity));

    // The list tells only how much it copied: a text that fills the buffer may have been cut.
    std::vector<char> buffer(kFirstWholeCapacity);
    for (;;) {
        m_List.GetItemText(row, column, buffer.data(), static_cast<int>(buffer.size()));
        const size_t length = std::strlen(buffer.data());
        if (length + 1 < buffer.size())
            return std::string(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}
