#include "ui/ListResultsSink.h"

#include "controls/EnhancedListCtrl.h"
#include "ui/ScanResultTexts.h"
#include "ui/ShownNames.h"

#include <string>

namespace {
enum ResultColumn { kNameColumn = 1, kMacColumn = 2, kDescriptionColumn = 3 };
}  // namespace

void CListResultsSink::OnHostFound(const char* address, const BYTE* mac, ULONG macLength)
{
    char macText[kMacTextCapacity] = {};
    FormatMacAddress(mac, macLength, macText, sizeof(macText));
    const std::string shown = m_Names ? m_Names->OnFound(address, macText, std::string()) : std::string();
    if (!shown.empty()) {
        m_List.AppendRow(address, 0,
                         {{kNameColumn, shown.c_str()}, {kMacColumn, macText}, {kDescriptionColumn, kFoundDescription}},
                         kFoundRowTextColor);
        return;
    }
    m_List.AppendRow(address, 0, {{kMacColumn, macText}, {kDescriptionColumn, kFoundDescription}}, kFoundRowTextColor);
}

void CListResultsSink::OnHostNamed(const char* address, const char* name, HostRole role, const BYTE* mac,
                                   ULONG macLength, const char* device)
{
    const std::string description = HostDescription(role, mac, macLength, device);
    char macText[kMacTextCapacity] = {};
    FormatMacAddress(mac, macLength, macText, sizeof(macText));
    const std::string shown = m_Names ? m_Names->OnFound(address, macText, name) : std::string(name);
    // The user may sort the list at any time: the row is found again by its address.
    m_List.SetRowByKey(address, {{kNameColumn, shown.c_str()}, {kDescriptionColumn, description.c_str()}},
                       kDoneRowTextColor);
}
