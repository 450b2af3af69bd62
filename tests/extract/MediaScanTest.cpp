// The manifest walks of the file categories on generated backups of both manifest kinds, and
// the naming rules they apply.
#include "extract/MediaScan.h"

#include "BackupUnderTest.h"
#include "fixtures/backup/MediaBytes.h"
#include "platform/Text.h"

#include <gtest/gtest.h>

namespace {

using fixtures::mediaBytes;
using fixtures::MediaKind;

fixtures::BackupFile file(const std::string& domain, const std::string& path, std::string content)
{
    fixtures::BackupFile made;
    made.domain = domain;
    made.relativePath = path;
    made.content = std::move(content);
    return made;
}

fixtures::BackupDescription mediaSpec(fixtures::ManifestKind kind)
{
    fixtures::BackupDescription spec;
    spec.manifestKind = kind;
    spec.files = {
        file("CameraRollDomain",
             "Media/DCIM/100APPLE/IMG_0002.JPG",
             mediaBytes(MediaKind::JpegExif, 1)),
        file("CameraRollDomain", "Media/DCIM/100APPLE/img_0001.MOV", mediaBytes(MediaKind::Mov, 2)),
        file("CameraRollDomain", "Media/DCIM/100APPLE/NOTES.TXT", std::string(600, 'x')),
        file("MediaDomain",
             "Media/PhotoStreamsData/123/100APPLE/IMG_5.JPG",
             mediaBytes(MediaKind::Png, 3)),
        file("MediaDomain",
             "Library/SMS/Attachments/ab/01/GUID/IMG_0001.jpeg",
             mediaBytes(MediaKind::Png, 4)),
        file("MediaDomain", "Library/SMS/Attachments/ab/02/GUID/empty.jpg", ""),
        file("MediaDomain",
             "Library/SMS/Attachments/ab/03/GUID/voice",
             mediaBytes(MediaKind::M4a, 5)),
        file("AppDomain-com.example.camera",
             "Documents/shot.png",
             mediaBytes(MediaKind::JpegJfif, 6)),
        file("AppDomain-com.example.camera", "Documents/clip", mediaBytes(MediaKind::Mp4, 7)),
        file("AppDomain-org.nothing", "Documents/pic.gif", mediaBytes(MediaKind::Gif, 8)),
        file("AppDomain-com.example.empty", "Documents/zero.jpg", ""),
        file("AppDomain-net.whatsapp.WhatsApp",
             "Documents/old.jpg",
             mediaBytes(MediaKind::JpegJfif, 9)),
        file("AppDomainGroup-group.net.whatsapp.WhatsApp.shared",
             "Message/Media/123@s.whatsapp.net/a/b/photo.jpg",
             mediaBytes(MediaKind::JpegExif, 10)),
        file("AppDomainGroup-group.com.example.share",
             "Shared/movie.mov",
             mediaBytes(MediaKind::Mov, 11)),
        file("HomeDomain", "Library/Preferences/x.plist", "<plist/>"),
    };
    return spec;
}

class MediaScanTest : public testing::TestWithParam<fixtures::ManifestKind>
{};

TEST_P(MediaScanTest, WalksFindEachCategoryWithSniffedNamesAndSizes)
{
    extracttest::BackupUnderTest backup(mediaSpec(GetParam()));
    backup.open();
    catalogue::BackupEngine& engine = backup.engine();

    std::vector<extract::MediaItem> cameraRoll;
    std::vector<extract::MediaItem> photoStream;
    ASSERT_EQ(extract::scanCameraRollAndPhotoStream(engine, cameraRoll, photoStream), 0);
    ASSERT_EQ(cameraRoll.size(), 2u) << "a file without media signature is left out";
    EXPECT_EQ(cameraRoll[0].name, "img_0001.MOV") << "sorted without regard to case";
    EXPECT_EQ(cameraRoll[1].name, "IMG_0002.JPG");
    EXPECT_EQ(cameraRoll[1].path,
              backup.contentOf("CameraRollDomain", "Media/DCIM/100APPLE/IMG_0002.JPG"));
    EXPECT_EQ(cameraRoll[1].size, mediaBytes(MediaKind::JpegExif, 1).size());
    ASSERT_EQ(photoStream.size(), 1u);
    EXPECT_EQ(photoStream[0].name, "IMG_5.JPG") << "camera names keep their stored extension";

    std::vector<extract::AttachmentItem> attachments;
    ASSERT_EQ(extract::scanMessageAttachments(engine, attachments), 0);
    ASSERT_EQ(attachments.size(), 2u) << "the empty attachment is left out";
    EXPECT_EQ(attachments[0].name, "IMG_0001.PNG") << "the stored extension is replaced";
    EXPECT_EQ(attachments[1].name, "voice.M4A") << "a name without extension gets one";

    std::vector<extract::AppMediaItem> appMedia;
    std::vector<extract::MediaItem> whatsApp;
    ASSERT_EQ(extract::scanAppMedia(engine, appMedia, whatsApp), 0);
    std::vector<std::string> names;
    for (const auto& item : appMedia) {
        names.push_back(item.app + "/" + item.name);
    }
    EXPECT_EQ(names,
              (std::vector<std::string>{"example.camera/clip.MP4",
                                        "example.share/movie.MOV",
                                        "other/pic.GIF",
                                        "example.camera/shot.JPG"}))
        << "an empty file has no type to sniff; WhatsApp files never appear here";
    ASSERT_EQ(whatsApp.size(), 2u) << "WhatsApp media of the app and of its shared group";
    EXPECT_EQ(whatsApp[0].name, "old.JPG");
    EXPECT_EQ(whatsApp[1].name, "photo.JPG");

    extract::AppMediaGroups photos;
    extract::AppMediaGroups videos;
    extract::splitAppMedia(appMedia, photos, videos);
    EXPECT_EQ(photos["example.camera"].size(), 1u);
    EXPECT_EQ(videos["example.camera"].size(), 1u);
    EXPECT_EQ(videos["example.share"].size(), 1u);
    EXPECT_EQ(photos["other"].size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(BothManifests,
                         MediaScanTest,
                         testing::Values(fixtures::ManifestKind::Db, fixtures::ManifestKind::Mbdb));

TEST(MediaScanNamingTest, AppNamesAndDisplayNames)
{
    struct Row
    {
        const char* domainPath;
        const char* app;
    };

    const Row rows[] = {
        {"AppDomain-com.example.app-Documents/a.jpg", "example.app"},
        {"AppDomain-net.whatsapp.WhatsApp-Library/a.jpg", "whatsapp.WhatsApp"},
        {"AppDomain-org.example-Documents/a.jpg", "other"},
        {"AppDomain-org.example-Documents/com.thing-x/a.jpg", "thing"},
        {"AppDomain-com.nodash/a.jpg", "other"},
        {"AppDomainGroup-group.com.example.share-Shared/a.mov", "example.share"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(extract::appNameOf(row.domainPath), row.app) << row.domainPath;
    }
    const std::string longName = "AppDomain-com." + std::string(400, 'a') + "-Documents/x.jpg";
    EXPECT_EQ(extract::appNameOf(longName).size(), extract::kMaxAppNameBytes);

    EXPECT_EQ(extract::displayNameWithType("D-a/b/IMG_1.jpeg", "png"), "IMG_1.PNG");
    EXPECT_EQ(extract::displayNameWithType("D-a/b.c/file", "mov"), "file.MOV");
    EXPECT_EQ(extract::displayNameWithType("D-a/x.tar.gz", ""), "x.tar.JPG");
    EXPECT_EQ(extract::lastPathPart("no-slash"), "no-slash");
}

TEST(MediaScanNamingTest, PreviewKindsFollowTheListOrder)
{
    using extract::PreviewKind;
    EXPECT_EQ(extract::previewKindOf("jpg"), PreviewKind::Image);
    EXPECT_EQ(extract::previewKindOf("m4a"), PreviewKind::Audio);
    EXPECT_EQ(extract::previewKindOf("rm"), PreviewKind::Audio) << "audio is searched before video";
    EXPECT_EQ(extract::previewKindOf("mov"), PreviewKind::Video);
    EXPECT_EQ(extract::previewKindOf("heic"), PreviewKind::Image);
    EXPECT_EQ(extract::previewKindOf("psd2"), PreviewKind::None);
    EXPECT_EQ(extract::previewKindOf("jp"), PreviewKind::None) << "whole names only";
}

TEST(MediaScanProgressTest, StopAnswerEndsTheWalkWithItsValueAndKeepsWhatWasFound)
{
    fixtures::BackupDescription spec;
    for (int i = 0; i < 10; ++i) {
        spec.files.push_back(file("CameraRollDomain",
                                  "Media/DCIM/100APPLE/IMG_" + std::to_string(i) + ".JPG",
                                  mediaBytes(MediaKind::JpegJfif, static_cast<unsigned>(i))));
    }
    extracttest::BackupUnderTest backup(spec);
    backup.open();

    struct Calls
    {
        std::vector<int> values;
    } calls;

    backup.engine().setProgressCallback(
        [](void* user, int value) {
            auto* seen = static_cast<Calls*>(user);
            seen->values.push_back(value);
            return seen->values.size() == 4 ? 2 : 0;
        },
        &calls);
    std::vector<extract::MediaItem> cameraRoll;
    std::vector<extract::MediaItem> photoStream;
    EXPECT_EQ(extract::scanCameraRollAndPhotoStream(backup.engine(), cameraRoll, photoStream), 2);
    EXPECT_EQ(cameraRoll.size(), 4u);
    EXPECT_EQ(calls.values.size(), 4u) << "no report after the stop";
    EXPECT_EQ(backup.engine().progress(), 12) << "a stopped walk does not advance the base";
}

} // namespace
