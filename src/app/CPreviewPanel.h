// The preview panel of the results page (PreviewLayout): a note's text, a contact card, a
// conversation or WhatsApp chat as bubbles, or a media file copied out of the backup with the
// recovery source's preview copy and shown (images) or played inside the panel (audio and
// video), with the system's default player as the fallback.
#pragma once

#include "app/BubbleModel.h"
#include "export/CStatisticsObj.h"
#include "export/RecordFields.h"
#include "extract/IPhoneRecoveryParse.h"
#include "extract/Records.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

#include <QFutureWatcher>
#include <QImage>
#include <QWidget>

class QLabel;
class QListView;
class QStackedWidget;
class QTextEdit;

namespace app {

class BubbleDelegate;
class MediaPage;

class CPreviewPanel : public QWidget
{
    Q_OBJECT

public:
    // Files larger than this are copied through the preview-loading window.
    static constexpr std::uint64_t kDirectCopyLimit = 65536;

    explicit CPreviewPanel(QWidget* parent = nullptr);
    // Waits for the picture being decoded, if any.
    ~CPreviewPanel() override;

    // The source media are copied through; null disables media previews.
    void setSource(extract::IPhoneRecoveryParse* source) { m_source = source; }

    // Empties the panel, forgets the last previewed media and stops its playback.
    void clearPreview();

    // Shows the message list (conversations and chats) or the text box.
    void setConversationMode(bool on);

    // Shows `entry`'s record; `results` hold the conversations and chats it belongs to.
    void showRecord(const exporting::SelectionEntry& entry, const extract::ScanResults& results);

    // Marks every occurrence of `text` (ignoring case) in the note, card or conversation shown
    // and in those shown later; empty marks nothing.
    void setHighlight(const QString& text);

    // Shows the picture copied last, or plays the audio or video file copied last from its
    // start on the media page (message 1027).
    void PlayMedia();

    // How many preview copies were made since the panel was built.
    int copyCount() const { return m_copies; }

    // The preview file of the media shown last; empty when none.
    const QString& mediaFile() const { return m_mediaFile; }

    // Replaces the fallback that opens an audio or video file the media page could not play
    // (tests record the calls); it answers whether the file was opened, and on false the
    // panel shows MSG1207. An empty function restores the system's default player.
    static void setPlayer(std::function<bool(const QString&)> player);

    QTextEdit* textBox() const { return m_text; }

    QListView* messagesList() const { return m_messages; }

    BubbleDelegate* bubbleDelegate() const { return m_bubbleDelegate; }

    QWidget* contactCard() const { return m_card; }

    MediaPage* mediaPage() const { return m_media; }

protected:
    // Lays the bubbles out again at once when the list's width changes.
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Hiding the panel (closing the window, leaving the page, the preview switch) stops
    // playback and releases the preview file.
    void hideEvent(QHideEvent* event) override;

private:
    void showNote(const extract::NoteRecord& note);
    void showContact(const extract::ContactRecord& contact);
    // Shows every non-empty field with its grey label (language key "Field" + the label without
    // hyphens), the values in the deleted colour for a deleted record.
    void showFields(const std::vector<exporting::LabelledValue>& fields, bool deleted);
    // Shows the messages of `conversation`; a group's name and members head the list.
    void showConversation(const extract::ConversationSummary& conversation,
                          const std::vector<extract::MessageRecord>& messages);
    void showChat(const std::vector<extract::WhatsAppMessage>& messages);
    // Shows `rows` in the message list from its top.
    void showBubbles(std::vector<Bubble> rows);
    // Decodes small pictures of the first image attachments of `messages` (shown from list row
    // `firstRow` on) away from the window's thread and puts each under its bubble as it
    // arrives; the rest stay named in the lines below their bubbles, so that a conversation of
    // many pictures opens at once.
    void loadThumbnails(const std::vector<extract::MessageRecord>& messages, int firstRow);
    // Stops decoding the pictures of the conversation shown before and forgets them.
    void stopThumbnails();
    // Puts decoded picture number `index` under its bubble when it still belongs to the
    // conversation shown.
    void showThumbnail(int index);
    // The message list, its rows and their delegate.
    QListView* makeMessagesList();
    void applyHighlight();
    void showMedia(const std::string& path, const std::string& name, std::uint64_t size);
    void showImage();
    // Forgets the last previewed media and stops playing it.
    void leaveMedia();
    // Opens `file`, which the media page failed to play, in the fallback player.
    void playElsewhere(const QString& file);

    extract::IPhoneRecoveryParse* m_source = nullptr;
    QStackedWidget* m_stack = nullptr;
    QTextEdit* m_text = nullptr;
    QListView* m_messages = nullptr;
    BubbleModel* m_bubbles = nullptr;
    BubbleDelegate* m_bubbleDelegate = nullptr;

    // A picture decoded for the bubble in `row` during `round` (one per conversation shown).
    struct Thumbnail
    {
        int round = 0;
        int row = 0;
        QImage image;
    };

    QFutureWatcher<Thumbnail>* m_thumbnails = nullptr;
    int m_thumbnailRound = 0;
    QWidget* m_card = nullptr;
    // The labelled fields of a reminder or event.
    QWidget* m_fields = nullptr;
    MediaPage* m_media = nullptr;
    std::map<QString, QLabel*> m_cardValues;
    std::string m_lastMedia;
    QString m_mediaFile;
    QString m_mediaName;
    // What the photo library says about the shown camera-roll file, as labelled lines shown
    // below its picture or player; empty for any other file.
    QString m_mediaDetails;
    bool m_mediaDeleted = false;
    QString m_highlight;
    int m_copies = 0;
    int m_imageSerial = 0;
};

} // namespace app
