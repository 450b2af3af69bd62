// Shared pieces of the export tests: a recovery source that copies for real and writes marker
// dumps, small templates, a small backup with scan results over it, and folder walks.
#pragma once

#include "extract/IPhoneRecoveryParse.h"
#include "extract/Records.h"

#include <map>
#include <string>
#include <vector>

namespace exporttest {

// The source a run copies through: CopyOut copies the file for real; the dumps write a marker
// line; the scan operations find nothing.
class CopyingSource final : public extract::IPhoneRecoveryParse
{
public:
    int Attach(catalogue::BackupEngine*) override { return 0; }

    int SetProgressCallback(extract::ScanProgressCallback, void*) override { return 0; }

    bool IsLocalBackup() const override { return true; }

    int OpenBackup(const std::string&) override { return 0; }

    int ScanMessages(extract::MessageMap&) override { return 0; }

    int ScanMessageAttachments(std::vector<extract::AttachmentItem>&) override { return 0; }

    int ScanContacts(std::vector<extract::ContactRecord>&) override { return 0; }

    int ScanNotes(std::vector<extract::NoteRecord>&) override { return 0; }

    int ScanCallHistory(std::vector<extract::CallRecord>&) override { return 0; }

    int ScanCameraRollAndPhotoStream(std::vector<extract::MediaItem>&,
                                     std::vector<extract::MediaItem>&) override
    {
        return 0;
    }

    int TakeWhatsAppAttachments(std::vector<extract::MediaItem>&) override { return 0; }

    int ScanAppMedia(std::vector<extract::AppMediaItem>&) override { return 0; }

    int ScanWhatsApp(extract::WhatsAppMap&) override { return 0; }

    int
    MakePreviewCopy(const std::string&, std::string&, extract::ScanProgressCallback, void*) override
    {
        return 87;
    }

    int CopyOut(const std::string& source,
                const std::string& destination,
                extract::ProgressCallback callback,
                void* userData) override;
    int ExportMessagesTable(const std::string& outputPath) override;
    int ExportContactsTable(const std::string& outputPath) override;

    int WriteWhatsAppChatText(std::int32_t,
                              const std::string&,
                              extract::ProgressCallback,
                              void*) override
    {
        return 0;
    }

    int messageDumps = 0;
    int contactDumps = 0;
};

// Writes the five export templates and Print.html, each a one-line head with the title (and
// person) placeholders, "{|content|}" and a one-line tail, into `folder`.
void writeTestTemplates(const std::string& folder);

// The small test template text of a page kind: "<h>{|title|}|{|person|}</h>\n{|content|}</t>\n".
std::string testTemplate();

// A generated backup in `folder` with four media files, and scan results over it: two camera
// roll files, one app photo, one message attachment, two conversations (one with a deleted
// message, one without handle or name), one WhatsApp chat, two contacts, three calls, two notes.
extract::ScanResults writeSmallBackup(const std::string& folder);

// Every regular file below `root`, by path relative to it, with its bytes.
std::map<std::string, std::string> readTree(const std::string& root);

// A small RFC 4180 reader: the records of `text` (CR LF or LF line ends), each a list of fields.
std::vector<std::vector<std::string>> parseCsv(const std::string& text);

} // namespace exporttest
