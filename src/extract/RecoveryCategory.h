// The fifteen categories a scan can extract, in the fixed order in which the category page
// lists its options and the scan page its tree nodes, with their option control names, tree
// labels and the names the command line uses.
#pragma once

#include <array>
#include <bitset>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace extract {

// The numbers are fixed: the scan's Select message carries them as its parameter.
enum class RecoveryCategory
{
    CameraRoll = 0,
    PhotoStream = 1,
    AppPhotos = 2,
    AppVideos = 3,
    Messages = 4,
    MessageAttachments = 5,
    Contacts = 6,
    CallHistory = 7,
    Notes = 8,
    WhatsApp = 9,
    WhatsAppAttachments = 10,
    Reminder = 11,
    Calendar = 12,
    SafariBookmark = 13,
    SafariHistory = 14
};

inline constexpr std::size_t kCategoryCount = 15;

struct CategoryInfo
{
    RecoveryCategory category;
    // Name of the category's check box on the category page.
    std::string_view optionControl;
    // The option's text on the category page.
    std::string_view optionText;
    // Initial text of the category's tree node; its bracketed count changes as results arrive.
    std::string_view treeLabel;
    // The name `--categories` of the command line takes.
    std::string_view cliName;
    // The member name of the category in the command line's JSON output.
    std::string_view jsonKey;
};

// The table of all categories in their fixed order.
const std::array<CategoryInfo, kCategoryCount>& categoryTable();

// The row of `category`.
const CategoryInfo& categoryInfo(RecoveryCategory category);

// The category whose command-line name is `cliName`, or nullopt.
std::optional<RecoveryCategory> categoryFromCliName(std::string_view cliName);

// The tree label of `category` with `count` in its brackets: "Messages (12)".
std::string treeLabel(RecoveryCategory category, std::size_t count);

// A set of ticked categories.
class CategorySet
{
public:
    // Every category ticked, as the category page starts.
    static CategorySet all();

    void set(RecoveryCategory category, bool ticked = true)
    {
        m_bits.set(static_cast<std::size_t>(category), ticked);
    }

    bool has(RecoveryCategory category) const
    {
        return m_bits.test(static_cast<std::size_t>(category));
    }

    bool empty() const { return m_bits.none(); }

private:
    std::bitset<kCategoryCount> m_bits;
};

} // namespace extract
