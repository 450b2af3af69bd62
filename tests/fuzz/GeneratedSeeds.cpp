// Seed sets written by the fixture generators.
#include "GeneratedSeeds.h"

#include "fixtures/backup/InfoPlistWriter.h"
#include "fixtures/backup/ManifestDbWriter.h"
#include "fixtures/backup/MediaBytes.h"
#include "fixtures/devicedb/AddressBookDb.h"
#include "fixtures/devicedb/GzipStored.h"
#include "fixtures/devicedb/NoteTableDocument.h"
#include "fixtures/devicedb/SmsDb.h"
#include "platform/File.h"

#include <vector>

namespace fuzzseeds {

namespace {

int writeMediaSeeds(const std::string& folder)
{
    unsigned seed = 0;
    for (const fixtures::MediaKind kind : fixtures::kAllMediaKinds) {
        const std::string bytes = fixtures::mediaBytes(kind, ++seed);
        const std::string name =
            std::to_string(seed) + "." + std::string(fixtures::mediaFileExtension(kind));
        if (platform::writeWholeFile(platform::joinPath(folder, name), bytes) != 0) {
            return 1;
        }
    }
    return 0;
}

int writePlistSeeds(const std::string& folder)
{
    fixtures::BackupDescription device;
    device.deviceName = "Zoë's iPhone";
    device.phoneNumber = "+44 7700 900123";
    const bool written = platform::writeWholeFile(platform::joinPath(folder, "info.xml"),
                                                  fixtures::infoPlistXml(device)) == 0 &&
                         platform::writeWholeFile(platform::joinPath(folder, "info.bplist"),
                                                  fixtures::infoPlistBinary(device)) == 0 &&
                         platform::writeWholeFile(platform::joinPath(folder, "manifest.xml"),
                                                  fixtures::manifestPlistXml(device)) == 0 &&
                         platform::writeWholeFile(platform::joinPath(folder, "status.xml"),
                                                  fixtures::statusPlistXml(device)) == 0;
    return written ? 0 : 1;
}

int writeManifestDbSeed(const std::string& folder)
{
    const std::string id(40, 'a');
    const std::vector<fixtures::ManifestDbRow> rows = {
        {id, "HomeDomain", "Library/SMS/sms.db", fixtures::kFlagsFile, std::nullopt},
        {std::string(40, 'b'),
         "CameraRollDomain",
         "Media/DCIM",
         fixtures::kFlagsFolder,
         std::nullopt},
        {std::string(40, 'c'),
         "AppDomain-net.whatsapp.WhatsApp",
         std::nullopt,
         fixtures::kFlagsFile,
         std::nullopt},
        {std::string(40, 'd'), "HomeDomain", "", fixtures::kFlagsSymlink, std::nullopt},
        {std::string(40, 'e'),
         std::nullopt,
         "Library/AddressBook/AddressBook.sqlitedb",
         fixtures::kFlagsFile,
         std::string("bplist00")},
    };
    return fixtures::writeManifestDb(platform::joinPath(folder, "Manifest.db"), rows) == 0 ? 0 : 1;
}

int writeDeviceDbSeeds(const std::string& folder)
{
    const fixtures::SmsSampleCounts messages{2, 12, 2, 3};
    const fixtures::AddressBookSampleCounts people{6, 2};
    const fixtures::SmsData sms = fixtures::sampleSmsData(1, messages);
    const fixtures::AddressBookData book = fixtures::sampleAddressBookData(1, people);
    const bool written =
        fixtures::writeSmsDb(
            platform::joinPath(folder, "sms-ios9.db"), fixtures::SmsLayout::Ios9, sms) == 0 &&
        fixtures::writeSmsDb(
            platform::joinPath(folder, "sms-ios14.db"), fixtures::SmsLayout::Ios14, sms) == 0 &&
        fixtures::writeSmsDb(platform::joinPath(folder, "sms-ios17.db"),
                             fixtures::SmsLayout::Ios17,
                             fixtures::ios17SmsSample(1, messages)) == 0 &&
        fixtures::writeAddressBookDb(platform::joinPath(folder, "addressbook-legacy.db"),
                                     fixtures::AddressBookLayout::Legacy,
                                     book) == 0 &&
        fixtures::writeAddressBookDb(platform::joinPath(folder, "addressbook-current.db"),
                                     fixtures::AddressBookLayout::Current,
                                     book) == 0;
    return written ? 0 : 1;
}

int writeNoteTableSeeds(const std::string& folder)
{
    const std::string table = fixtures::noteTableDocument(
        {{"Item", "Qty"}, {"tea\tbag", "2"}, {"<script>", "\xF0\x9F\xA5\x9A\nline"}});
    const bool written =
        platform::writeWholeFile(platform::joinPath(folder, "table.bin"), table) == 0 &&
        platform::writeWholeFile(platform::joinPath(folder, "table-gzip.bin"),
                                 fixtures::gzipStored(table)) == 0 &&
        platform::writeWholeFile(platform::joinPath(folder, "one-cell.bin"),
                                 fixtures::noteTableDocument({{"only"}})) == 0;
    return written ? 0 : 1;
}

} // namespace

int writeGeneratedSeeds(std::string_view name, const std::string& folder, std::string& error)
{
    int status = 1;
    if (name == "media") {
        status = writeMediaSeeds(folder);
    } else if (name == "plist") {
        status = writePlistSeeds(folder);
    } else if (name == "manifest-db") {
        status = writeManifestDbSeed(folder);
    } else if (name == "device-db") {
        status = writeDeviceDbSeeds(folder);
    } else if (name == "note-table") {
        status = writeNoteTableSeeds(folder);
    } else {
        error = "no seed set named " + std::string(name);
        return 1;
    }
    if (status != 0) {
        error = "the seed set " + std::string(name) + " could not be written into " + folder;
    }
    return status;
}

} // namespace fuzzseeds
