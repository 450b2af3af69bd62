// `brenvale-cli scan --json` and `export --categories camera-roll` run as processes on backups
// whose photo library has either generation's asset table: the JSON items and the rows of
// Photos.csv, each read back by Python's own parsers, carry what the library says about every
// file, hostile original names unchanged, and nothing for the file it does not know.
#include "CliProcess.h"
#include "fixtures/backup/BackupWriter.h"
#include "fixtures/backup/DemoDevice.h"
#include "fixtures/devicedb/PhotosDb.h"
#include "support/SharedFixtures.h"
#include "support/TempDir.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>

#include <gtest/gtest.h>

namespace {

// Prints one line per camera-roll item of the scan (argv 1) and one per row of Photos.csv
// (argv 2), each "json" or "csv", the file name, the original name as hex of its UTF-8, kind,
// favourite, hidden, deleted, whether a deletion date is given, the place and the width.
constexpr const char* kReader = R"(import csv, json, sys
scan = json.load(open(sys.argv[1], encoding="utf-8"))
rows = list(csv.reader(open(sys.argv[2], encoding="utf-8-sig", newline="")))
assert rows[0] == ["Copy Name", "Original Name", "Created", "Width", "Height", "Kind",
                   "Favourite", "Hidden", "Latitude", "Longitude", "Deleted", "Deleted Date"]
def flag(value):
    return {True: "yes", False: "no", "Yes": "yes", 1: "yes"}.get(value, "no")
def place(lat, lon):
    return "" if lat in (None, "") else "%.4f,%.4f" % (float(lat), float(lon))
for i in scan["categories"]["cameraRoll"]:
    print("\t".join(["json", i["name"], i["originalName"].encode().hex(), i["kind"],
                     flag(i["favorite"]), flag(i["hidden"]), flag(i["deleted"]),
                     flag(i["deletedDate"] != ""), place(i["latitude"], i["longitude"]),
                     "" if i["width"] is None else str(i["width"])]))
for r in rows[1:]:
    print("\t".join(["csv", r[0], r[1].encode().hex(), r[5], flag(r[6]), flag(r[7]),
                     flag(r[10]), flag(r[11] != ""), place(r[8], r[9]), r[3]]))
)";

std::string hex(const std::string& text)
{
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    for (const unsigned char c : text) {
        out += kDigits[c >> 4];
        out += kDigits[c & 0x0F];
    }
    return out;
}

std::string kindOf(const fixtures::PhotoAsset& asset)
{
    if (asset.kind == fixtures::kPhotoKindVideo) {
        return "video";
    }
    return asset.subtype == fixtures::kPhotoSubtypeLivePhoto    ? "livePhoto"
           : asset.subtype == fixtures::kPhotoSubtypeScreenshot ? "screenshot"
                                                                : "photo";
}

TEST(CameraRollCliTest, JsonAndPhotosCsvCarryTheLibraryDetailsOfEveryGeneration)
{
    for (const bool current : {false, true}) {
        SCOPED_TRACE(current ? "ZASSET" : "ZGENERICASSET");
        testsupport::TempDir dir;
        fixtures::DeviceFilesOptions options;
        options.currentLayouts = current;
        fixtures::BackupDescription spec;
        spec.productVersion = current ? "17.2" : "11.4";
        spec.files = fixtures::sampleFiles(3);
        std::vector<std::string> cameraFiles;
        for (const fixtures::BackupFile& file : spec.files) {
            if (file.kind == fixtures::FileKind::File && file.domain == "CameraRollDomain") {
                cameraFiles.push_back(file.relativePath);
            }
        }
        ASSERT_EQ(fixtures::deviceDatabaseFiles(options, dir.file("db"), spec.files), 0);
        ASSERT_EQ(fixtures::writeBackup(spec, dir.file("backup")), 0);

        const e2e::CliRun scan = e2e::runCli(
            "scan", e2e::quoted(dir.file("backup")) + " --categories camera-roll --json", dir);
        ASSERT_EQ(scan.exitStatus, 0) << scan.err;
        EXPECT_EQ(scan.err.find("photo library"), std::string::npos) << scan.err;
        testsupport::writeFileBytes(dir.file("scan.json"), scan.out);
        const e2e::CliRun run =
            e2e::runCli("export",
                        e2e::quoted(dir.file("backup")) + " --out " + e2e::quoted(dir.file("out")) +
                            " --categories camera-roll --quiet",
                        dir);
        ASSERT_EQ(run.exitStatus, 0) << run.err;
        std::string table;
        for (const auto& entry : std::filesystem::directory_iterator(dir.file("out/Camera Roll"))) {
            if (entry.is_directory()) {
                table = (entry.path() / "Photos.csv").string();
            }
        }
        ASSERT_TRUE(std::filesystem::exists(table));

        testsupport::writeFileBytes(dir.file("read.py"), kReader);
        const e2e::CliRun read =
            e2e::runShell("/usr/bin/python3 " + e2e::quoted(dir.file("read.py")) + " " +
                              e2e::quoted(dir.file("scan.json")) + " " + e2e::quoted(table),
                          dir);
        ASSERT_EQ(read.exitStatus, 0) << read.err;

        const fixtures::PhotosData library = fixtures::samplePhotosData(cameraFiles);
        std::multiset<std::string> expected;
        for (std::size_t i = 0; i < cameraFiles.size(); ++i) {
            const std::string name = cameraFiles[i].substr(cameraFiles[i].rfind('/') + 1);
            // A file the library does not know: empty details, every flag off.
            std::string line = name + "\t\t\tno\tno\tno\tno\t\t";
            const auto asset =
                std::find_if(library.assets.begin(), library.assets.end(), [&](const auto& a) {
                    return "Media/" + a.directory + "/" + a.fileName == cameraFiles[i];
                });
            if (asset != library.assets.end()) {
                const fixtures::PhotoAsset& a = *asset;
                const bool place =
                    a.latitude != fixtures::kPhotoNoPlace && a.longitude != fixtures::kPhotoNoPlace;
                char where[64] = "";
                if (place) {
                    std::snprintf(where, sizeof where, "%.4f,%.4f", a.latitude, a.longitude);
                }
                line = name + "\t" + hex(a.originalName) + "\t" + kindOf(a) + "\t" +
                       (a.favorite ? "yes" : "no") + "\t" + (a.hidden ? "yes" : "no") + "\t" +
                       (a.trashed ? "yes\tyes" : "no\tno") + "\t" + where + "\t" +
                       std::to_string(a.width);
            }
            expected.insert("json\t" + line);
            expected.insert("csv\t" + line);
        }
        std::multiset<std::string> seen;
        for (std::size_t at = 0, end = 0; at < read.out.size(); at = end + 1) {
            end = std::min(read.out.find('\n', at), read.out.size());
            seen.insert(read.out.substr(at, end - at));
        }
        EXPECT_EQ(seen, expected);
    }
}

} // namespace
