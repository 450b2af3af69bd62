// The preview panel of the results page (PreviewLayout): a note's text, a contact card, a
// conversation or WhatsApp chat as bubbles, or a media file copied out of the backup with the
// recovery source's preview copy and shown (images) or played (audio and video).
#pragma once

#include "export/CStatisticsObj.h"
#include "extract/IPhoneRecoveryParse.h"
#include "extract/Records.h"

#include <functional>
#include <map>
#include <string>

#include <QWidget>

class QLabel;
class QListWidget;
class QStackedWidget;
class QTextEdit;

namespace app {

class CPreviewPanel : public QWidget
{
    Q_OBJECT

public:
    // Files larger than this are copied through the preview-loading window.
    static constexpr std::uint64_t kDirectCopyLimit = 65536;

    explicit CPreviewPanel(QWidget* parent = nullptr);

    // The source media are copied through; null disables media previews.
    void setSource(extract::IPhoneRecoveryParse* source) { m_source = source; }

    // Empties the panel and forgets the last previewed media.
    void clearPreview();

    // Shows the message list (conversations and chats) or the text box.
    void setConversationMode(bool on);

    // Shows `entry`'s record; `results` hold the conversations and chats it belongs to.
    void showRecord(const exporting::SelectionEntry& entry, const extract::ScanResults& results);

    // Shows or plays the media file copied last (message 1027).
    void PlayMedia();

    // How many preview copies were made since the panel was built.
    int copyCount() const { return m_copies; }

    // The preview file of the media shown last; empty when none.
    const QString& mediaFile() const { return m_mediaFile; }

    // Replaces how audio and video files are played (tests record them); an empty function
    // restores the system's default player.
    static void setPlayer(std::function<void(const QString&)> player);

    QTextEdit* textBox() const { return m_text; }

    QListWidget* messagesList() const { return m_messages; }

    QWidget* contactCard() const { return m_card; }

private:
    void showNote(const extract::NoteRecord& note);
    void showContact(const extract::ContactRecord& contact);
    void showConversation(const std::vector<extract::MessageRecord>& messages);
    void showChat(const std::vector<extract::WhatsAppMessage>& messages);
    void addBubble(const QString& header, const QString& text, bool sent, bool deleted);
    void showMedia(const std::string& path, const std::string& name, std::uint64_t size);
    void showImage();

    extract::IPhoneRecoveryParse* m_source = nullptr;
    QStackedWidget* m_stack = nullptr;
    QTextEdit* m_text = nullptr;
    QListWidget* m_messages = nullptr;
    QWidget* m_card = nullptr;
    std::map<QString, QLabel*> m_cardValues;
    std::string m_lastMedia;
    QString m_mediaFile;
    QString m_mediaName;
    int m_copies = 0;
    int m_imageSerial = 0;
};

} // namespace app
