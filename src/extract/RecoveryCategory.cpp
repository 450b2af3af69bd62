// The category table.
#include "extract/RecoveryCategory.h"

namespace extract {

const std::array<CategoryInfo, kCategoryCount>& categoryTable()
{
    using C = RecoveryCategory;
    static const std::array<CategoryInfo, kCategoryCount> kTable = {{
        {C::CameraRoll,
         "OptCameraRoll",
         "Camera Roll",
         "Camera Roll (0)",
         "camera-roll",
         "cameraRoll"},
        {C::PhotoStream,
         "OptPhotoStream",
         "Photo Stream",
         "Photo Stream (0)",
         "photo-stream",
         "photoStream"},
        {C::AppPhotos, "OptAppPhotos", "App Photos", "App Photos (0)", "app-photos", "appPhotos"},
        {C::AppVideos, "OptAppVideos", "App Videos", "App Videos (0)", "app-videos", "appVideos"},
        {C::Messages, "OptMessages", "Messages", "Messages (0)", "messages", "messages"},
        {C::MessageAttachments,
         "OptMessageAtts",
         "Message Attachments",
         "Messages Attachments (0)",
         "message-attachments",
         "messageAttachments"},
        {C::Contacts, "OptContacts", "Contacts", "Contacts (0)", "contacts", "contacts"},
        {C::CallHistory,
         "OptCallHistory",
         "Call History",
         "Call History (0)",
         "call-history",
         "callHistory"},
        {C::Notes, "OptNotes", "Notes", "Notes (0)", "notes", "notes"},
        {C::WhatsApp, "WhatsApp", "WhatsApp", "WhatsApp (0)", "whatsapp", "whatsApp"},
        {C::WhatsAppAttachments,
         "OptWhatsAppAtts",
         "WhatsApp Attachments",
         "WhatsApp Attachments (0)",
         "whatsapp-attachments",
         "whatsAppAttachments"},
        {C::Reminder, "OptReminder", "Reminder", "Reminder (0)", "reminders", "reminders"},
        {C::Calendar, "OptCalendar", "Calendar", "Calendar (0)", "calendar", "calendar"},
        {C::SafariBookmark,
         "SafariBookmark",
         "SafariBookmark",
         "Safari Bookmark (0)",
         "safari-bookmarks",
         "safariBookmarks"},
        {C::SafariHistory,
         "OptSafariHistory",
         "Safari History",
         "Safari History (0)",
         "safari-history",
         "safariHistory"},
    }};
    return kTable;
}

const CategoryInfo& categoryInfo(RecoveryCategory category)
{
    return categoryTable()[static_cast<std::size_t>(category)];
}

std::optional<RecoveryCategory> categoryFromCliName(std::string_view cliName)
{
    for (const CategoryInfo& info : categoryTable()) {
        if (info.cliName == cliName) {
            return info.category;
        }
    }
    return std::nullopt;
}

std::string treeLabel(RecoveryCategory category, std::size_t count)
{
    std::string_view label = categoryInfo(category).treeLabel;
    label = label.substr(0, label.rfind(" ("));
    return std::string(label) + " (" + std::to_string(count) + ")";
}

CategorySet CategorySet::all()
{
    CategorySet set;
    set.m_bits.set();
    return set;
}

} // namespace extract
