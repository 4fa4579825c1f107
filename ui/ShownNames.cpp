#include "ui/ShownNames.h"

const std::string* CShownNames::OwnName(const std::string& mac) const
{
    const auto own = m_OwnNames.find(mac);
    return own != m_OwnNames.end() ? &own->second : nullptr;
}

std::string CShownNames::OnFound(const std::string& address, const std::string& mac, const std::string& found)
{
    m_FoundNames[address] = found;
    const std::string* own = OwnName(mac);
    return own ? *own : found;
}

std::string CShownNames::ShownName(const std::string& address, const std::string& mac, const std::string& current)
{
    const std::string& found = m_FoundNames.emplace(address, current).first->second;
    const std::string* own = OwnName(mac);
    return own ? *own : found;
}
