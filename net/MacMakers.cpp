#include "net/MacMakers.h"

#include "net/MacMakerTable.h"

#include <algorithm>
#include <optional>

namespace {

constexpr unsigned kAddressBits = 48;
constexpr unsigned kSmallBlockBits = 36;
constexpr unsigned kMediumBlockBits = 28;
constexpr unsigned kLargeBlockBits = 24;

// The name offset of the registry's block that holds `address`, if it has one.
template <typename Block>
std::optional<uint32_t> FindBlock(const MacRegistry<Block>& registry, unsigned blockBits, uint64_t address)
{
    const auto block = static_cast<Block>(address >> (kAddressBits - blockBits));
    const Block* end = registry.Blocks + registry.Count;
    const Block* found = std::lower_bound(registry.Blocks, end, block);
    if (found == end || *found != block)
        return std::nullopt;
    return registry.Names[found - registry.Blocks];
}

}  // namespace

std::string_view MacMaker(const uint8_t* mac)
{
    uint64_t address = 0;
    for (size_t i = 0; i < kMacAddressLength; ++i)
        address = address << 8 | mac[i];
    const MacMakerTable& table = kMacMakerTable;
    // A "Private" small block hides the large one it was carved from: that one names the
    // registry itself, not the maker.
    std::optional<uint32_t> name = FindBlock(table.Small, kSmallBlockBits, address);
    if (!name)
        name = FindBlock(table.Medium, kMediumBlockBits, address);
    if (!name)
        name = FindBlock(table.Large, kLargeBlockBits, address);
    return name ? std::string_view(table.Names + *name) : std::string_view();
}

bool IsLocallyAdministered(const uint8_t* mac)
{
    return (mac[0] & 0x02) != 0;
}
