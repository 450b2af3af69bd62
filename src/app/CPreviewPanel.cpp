// The preview panel of the results page.
#include "app/CPreviewPanel.h"

#include "app/AppEvents.h"
#include "app/BubbleDelegate.h"
#include "app/BubbleModel.h"
#include "app/CMessageBox.h"
#include "app/CPreviewProcessWnd.h"
#include "app/Colours.h"
#include "app/CopyMenu.h"
#include "app/ImageLoading.h"
#include "app/MediaPage.h"
#include "app/PhotoTexts.h"
#include "app/Texts.h"
#include "app/WrappedLabel.h"
#include "export/MessageNotes.h"
#include "extract/ContactsBuilder.h"
#include "extract/ConversationNames.h"
#include "extract/NotesBuilder.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QGridLayout>
#include <QHideEvent>
#include <QImage>
#include <QLabel>
#include <QListView>
#include <QResizeEvent>
#include <QStackedWidget>
#include <QTextEdit>
#include <QUrl>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

namespace app {

namespace {

// Pictures shown under the bubbles of one conversation, and their longest side.
constexpr int kMostThumbnails = 12;
constexpr int kThumbnailSide = 120;
// Bubbles laid out at a time while a conversation opens.
constexpr int kBubbleBatch = 200;

enum Page : int
{
    kTextPage,
    kMessagesPage,
    kCardPage,
    kMediaPage,
    kFieldsPage
};

// The contact card's rows: value control name and caption key (section "PageScan").
constexpr std::pair<const char*, const char*> kCardRows[] = {
    {"TxtUserName", "CardName"},
    {"TxtPhone", "CardPhone"},
    {"TxtEmail", "CardEmail"},
    {"TxtAddress", "CardAddress"},
    {"TxtUrl", "CardUrl"},
    {"TxtSocial", "CardSocial"},
    {"TxtCompany", "CardCompany"},
    {"TxtJobTitle", "CardJobTitle"},
    {"TxtBirthday", "CardBirthday"},
    {"TxtNote", "CardNote"},
};

const QString kNoFileText = QStringLiteral("Can not found the file!");

std::function<bool(const QString&)>& fallbackPlayer()
{
    static std::function<bool(const QString&)> instance;
    return instance;
}

QString colourName(const QColor& colour)
{
    return colour.name(QColor::HexRgb);
}

// The numbers with their labels, one per line; a number's spaces do not break, so that a
// narrow card wraps after the label rather than inside the number.
std::string phoneLines(std::vector<extract::ContactValue> phones)
{
    for (extract::ContactValue& phone : phones) {
        std::string whole;
        for (const char c : phone.value) {
            whole += c == ' ' ? std::string("\u00A0") : std::string(1, c);
        }
        phone.value = std::move(whole);
    }
    return extract::labelledLines(phones);
}

// A wrapped label named `name`, in the grey of the captions.
WrappedLabel* greyLabel(const QString& text, QWidget* parent, const QString& name)
{
    auto* label = new WrappedLabel(text, parent);
    label->setObjectName(name);
    label->setStyleSheet(QStringLiteral("color: %1;").arg(colourName(kCaptionColour)));
    return label;
}

// The rows of `messages` under the "Messages" rule: `senderOf` names the sender of a received
// message, `textOf` gives a bubble's text and `notesOf` the lines under it (its reactions,
// attachments, edits), empty when there are none.
template <typename Message, typename SenderOf, typename TextOf, typename NotesOf>
std::vector<Bubble> messageBubbles(const std::vector<Message>& messages,
                                   SenderOf senderOf,
                                   TextOf textOf,
                                   NotesOf notesOf)
{
    std::vector<Bubble> rows;
    rows.reserve(messages.size() + 2);
    Bubble rule;
    rule.kind = Bubble::Kind::Rule;
    rule.head = QStringLiteral("---------- Messages ----------");
    rows.push_back(std::move(rule));
    for (const Message& message : messages) {
        Bubble row;
        const QString date = fromUtf8(message.date);
        row.sent = message.isFromMe != 0;
        row.head = row.sent ? QStringLiteral("%1 Me:").arg(date)
                            : QStringLiteral("%1 %2:").arg(date, fromUtf8(senderOf(message)));
        row.text = fromUtf8(textOf(message));
        row.notes = notesOf(message);
        row.deleted = message.deleted != 0;
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace

void CPreviewPanel::setPlayer(std::function<bool(const QString&)> newPlayer)
{
    fallbackPlayer() = std::move(newPlayer);
}

CPreviewPanel::CPreviewPanel(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("PreviewLayout"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_stack = new QStackedWidget(this);
    layout->addWidget(m_stack);
    m_text = new QTextEdit(m_stack);
    m_text->setObjectName(QStringLiteral("PreviewEdit"));
    m_text->setReadOnly(true);
    m_text->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_stack->addWidget(m_text);
    m_stack->addWidget(makeMessagesList());
    m_card = new QWidget(m_stack);
    m_card->setObjectName(QStringLiteral("ContactInfo"));
    auto* grid = new QGridLayout(m_card);
    int row = 0;
    for (const auto& [name, caption] : kCardRows) {
        auto* label = new QLabel(languageText("PageScan", caption), m_card);
        label->setObjectName(QLatin1String(caption));
        auto* value = new WrappedLabel(QString(), m_card);
        value->setObjectName(QLatin1String(name));
        grid->addWidget(label, row, 0, Qt::AlignTop);
        grid->addWidget(value, row, 1);
        m_cardValues[QLatin1String(name)] = value;
        ++row;
    }
    grid->setRowStretch(row, 1);
    grid->setColumnStretch(1, 1);
    m_stack->addWidget(m_card);
    m_media = new MediaPage(m_stack);
    m_stack->addWidget(m_media);
    m_fields = new QWidget(m_stack);
    m_fields->setObjectName(QStringLiteral("RecordFields"));
    m_stack->addWidget(m_fields);
    // Queued: the player is not stopped from inside its own error signal.
    connect(m_media, &MediaPage::failed, this, &CPreviewPanel::playElsewhere, Qt::QueuedConnection);
}

CPreviewPanel::~CPreviewPanel()
{
    stopThumbnails();
    m_thumbnails->waitForFinished();
}

QListView* CPreviewPanel::makeMessagesList()
{
    m_thumbnails = new QFutureWatcher<Thumbnail>(this);
    connect(m_thumbnails,
            &QFutureWatcher<Thumbnail>::resultReadyAt,
            this,
            &CPreviewPanel::showThumbnail);
    m_bubbles = new BubbleModel(this);
    m_messages = new QListView(m_stack);
    m_messages->setObjectName(QStringLiteral("MessagesList"));
    m_messages->setModel(m_bubbles);
    m_bubbleDelegate = new BubbleDelegate(*m_bubbles, *m_messages);
    m_messages->setItemDelegate(m_bubbleDelegate);
    m_messages->setSelectionMode(QAbstractItemView::NoSelection);
    m_messages->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    // Rows are laid out a batch at a time while the first screen already shows, and again
    // when the width changes (eventFilter): bubbles wrap to the list's width, which never
    // scrolls sideways.
    m_messages->setLayoutMode(QListView::Batched);
    m_messages->setBatchSize(kBubbleBatch);
    m_messages->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_messages->viewport()->installEventFilter(this);
    m_messages->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_messages, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        const QModelIndex row = m_messages->indexAt(at);
        if (!row.isValid()) {
            return;
        }
        showCopyMenu(m_messages->viewport()->mapToGlobal(at), row.data(Qt::DisplayRole).toString());
    });
    return m_messages;
}

bool CPreviewPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_messages->viewport() && event->type() == QEvent::Resize &&
        static_cast<QResizeEvent*>(event)->size().width() !=
            static_cast<QResizeEvent*>(event)->oldSize().width()) {
        m_messages->doItemsLayout();
    }
    return QWidget::eventFilter(watched, event);
}

void CPreviewPanel::hideEvent(QHideEvent* event)
{
    if (!event->spontaneous()) {
        m_media->stop();
    }
    QWidget::hideEvent(event);
}

void CPreviewPanel::leaveMedia()
{
    m_lastMedia.clear();
    m_media->stop();
}

void CPreviewPanel::clearPreview()
{
    m_text->clear();
    stopThumbnails();
    m_bubbles->setBubbles({});
    leaveMedia();
    m_mediaFile.clear();
    m_stack->setCurrentIndex(m_stack->currentIndex() == kMessagesPage ? kMessagesPage : kTextPage);
}

void CPreviewPanel::setConversationMode(bool on)
{
    m_stack->setCurrentIndex(on ? kMessagesPage : kTextPage);
}

void CPreviewPanel::showRecord(const exporting::SelectionEntry& entry,
                               const extract::ScanResults& results)
{
    m_mediaDetails.clear();
    m_mediaDeleted = false;
    if (const auto* note = std::get_if<const extract::NoteRecord*>(&entry.record)) {
        showNote(**note);
    } else if (const auto* contact = std::get_if<const extract::ContactRecord*>(&entry.record)) {
        showContact(**contact);
    } else if (const auto* summary =
                   std::get_if<const extract::ConversationSummary*>(&entry.record)) {
        const auto found = results.messages.find((*summary)->handleId);
        showConversation(**summary,
                         found != results.messages.end() ? found->second
                                                         : std::vector<extract::MessageRecord>{});
    } else if (const auto* chat = std::get_if<const extract::WhatsAppMessage*>(&entry.record)) {
        const auto found = results.whatsApp.find((*chat)->sessionId);
        showChat(found != results.whatsApp.end() ? found->second
                                                 : std::vector<extract::WhatsAppMessage>{});
    } else if (const auto* media = std::get_if<const extract::MediaItem*>(&entry.record)) {
        const extract::PhotoDetails* photo = (*media)->photo.get();
        m_mediaDetails = photo != nullptr ? photoDetailLines(*photo) : QString();
        m_mediaDeleted = photo != nullptr && photo->deleted != 0;
        showMedia((*media)->path, (*media)->name, (*media)->size);
    } else if (const auto* app = std::get_if<const extract::AppMediaItem*>(&entry.record)) {
        showMedia((*app)->path, (*app)->name, (*app)->size);
    } else if (const auto* file = std::get_if<const extract::AttachmentItem*>(&entry.record)) {
        showMedia((*file)->path, (*file)->name, (*file)->size);
    } else if (const auto* reminder = std::get_if<const extract::ReminderRecord*>(&entry.record)) {
        showFields(exporting::reminderFields(**reminder, fieldWords()), (*reminder)->deleted != 0);
    } else if (const auto* event =
                   std::get_if<const extract::CalendarEventRecord*>(&entry.record)) {
        showFields(exporting::calendarFields(**event, fieldWords()), (*event)->deleted != 0);
    } else if (const auto* bookmark =
                   std::get_if<const extract::SafariBookmarkRecord*>(&entry.record)) {
        showFields(exporting::safariBookmarkFields(**bookmark), (*bookmark)->deleted != 0);
    } else if (const auto* page = std::get_if<const extract::SafariHistoryRecord*>(&entry.record)) {
        showFields(exporting::safariHistoryFields(**page), (*page)->deleted != 0);
    } else {
        // Calls have no preview.
        leaveMedia();
        m_text->clear();
        m_stack->setCurrentIndex(kTextPage);
    }
}

void CPreviewPanel::setHighlight(const QString& text)
{
    m_highlight = text;
    applyHighlight();
}

void CPreviewPanel::applyHighlight()
{
    QList<QTextEdit::ExtraSelection> marks;
    QTextDocument* document = m_text->document();
    for (QTextCursor found = document->find(m_highlight); !m_highlight.isEmpty() && !found.isNull();
         found = document->find(m_highlight, found)) {
        QTextEdit::ExtraSelection mark;
        mark.cursor = found;
        mark.format.setBackground(kHighlightColour);
        marks.append(mark);
    }
    m_text->setExtraSelections(marks);
    m_bubbleDelegate->setHighlight(m_highlight);
    for (QWidget* page : {m_card, m_fields}) {
        for (auto* label : page->findChildren<WrappedLabel*>()) {
            label->setHighlight(m_highlight);
        }
    }
}

void CPreviewPanel::showNote(const extract::NoteRecord& note)
{
    leaveMedia();
    m_stack->setCurrentIndex(kTextPage);
    m_text->clear();
    QTextCursor cursor = m_text->textCursor();
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignHCenter);
    QTextCharFormat rule;
    rule.setForeground(kRuleColour);
    cursor.setBlockFormat(centred);
    cursor.insertText(QStringLiteral("  ---------------------------------------------------  "),
                      rule);
    QTextBlockFormat left;
    left.setAlignment(Qt::AlignLeft);
    QTextCharFormat body;
    body.setForeground(note.deleted != 0 ? kDeletedColour : kTextColour);
    cursor.insertBlock(left);
    cursor.insertText(QStringLiteral("Title:\n    ") + fromUtf8(extract::shownNoteTitle(note)) +
                          QStringLiteral("\nNote:\n    ") +
                          fromUtf8(extract::shownNoteContent(note)),
                      body);
    m_text->moveCursor(QTextCursor::Start);
    applyHighlight();
}

void CPreviewPanel::showContact(const extract::ContactRecord& contact)
{
    leaveMedia();
    m_stack->setCurrentIndex(kCardPage);
    // Every value with its label, one per line.
    const std::pair<const char*, std::string> values[] = {
        {"TxtUserName", contact.name},
        {"TxtPhone", phoneLines(contact.phoneList)},
        {"TxtEmail", extract::labelledLines(contact.emailList)},
        {"TxtAddress", extract::addressLines(contact.addresses)},
        {"TxtUrl", extract::labelledLines(contact.urlList)},
        {"TxtSocial", contact.social},
        {"TxtCompany", contact.company},
        {"TxtJobTitle", contact.jobTitle},
        {"TxtBirthday", contact.birthday},
        {"TxtNote", contact.note},
    };
    const QString style = QStringLiteral("color: %1;")
                              .arg(colourName(contact.deleted != 0 ? kDeletedColour : kTextColour));
    for (std::size_t i = 0; i < std::size(values); ++i) {
        QLabel* value = m_cardValues[QLatin1String(values[i].first)];
        auto* caption = m_card->findChild<QLabel*>(QLatin1String(kCardRows[i].second));
        value->setText(fromUtf8(values[i].second));
        value->setStyleSheet(style);
        caption->setStyleSheet(style);
        const bool shown = !values[i].second.empty();
        value->setVisible(shown);
        caption->setVisible(shown);
    }
    applyHighlight();
}

void CPreviewPanel::showFields(const std::vector<exporting::LabelledValue>& fields, bool deleted)
{
    leaveMedia();
    m_stack->setCurrentIndex(kFieldsPage);
    delete m_fields->layout();
    qDeleteAll(m_fields->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly));
    auto* grid = new QGridLayout(m_fields);
    const QString style =
        QStringLiteral("color: %1;").arg(colourName(deleted ? kDeletedColour : kTextColour));
    int row = 0;
    if (deleted) {
        auto* mark = new QLabel(languageText("PageScan", "FieldDeleted"), m_fields);
        mark->setObjectName(QStringLiteral("FieldDeletedMark"));
        mark->setStyleSheet(style);
        grid->addWidget(mark, row++, 0, 1, 2);
    }
    for (const exporting::LabelledValue& field : fields) {
        if (field.value.empty()) {
            continue;
        }
        std::string key = "Field";
        for (const char c : field.label) {
            key += c == '-' || c == ' ' ? std::string() : std::string(1, c);
        }
        auto* caption =
            greyLabel(languageText("PageScan", key.c_str()), m_fields, QString::fromLatin1(key));
        auto* value = new WrappedLabel(fromUtf8(field.value), m_fields);
        value->setStyleSheet(style);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        grid->addWidget(caption, row, 0, Qt::AlignTop);
        grid->addWidget(value, row, 1);
        ++row;
    }
    grid->setRowStretch(row, 1);
    grid->setColumnStretch(1, 1);
    applyHighlight();
}

void CPreviewPanel::showConversation(const extract::ConversationSummary& conversation,
                                     const std::vector<extract::MessageRecord>& messages)
{
    const exporting::MessageNoteWords words = messageNoteWords();
    std::vector<Bubble> rows = messageBubbles(
        messages,
        [](const extract::MessageRecord& message) {
            return message.contactName.empty() ? message.address : message.contactName;
        },
        [&words](const extract::MessageRecord& message) {
            return exporting::shownMessageText(message, words);
        },
        [&words](const extract::MessageRecord& message) {
            QStringList lines;
            for (const exporting::MessageNote& note : exporting::messageNotes(message, words)) {
                lines << fromUtf8(note.text);
            }
            return lines.join(QLatin1Char('\n'));
        });
    if (extract::inGroup(conversation)) {
        // Right under the rule, above the first message.
        Bubble heading;
        heading.kind = Bubble::Kind::Heading;
        heading.head = fromUtf8(extract::conversationName(conversation));
        heading.text = fromUtf8(extract::conversationAddresses(conversation));
        rows.insert(rows.begin() + 1, std::move(heading));
    }
    const auto firstMessageRow = static_cast<int>(rows.size() - messages.size());
    showBubbles(std::move(rows));
    loadThumbnails(messages, firstMessageRow);
}

void CPreviewPanel::loadThumbnails(const std::vector<extract::MessageRecord>& messages,
                                   int firstRow)
{
    stopThumbnails();
    // The backup's files of the image attachments, each with its row.
    std::vector<std::pair<int, QString>> pictures;
    for (std::size_t index = 0; index < messages.size() && m_source != nullptr; ++index) {
        if (messages[index].details == nullptr) {
            continue;
        }
        for (const extract::MessageAttachment& attachment : messages[index].details->attachments) {
            if (attachment.mimeType.starts_with("image/") && !attachment.path.empty()) {
                pictures.emplace_back(static_cast<int>(index) + firstRow,
                                      fromUtf8(attachment.path));
            }
        }
    }
    if (pictures.empty()) {
        return;
    }
    const int round = m_thumbnailRound;
    // Read in place (the backup is only read) and decoded by content, as a preview is.
    m_thumbnails->setFuture(
        QtConcurrent::run([pictures = std::move(pictures), round](QPromise<Thumbnail>& promise) {
            int shown = 0;
            for (const auto& [row, path] : pictures) {
                if (shown == kMostThumbnails || promise.isCanceled()) {
                    return;
                }
                QImage image;
                if (loadPreviewImage(path, image) == 0) {
                    promise.addResult(Thumbnail{round,
                                                row,
                                                image.scaled(kThumbnailSide,
                                                             kThumbnailSide,
                                                             Qt::KeepAspectRatio,
                                                             Qt::SmoothTransformation)});
                    ++shown;
                }
            }
        }));
}

void CPreviewPanel::stopThumbnails()
{
    m_thumbnails->cancel();
    ++m_thumbnailRound;
}

void CPreviewPanel::showThumbnail(int index)
{
    const Thumbnail thumbnail = m_thumbnails->resultAt(index);
    if (thumbnail.round == m_thumbnailRound) {
        m_bubbles->addPicture(thumbnail.row, QPixmap::fromImage(thumbnail.image));
    }
}

void CPreviewPanel::showChat(const std::vector<extract::WhatsAppMessage>& messages)
{
    showBubbles(messageBubbles(
        messages,
        [](const extract::WhatsAppMessage& message) {
            return message.senderName.empty() ? message.senderAddress : message.senderName;
        },
        [](const extract::WhatsAppMessage& message) { return message.text; },
        [](const extract::WhatsAppMessage&) { return QString(); }));
}

void CPreviewPanel::showBubbles(std::vector<Bubble> rows)
{
    leaveMedia();
    m_stack->setCurrentIndex(kMessagesPage);
    m_bubbles->setBubbles(std::move(rows));
    m_messages->scrollToTop();
    applyHighlight();
}

void CPreviewPanel::showMedia(const std::string& path, const std::string& name, std::uint64_t size)
{
    if (m_source == nullptr) {
        return;
    }
    if (path == m_lastMedia && !m_mediaFile.isEmpty()) {
        postAppMessage(window(), kMsgPlayMedia, 0);
        return;
    }
    // The copy overwrites the preview file: the player lets go of it first.
    m_media->stop();
    m_stack->setCurrentIndex(kTextPage);
    m_lastMedia = path;
    m_mediaName = fromUtf8(name);
    m_mediaFile.clear();
    m_text->clear();
    std::string previewPath;
    int status = 0;
    if (size > kDirectCopyLimit) {
        CPreviewProcessWnd loading(window(), *m_source, path, fromUtf8(name));
        if (loading.run() != kCloseOk) {
            m_lastMedia.clear();
            return;
        }
        status = loading.status();
        previewPath = loading.previewPath();
    } else {
        status = m_source->MakePreviewCopy(path, previewPath, nullptr, nullptr);
    }
    ++m_copies;
    if (status != 0 || previewPath.empty()) {
        m_lastMedia.clear();
        m_text->setPlainText(kNoFileText);
        return;
    }
    m_mediaFile = fromUtf8(previewPath);
    postAppMessage(window(), kMsgPlayMedia, 0);
}

void CPreviewPanel::PlayMedia()
{
    if (m_mediaFile.isEmpty()) {
        return;
    }
    const QString suffix = QFileInfo(m_mediaFile).suffix().toLower();
    if (suffix == QLatin1String("jpg")) {
        m_stack->setCurrentIndex(kTextPage);
        showImage();
        return;
    }
    if (suffix != QLatin1String("wav") && suffix != QLatin1String("avi")) {
        return;
    }
    m_stack->setCurrentIndex(kMediaPage);
    const QString caption =
        m_mediaDetails.isEmpty() ? m_mediaName : m_mediaName + QLatin1Char('\n') + m_mediaDetails;
    m_media->play(m_mediaFile, caption, suffix == QLatin1String("avi"));
}

void CPreviewPanel::playElsewhere(const QString& file)
{
    // A failure reported for a file the page has since stopped or replaced is stale.
    if (file.isEmpty() || file != m_media->file()) {
        return;
    }
    m_media->stop();
    const bool opened = fallbackPlayer() ? fallbackPlayer()(file)
                                         : QDesktopServices::openUrl(QUrl::fromLocalFile(file));
    if (!opened) {
        (void)showMessageBox(kBoxInformation, window(), messageText("MSG1207"));
    }
}

void CPreviewPanel::showImage()
{
    m_text->clear();
    QImage image;
    if (loadPreviewImage(m_mediaFile, image) != 0) {
        m_text->setPlainText(kNoFileText);
        return;
    }
    const int width = std::max(m_text->viewport()->width() - 16, 64);
    if (image.width() > width) {
        image = image.scaledToWidth(width, Qt::SmoothTransformation);
    }
    // A new name for every picture: the document caches resources by name.
    const QUrl name(QStringLiteral("preview://image/%1").arg(++m_imageSerial));
    m_text->document()->addResource(QTextDocument::ImageResource, name, image);
    QTextImageFormat format;
    format.setName(name.toString());
    format.setWidth(image.width());
    format.setHeight(image.height());
    QTextCursor cursor = m_text->textCursor();
    cursor.insertImage(format);
    if (!m_mediaDetails.isEmpty()) {
        QTextCharFormat details;
        details.setForeground(m_mediaDeleted ? kDeletedColour : kTextColour);
        cursor.insertBlock();
        cursor.insertText(m_mediaDetails, details);
    }
}

} // namespace app
