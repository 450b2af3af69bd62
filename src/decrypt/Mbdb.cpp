// Manifest.mbdb records as the decryption uses them.
#include "Mbdb.h"

#include "formats/FileId.h"
#include "formats/Mbdb.h"
#include "platform/Status.h"

namespace decrypt {

int parseMbdb(std::span<const std::uint8_t> bytes, std::vector<MbdbRecord>& records)
{
    records.clear();
    return formats::readMbdbRecords(bytes, [&records](const formats::MbdbRecord& entry) {
        MbdbRecord record;
        record.domain = entry.domain;
        record.relativePath = entry.path;
        record.fileId = formats::fileId(entry.domain, entry.path);
        record.mode = entry.mode;
        record.size = entry.size;
        record.protectionClass = entry.protectionClass;
        if (!entry.encryptionKey.empty()) {
            WrappedFileKey wrapped;
            if (splitWrappedKey(entry.encryptionKey, wrapped) != platform::kStatusOk) {
                return platform::kStatusCorrupt;
            }
            record.key = std::move(wrapped);
        }
        records.push_back(std::move(record));
        return platform::kStatusOk;
    });
}

} // namespace decrypt
