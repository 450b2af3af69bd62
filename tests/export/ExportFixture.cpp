// Shared pieces of the export tests.
#include "ExportFixture.h"

#include "fixtures/backup/BackupWriter.h"
#include "fixtures/backup/MediaBytes.h"
#include "support/SharedFixtures.h"

#include <filesystem>
#include <stdexcept>

namespace exporttest {

std::string testTemplate()
{
    return "<h>{|title|}|{|person|}</h>\n{|content|}</t>\n";
}

void writeTestTemplates(const std::string& folder)
{
    std::filesystem::create_directories(folder);
    for (const char* name :
         {"CallHistory.html", "Notes.html", "contacts.html", "Sms.html", "WhatsApp.html"}) {
        testsupport::writeFileBytes(folder + "/" + name, testTemplate());
    }
    testsupport::writeFileBytes(folder + "/Print.html", "<print>\n{|content|}</print>\n");
}

extract::ScanResults writeSmallBackup(const std::string& folder)
{
    using fixtures::BackupFile;
    using fixtures::MediaKind;
    fixtures::BackupDescription spec;
    spec.deviceName = "Ann's iPhone";
    const auto file = [](const char* domain, const char* path, std::string content) {
        BackupFile f;
        f.domain = domain;
        f.relativePath = path;
        f.content = std::move(content);
        return f;
    };
    spec.files = {
        file("CameraRollDomain",
             "Media/DCIM/100APPLE/IMG_0001.JPG",
             fixtures::mediaBytes(MediaKind::JpegExif, 1)),
        file("CameraRollDomain",
             "Media/DCIM/100APPLE/IMG_0002.MOV",
             fixtures::mediaBytes(MediaKind::Mov, 2)),
        file("AppDomain-com.example.Camera",
             "Documents/shot.png",
             fixtures::mediaBytes(MediaKind::Png, 3)),
        file("MediaDomain",
             "Library/SMS/Attachments/0a/10/IMG_0003.GIF",
             fixtures::mediaBytes(MediaKind::Gif, 4)),
    };
    if (fixtures::writeBackup(spec, folder) != 0) {
        throw std::runtime_error("cannot write the test backup");
    }
    const auto pathOf = [&](std::size_t i) {
        return fixtures::contentPath(spec, folder, spec.files[i]);
    };
    const auto sizeOf = [&](std::size_t i) { return spec.files[i].content.size(); };

    extract::ScanResults results;
    results.cameraRoll = {{sizeOf(0), "IMG_0001.JPG", pathOf(0)},
                          {sizeOf(1), "IMG_0002.MOV", pathOf(1)}};
    results.appPhotos["Camera"] = {{sizeOf(2), "Camera", "shot.png", pathOf(2)}};
    results.messageAttachments = {{0, sizeOf(3), "IMG_0003.GIF", pathOf(3)}};

    extract::MessageRecord m1{
        0, 0, 1, 7, "2015-05-01 10:00:00", "+15550100", "Bob", "Hi there", ""};
    extract::MessageRecord m2{
        0, 1, 2, 7, "2015-05-01 10:01:00", "+15550100", "Bob", "Hello Bob", ""};
    extract::MessageRecord m3{1, 0, 3, 7, "2015-05-01 10:02:00", "+15550100", "Bob", "gone", ""};
    extract::MessageRecord m4{0, 0, 4, 0, "2015-05-02 08:00:00", "", "", "no handle", ""};
    results.messages[7] = {m1, m2, m3};
    results.messages[0] = {m4};
    extract::ConversationSummary bob = m3;
    bob.deleted = 1;
    results.conversations = {bob, m4};

    extract::WhatsAppMessage w1;
    w1.deleted = 0;
    w1.isFromMe = 0;
    w1.sessionId = 5;
    w1.date = "2015-05-03 09:00:00";
    w1.senderName = "Cara";
    w1.text = "see you";
    w1.senderAddress = "15550111";
    w1.sessionMembers = "Cara";
    w1.sessionAddresses = "15550111";
    w1.sessionName = "Cara";
    extract::WhatsAppMessage w2 = w1;
    w2.isFromMe = 1;
    w2.deleted = 1;
    w2.date = "2015-05-03 09:05:00";
    w2.senderName = "Me";
    w2.senderAddress = "";
    w2.text = "ok, later";
    results.whatsApp[5] = {w1, w2};

    results.contacts = {
        {0, "ann@example.com", "1 Road", "", "http://a.example", "+1555\n+1666", "Acme", "Ann Lee"},
        {1, "", "", "", "", "+1777", "", "Old Friend"}};
    results.calls = {{0, 1, 3725, "2015-05-04 07:00:00", "+15550100", "Bob"},
                     {1, 0, 0, "2015-05-04 06:00:00", "+15550199", ""},
                     {0, 1, 0, "2015-05-04 05:00:00", "+15550198", "Dan"}};
    results.notes = {{0, 1, "2015-05-05 12:00:00", "Shopping", "milk\neggs"},
                     {1, 2, "2015-05-05 11:00:00", "Old", "gone"}};
    return results;
}

std::map<std::string, std::string> readTree(const std::string& root)
{
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        if (entry.is_regular_file()) {
            files[std::filesystem::relative(entry.path(), root).generic_string()] =
                testsupport::readFileBytes(entry.path().string());
        }
    }
    return files;
}

std::vector<std::vector<std::string>> parseCsv(const std::string& text)
{
    std::vector<std::vector<std::string>> records;
    std::vector<std::string> record;
    std::string field;
    bool quoted = false;
    bool fieldStarted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field.push_back('"');
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field.push_back(c);
            }
        } else if (c == '"') {
            if (fieldStarted && !field.empty()) {
                throw std::runtime_error("quote inside an unquoted field");
            }
            quoted = true;
            fieldStarted = true;
        } else if (c == ',') {
            record.push_back(field);
            field.clear();
            fieldStarted = false;
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n')) {
                throw std::runtime_error("bare CR outside quotes");
            }
            if (c == '\r') {
                ++i;
            }
            record.push_back(field);
            records.push_back(record);
            record.clear();
            field.clear();
            fieldStarted = false;
        } else {
            field.push_back(c);
            fieldStarted = true;
        }
    }
    if (quoted) {
        throw std::runtime_error("unterminated quoted field");
    }
    if (fieldStarted || !record.empty()) {
        record.push_back(field);
        records.push_back(record);
    }
    return records;
}

} // namespace exporttest
