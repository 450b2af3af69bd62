// The results of a scan on the scan page.
#include "app/ResultsView.h"

#include "app/CPreviewPanel.h"
#include "app/PhotoTexts.h"
#include "app/ResultsModel.h"
#include "app/Texts.h"
#include "export/ExportWriters.h"
#include "export/MessageNotes.h"
#include "export/RecordFields.h"
#include "extract/ConversationNames.h"
#include "extract/NotesBuilder.h"
#include "ui_PageScan.h"

#include <algorithm>
#include <numeric>

#include <QCheckBox>
#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTreeView>
#include <QTreeWidget>

namespace app {

namespace {

using C = extract::RecoveryCategory;

// Columns fitted to their texts are never wider than this; the last one takes what is left.
constexpr int kWidestColumn = 240;
// A column being cut shrinks in steps of this many pixels.
constexpr int kColumnStep = 8;
// Columns whose longest text is at most this wide (dates, numbers, sizes) are cut last.
constexpr int kShortColumn = 170;
// Room beside a heading's text for the header's margins and its sort or resize grip.
constexpr int kHeadingPadding = 24;
// The search waits this long after the last key before it filters.
constexpr int kSearchDelayMs = 150;
// Rows whose search texts are read in one slice between other events.
constexpr int kReadAheadRows = 200;

QString utf8(const std::string& text)
{
    return fromUtf8(text);
}

QString sizeText(std::uint64_t size)
{
    return utf8(exporting::formatSize(static_cast<std::int64_t>(size)));
}

QString firstLine(const std::string& text)
{
    const QString all = utf8(text);
    const qsizetype end = all.indexOf(QLatin1Char('\n'));
    return end < 0 ? all : all.left(end);
}

// The first lines of the fields at `positions`, one column each.
QStringList fieldColumns(const std::vector<exporting::LabelledValue>& fields,
                         std::initializer_list<std::size_t> positions)
{
    QStringList columns;
    for (const std::size_t position : positions) {
        columns.append(position < fields.size() ? firstLine(fields[position].value) : QString());
    }
    return columns;
}

// The column keys (language section "PageScan") of each category's list.
QStringList columnKeys(C category, bool appLevel)
{
    switch (category) {
    case C::AppPhotos:
    case C::AppVideos:
        return appLevel ? QStringList{QStringLiteral("ColAppName"),
                                      QStringLiteral("ColFolder"),
                                      QStringLiteral("ColType")}
                        : QStringList{QStringLiteral("ColAppName"),
                                      QStringLiteral("ColFileName"),
                                      QStringLiteral("ColSize")};
    case C::Messages:
        return {QStringLiteral("ColUserName"),
                QStringLiteral("ColPhone"),
                QStringLiteral("ColDate"),
                QStringLiteral("ColMessage")};
    case C::Contacts:
        return {QStringLiteral("ColName"),
                QStringLiteral("ColCompany"),
                QStringLiteral("ColPhoneShort"),
                QStringLiteral("ColEmail"),
                QStringLiteral("ColHomePage")};
    case C::CallHistory:
        return {QStringLiteral("ColUserName"),
                QStringLiteral("ColPhone"),
                QStringLiteral("ColDate"),
                QStringLiteral("ColCallStatus"),
                QStringLiteral("ColDuration"),
                QStringLiteral("ColStatus")};
    case C::Notes:
        return {QStringLiteral("ColTitle"), QStringLiteral("ColDate"), QStringLiteral("ColNote")};
    case C::WhatsApp:
        return {QStringLiteral("ColChats"), QStringLiteral("ColName"), QStringLiteral("ColPhone")};
    case C::Reminder:
        return {QStringLiteral("ColTitle"),
                QStringLiteral("ColList"),
                QStringLiteral("ColDue"),
                QStringLiteral("ColCompleted")};
    case C::Calendar:
        return {
            QStringLiteral("ColTitle"), QStringLiteral("ColStart"), QStringLiteral("ColCalendar")};
    case C::SafariBookmark:
        return {QStringLiteral("ColTitle"), QStringLiteral("ColUrl"), QStringLiteral("ColFolder")};
    case C::SafariHistory:
        return {QStringLiteral("ColTitle"),
                QStringLiteral("ColUrl"),
                QStringLiteral("ColDate"),
                QStringLiteral("ColVisitCount")};
    case C::CameraRoll:
        return {QStringLiteral("ColFileName"),
                QStringLiteral("ColOriginalName"),
                QStringLiteral("ColCreated"),
                QStringLiteral("ColFileSize")};
    default:
        return {QStringLiteral("ColFileName"), QStringLiteral("ColFileSize")};
    }
}

// Display order within a list: deleted records (conversations and chats with deleted messages,
// camera-roll files in "Recently Deleted") ahead of live ones, call history newest first within
// each; other media and attachments keep the scan's order.
bool listedBefore(const exporting::SelectionEntry& a, const exporting::SelectionEntry& b)
{
    if (a.category == C::CallHistory && a.deleted == b.deleted) {
        const auto* ca = std::get<const extract::CallRecord*>(a.record);
        const auto* cb = std::get<const extract::CallRecord*>(b.record);
        return ca->date > cb->date;
    }
    switch (a.category) {
    case C::CameraRoll:
    case C::Messages:
    case C::Contacts:
    case C::CallHistory:
    case C::Notes:
    case C::WhatsApp:
    case C::Reminder:
    case C::Calendar:
    case C::SafariBookmark:
    case C::SafariHistory:
        return a.deleted && !b.deleted;
    default:
        return false;
    }
}

// A camera-roll file's columns: its name, its original name (line breaks as blanks) and
// creation date as the photo library gives them (empty when it knows nothing) and its size;
// the preview shows the rest.
QStringList cameraRollColumns(const extract::MediaItem& item)
{
    const extract::PhotoDetails none;
    const extract::PhotoDetails& d = item.photo != nullptr ? *item.photo : none;
    QString original = utf8(d.originalName);
    static const QRegularExpression lineBreaks(QStringLiteral("[\\r\\n]+"));
    if (original.contains(QLatin1Char('\n')) || original.contains(QLatin1Char('\r'))) {
        original.replace(lineBreaks, QStringLiteral(" "));
    }
    return {utf8(item.name), original, utf8(d.created), sizeText(item.size)};
}

} // namespace

QStringList recordColumns(const exporting::RecordRef& record,
                          const exporting::MessageNoteWords& words,
                          const exporting::FieldWords& fieldWords)
{
    struct Visitor
    {
        const exporting::MessageNoteWords& words;
        const exporting::FieldWords& fieldWords;

        QStringList operator()(std::monostate) const { return {}; }

        QStringList operator()(const extract::MediaItem* item) const
        {
            return {utf8(item->name), sizeText(item->size)};
        }

        QStringList operator()(const extract::AppMediaItem* item) const
        {
            return {utf8(item->app), utf8(item->name), sizeText(item->size)};
        }

        QStringList operator()(const extract::ConversationSummary* message) const
        {
            return {utf8(extract::conversationName(*message)),
                    utf8(extract::conversationAddresses(*message)),
                    utf8(message->date),
                    firstLine(exporting::shownMessageText(*message, words))};
        }

        QStringList operator()(const extract::AttachmentItem* item) const
        {
            return {utf8(item->name), sizeText(item->size)};
        }

        QStringList operator()(const extract::ContactRecord* contact) const
        {
            return {utf8(contact->name),
                    utf8(contact->company),
                    firstLine(contact->phones),
                    utf8(contact->email),
                    utf8(contact->url)};
        }

        QStringList operator()(const extract::CallRecord* call) const
        {
            return {utf8(call->name),
                    utf8(call->number),
                    utf8(call->date),
                    call->incoming != 0 ? QStringLiteral("Incoming") : QStringLiteral("Outgoing"),
                    utf8(exporting::callStatus(*call)),
                    call->deleted != 0 ? QStringLiteral("Deleted") : QStringLiteral("Normal")};
        }

        QStringList operator()(const extract::NoteRecord* note) const
        {
            return {utf8(extract::shownNoteTitle(*note)),
                    utf8(note->date),
                    firstLine(extract::shownNoteContent(*note))};
        }

        QStringList operator()(const extract::ReminderRecord* reminder) const
        {
            return fieldColumns(exporting::reminderFields(*reminder, fieldWords), {0, 1, 2, 3});
        }

        QStringList operator()(const extract::CalendarEventRecord* event) const
        {
            return fieldColumns(exporting::calendarFields(*event, fieldWords), {0, 1, 5});
        }

        QStringList operator()(const extract::WhatsAppMessage* chat) const
        {
            return {utf8(chat->sessionName),
                    utf8(chat->sessionMembers.empty() ? chat->senderName : chat->sessionMembers),
                    utf8(chat->sessionAddresses.empty() ? chat->senderAddress
                                                        : chat->sessionAddresses)};
        }

        QStringList operator()(const extract::SafariBookmarkRecord* bookmark) const
        {
            return fieldColumns(exporting::safariBookmarkFields(*bookmark), {0, 1, 2});
        }

        QStringList operator()(const extract::SafariHistoryRecord* page) const
        {
            return fieldColumns(exporting::safariHistoryFields(*page), {1, 0, 3, 2});
        }
    };

    return std::visit(Visitor{words, fieldWords}, record);
}

ResultsView::ResultsView(Ui::PageScan& ui,
                         const std::array<QTreeWidgetItem*, extract::kCategoryCount>& nodes,
                         CPreviewPanel* preview)
    : m_ui(ui)
    , m_nodes(nodes)
    , m_preview(preview)
    , m_rows(new ResultsModel(m_statistics, this))
{
    QTreeView* list = m_ui.DataList;
    list->setModel(m_rows);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->header()->setStretchLastSection(true);
    // Columns are fitted to the list's width; the last one takes the rest.
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->viewport()->installEventFilter(this);
    connect(m_rows, &ResultsModel::tickRequested, this, &ResultsView::onTickRequested);
    connect(list->selectionModel(),
            &QItemSelectionModel::selectionChanged,
            this,
            &ResultsView::onRowChosen);
    // A click on the row already chosen shows it again (media replay without a new copy).
    connect(list, &QTreeView::clicked, this, [this](const QModelIndex& index) {
        if (index.column() != 0 && m_ui.DataList->selectionModel()->isRowSelected(index.row())) {
            onRowChosen();
        }
    });
    // Enter (or a double click) opens an app's files, or shows the record in the preview,
    // switching the preview on when it was off.
    connect(list, &QTreeView::activated, this, [this](const QModelIndex& index) {
        if (m_appKey == nullptr && showsAppMedia()) {
            openApp(index.row());
            return;
        }
        m_ui.OptOnOffPreview->setChecked(true);
        onRowChosen();
    });
    connect(m_ui.NodeTree, &QTreeWidget::itemChanged, this, &ResultsView::onNodeChanged);
    connect(m_ui.NodeTree, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* node) {
        const std::optional<C> category = categoryOfNode(node);
        if (m_results != nullptr && category && category != m_category) {
            showCategory(*category);
        }
    });
    // The rows' search texts are read ahead in slices while the user looks at the list, so
    // that the first search rarely has to read them all at once.
    m_readAhead.setSingleShot(true);
    m_readAhead.setInterval(0);
    connect(&m_readAhead, &QTimer::timeout, this, [this] {
        readSearchTexts(static_cast<int>(m_haystacks.size()) + kReadAheadRows);
    });
    connect(m_ui.OptOnOffFilter, &QCheckBox::toggled, this, &ResultsView::setFilter);
    connect(m_ui.BtnBackAppDir, &QPushButton::clicked, this, &ResultsView::backToApps);
}

std::optional<C> ResultsView::categoryOfNode(const QTreeWidgetItem* node) const
{
    for (const extract::CategoryInfo& info : extract::categoryTable()) {
        if (node != nullptr && nodeOf(info.category) == node) {
            return info.category;
        }
    }
    return std::nullopt;
}

QTreeWidgetItem* ResultsView::nodeOf(C category) const
{
    return m_nodes[static_cast<std::size_t>(category)];
}

const void* ResultsView::shownCategoryKey() const
{
    return m_category ? m_statistics.categoryKey(*m_category) : nullptr;
}

bool ResultsView::showsAppMedia() const
{
    return m_category == C::AppPhotos || m_category == C::AppVideos;
}

void ResultsView::show(const extract::ScanResults& results, extract::CategorySet chosen)
{
    clear();
    m_results = &results;
    m_statistics.fill(results, chosen);
    m_updating = true;
    for (const extract::CategoryInfo& info : extract::categoryTable()) {
        QTreeWidgetItem* node = nodeOf(info.category);
        if (node != nullptr && m_statistics.categoryKey(info.category) != nullptr) {
            node->setFlags(node->flags() | Qt::ItemIsUserCheckable);
            node->setCheckState(0, Qt::Checked);
        }
    }
    m_updating = false;
    syncNodeChecks();
    for (const extract::CategoryInfo& info : extract::categoryTable()) {
        const void* key = m_statistics.categoryKey(info.category);
        const exporting::CounterBlock* found = key != nullptr ? m_statistics.blockOf(key) : nullptr;
        if (nodeOf(info.category) != nullptr && found != nullptr && found->count > 0) {
            m_ui.NodeTree->setCurrentItem(nodeOf(info.category));
            showCategory(info.category);
            break;
        }
    }
    refreshStatistics();
}

void ResultsView::clear()
{
    m_updating = true;
    m_results = nullptr;
    m_appKey = nullptr;
    m_category = std::nullopt;
    m_deletedOnly = {};
    m_statistics.clear();
    clearRows();
    m_needle.clear();
    if (m_searchField != nullptr) {
        const QSignalBlocker quiet(m_searchField);
        m_searchField->clear();
    }
    for (QTreeWidgetItem* node : m_nodes) {
        if (node != nullptr) {
            node->setData(0, Qt::CheckStateRole, QVariant());
            node->setFlags(node->flags() & ~Qt::ItemIsUserCheckable);
        }
    }
    m_ui.OptOnOffFilter->setChecked(false);
    m_ui.FilterToolBar->hide();
    m_ui.BtnBackAppDir->hide();
    if (m_preview != nullptr) {
        m_preview->clearPreview();
    }
    m_updating = false;
    refreshStatistics();
}

void ResultsView::updatePreviewShown()
{
    if (m_preview != nullptr) {
        m_preview->setVisible(m_ui.OptOnOffPreview->isChecked() && m_category != C::CallHistory);
    }
}

bool ResultsView::deletedOnly() const
{
    return m_category && m_deletedOnly[static_cast<std::size_t>(*m_category)];
}

void ResultsView::setHeader(bool appLevel)
{
    QStringList labels{QString()};
    m_dateColumns.clear();
    if (m_category) {
        for (const QString& key : columnKeys(*m_category, appLevel)) {
            if (key == QLatin1String("ColDate") || key == QLatin1String("ColDue") ||
                key == QLatin1String("ColStart") || key == QLatin1String("ColCreated")) {
                m_dateColumns.insert(static_cast<int>(labels.size()));
            }
            labels << languageText("PageScan", key.toLatin1().constData());
        }
    }
    m_rows->setHeadings(labels.mid(1));
    m_ui.DataList->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
}

void ResultsView::showCategory(C category)
{
    if (m_results == nullptr) {
        return;
    }
    m_category = category;
    m_appKey = nullptr;
    m_ui.BtnBackAppDir->hide();
    const void* key = m_statistics.categoryKey(category);
    const exporting::SelectionEntry* group = key != nullptr ? m_statistics.find(key) : nullptr;
    const bool appLevel = showsAppMedia();
    if (m_preview != nullptr) {
        m_preview->clearPreview();
        m_preview->setConversationMode(category == C::Messages || category == C::WhatsApp);
    }
    updatePreviewShown();
    setHeader(appLevel);
    clearRows();
    if (group != nullptr) {
        fillRows(*group, appLevel);
    }
    const QSignalBlocker blocker(m_ui.OptOnOffFilter);
    m_ui.OptOnOffFilter->setChecked(deletedOnly());
    applyMark();
    refreshFilterCount();
    chooseRow(0);
}

void ResultsView::chooseRow(int row)
{
    if (row >= 0 && row < m_rows->rowCount()) {
        m_ui.DataList->setCurrentIndex(m_rows->index(row, 0));
    }
}

void ResultsView::clearRows()
{
    m_rows->clear();
    m_haystacks.clear();
    m_matches.clear();
    m_readAhead.stop();
}

void ResultsView::fillRows(const exporting::SelectionEntry& group, bool appLevel)
{
    std::vector<const exporting::SelectionEntry*> entries;
    for (std::size_t index : group.children) {
        entries.push_back(&m_statistics.entries()[index]);
    }
    if (!appLevel) {
        std::stable_sort(entries.begin(), entries.end(), [](const auto* a, const auto* b) {
            return listedBefore(*a, *b);
        });
    }
    const bool videos = m_category == C::AppVideos;
    const exporting::MessageNoteWords words = messageNoteWords();
    const exporting::FieldWords values = fieldWords();
    m_rows->setRows(std::move(entries),
                    [this, videos, words, values](const exporting::SelectionEntry& entry) {
                        return columnsOf(entry, videos, words, values);
                    });
    m_haystacks.clear();
    m_matches.assign(m_rows->entries().size(), 1);
    m_readAhead.start();
    if (!m_needle.isEmpty()) {
        const QString needle = m_needle;
        m_needle.clear();
        matchRows(needle);
    }
    measureColumns();
}

QStringList ResultsView::columnsOf(const exporting::SelectionEntry& entry,
                                   bool videos,
                                   const exporting::MessageNoteWords& words,
                                   const exporting::FieldWords& values) const
{
    if (entry.group) {
        // An app: its name from its first file, "Folder", and the kind of its files.
        QString app;
        if (!entry.children.empty()) {
            const auto& first = m_statistics.entries()[entry.children.front()];
            if (const auto* item = std::get_if<const extract::AppMediaItem*>(&first.record)) {
                app = utf8((*item)->app);
            }
        }
        return {app,
                QStringLiteral("Folder"),
                videos ? QStringLiteral("Videos") : QStringLiteral("Photos")};
    }
    if (const auto* item = std::get_if<const extract::MediaItem*>(&entry.record);
        item != nullptr && entry.category == C::CameraRoll) {
        return cameraRollColumns(**item);
    }
    return recordColumns(entry.record, words, values);
}

void ResultsView::measureColumns()
{
    QTreeView* list = m_ui.DataList;
    m_naturalWidths.assign(static_cast<std::size_t>(m_rows->columnCount()), 0);
    for (int column = 1; column < m_rows->columnCount(); ++column) {
        list->resizeColumnToContents(column);
        m_naturalWidths[static_cast<std::size_t>(column)] = list->columnWidth(column);
    }
    fitColumns();
}

void ResultsView::fitColumns()
{
    QTreeView* list = m_ui.DataList;
    const int count = m_rows->columnCount();
    if (count < 2 || static_cast<int>(m_naturalWidths.size()) != count) {
        return;
    }
    // Every column keeps at least its heading. When the texts do not all fit, the columns give
    // up width in turns: the last one first (it takes what is left and elides), then the long
    // texts, then the short ones (numbers, sizes), and the dates last, since a cut date is
    // useless; within a turn the widest columns are cut first, down to a common width.
    const int room = list->viewport()->width() - list->columnWidth(0);
    std::vector<int> headings(static_cast<std::size_t>(count), 0);
    std::vector<int> wants(static_cast<std::size_t>(count), 0);
    std::vector<int> turns(static_cast<std::size_t>(count), 0);
    for (int column = 1; column < count; ++column) {
        const auto index = static_cast<std::size_t>(column);
        headings[index] =
            list->header()->fontMetrics().horizontalAdvance(
                m_rows->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString()) +
            kHeadingPadding;
        wants[index] = std::min(m_naturalWidths[index], kWidestColumn);
        turns[index] = column + 1 == count                     ? 0
                       : m_dateColumns.contains(column)        ? 3
                       : m_naturalWidths[index] > kShortColumn ? 1
                                                               : 2;
    }
    std::vector<int> widths(static_cast<std::size_t>(count), 0);
    const auto total = [&widths] { return std::accumulate(widths.begin(), widths.end(), 0); };
    const auto cut = [&](int turn, int cap) {
        for (std::size_t index = 1; index < widths.size(); ++index) {
            if (turns[index] == turn) {
                widths[index] = std::max(headings[index], std::min(wants[index], cap));
            }
        }
    };
    for (int turn = 0; turn <= 3; ++turn) {
        cut(turn, kWidestColumn);
    }
    for (int turn = 0; turn <= 3 && total() > room; ++turn) {
        for (int cap = kWidestColumn - kColumnStep; cap >= 0 && total() > room;
             cap -= kColumnStep) {
            cut(turn, cap);
        }
    }
    int used = 0;
    for (int column = 1; column + 1 < count; ++column) {
        list->setColumnWidth(column, widths[static_cast<std::size_t>(column)]);
        used += widths[static_cast<std::size_t>(column)];
    }
    list->setColumnWidth(count - 1, std::max(widths.back(), room - used));
}

bool ResultsView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_ui.DataList->viewport() && event->type() == QEvent::Resize) {
        fitColumns();
    }
    return QObject::eventFilter(watched, event);
}

void ResultsView::applyMark()
{
    const bool on = deletedOnly();
    m_searchShown = 0;
    m_searchTotal = 0;
    const std::vector<const exporting::SelectionEntry*>& entries = m_rows->entries();
    std::vector<char> shown(entries.size(), 1);
    for (std::size_t index = 0; index < entries.size(); ++index) {
        const bool marked = !entries[index]->group && on && !entries[index]->deleted;
        const bool matches = index >= m_matches.size() || m_matches[index] != 0;
        shown[index] = marked || !matches ? 0 : 1;
        m_searchTotal += marked ? 0 : 1;
        m_searchShown += shown[index];
    }
    const QModelIndex current = m_ui.DataList->currentIndex();
    const exporting::SelectionEntry* chosen =
        current.isValid() ? m_rows->entryAt(current.row()) : nullptr;
    m_updating = true;
    m_rows->setShown(shown);
    // The row chosen before stays chosen while it is shown.
    if (chosen != nullptr) {
        chooseRow(m_rows->rowOf(chosen->key));
    }
    m_updating = false;
    refreshSearchCount();
}

void ResultsView::attachSearch(QLineEdit* field, QLabel* count)
{
    m_searchField = field;
    m_searchCount = count;
    m_searchTimer.setSingleShot(true);
    m_searchTimer.setInterval(kSearchDelayMs);
    connect(&m_searchTimer, &QTimer::timeout, this, [this] { setSearch(m_searchField->text()); });
    connect(field, &QLineEdit::textChanged, this, [this](const QString& text) {
        // Clearing the field shows everything at once; typing waits for a pause.
        if (text.isEmpty()) {
            m_searchTimer.stop();
            setSearch(text);
        } else {
            m_searchTimer.start();
        }
    });
    refreshSearchCount();
}

void ResultsView::setSearch(const QString& text)
{
    matchRows(text.toCaseFolded());
    applyMark();
    if (m_preview != nullptr) {
        m_preview->setHighlight(text);
    }
    // The preview follows the search to its first match when the row shown was filtered out.
    if (!m_ui.DataList->currentIndex().isValid()) {
        chooseRow(0);
    }
}

QString ResultsView::searchableText(std::size_t index) const
{
    const exporting::SelectionEntry& entry = *m_rows->entries()[index];
    QString text;
    for (const QString& column : m_rows->columnTexts(index)) {
        text += column + QLatin1Char('\n');
    }
    if (const auto* summary = std::get_if<const extract::ConversationSummary*>(&entry.record)) {
        const auto found = m_results->messages.find((*summary)->handleId);
        if (found != m_results->messages.end()) {
            for (const extract::MessageRecord& message : found->second) {
                text += utf8(message.text) + QLatin1Char('\n');
            }
        }
    } else if (const auto* chat = std::get_if<const extract::WhatsAppMessage*>(&entry.record)) {
        const auto found = m_results->whatsApp.find((*chat)->sessionId);
        if (found != m_results->whatsApp.end()) {
            for (const extract::WhatsAppMessage& message : found->second) {
                text += utf8(message.text) + QLatin1Char('\n');
            }
        }
    } else if (const auto* note = std::get_if<const extract::NoteRecord*>(&entry.record)) {
        text += utf8((*note)->content);
    } else if (const auto* reminder = std::get_if<const extract::ReminderRecord*>(&entry.record)) {
        text += utf8((*reminder)->notes);
    } else if (const auto* event =
                   std::get_if<const extract::CalendarEventRecord*>(&entry.record)) {
        text += utf8((*event)->notes) + QLatin1Char('\n') + utf8((*event)->url);
    }
    return text.toCaseFolded();
}

bool ResultsView::searchTextsRead() const
{
    return static_cast<std::size_t>(m_haystacks.size()) == m_rows->entries().size();
}

void ResultsView::readSearchTexts(int upTo)
{
    const auto count = static_cast<int>(m_rows->entries().size());
    const int end = std::min(upTo, count);
    for (int i = static_cast<int>(m_haystacks.size()); i < end; ++i) {
        m_haystacks.append(searchableText(static_cast<std::size_t>(i)));
    }
    if (m_haystacks.size() < count) {
        m_readAhead.start();
    }
}

void ResultsView::matchRows(const QString& needle)
{
    const auto count = static_cast<int>(m_rows->entries().size());
    m_matches.resize(static_cast<std::size_t>(count), 1);
    if (!needle.isEmpty()) {
        readSearchTexts(count);
    }
    // A longer needle that contains the last one can only match rows the last one matched.
    const bool narrowing = !m_needle.isEmpty() && needle.contains(m_needle);
    for (int i = 0; i < count; ++i) {
        char& match = m_matches[static_cast<std::size_t>(i)];
        if (!narrowing || match != 0) {
            match = needle.isEmpty() || m_haystacks[i].contains(needle) ? 1 : 0;
        }
    }
    m_needle = needle;
}

void ResultsView::refreshSearchCount()
{
    if (m_searchCount == nullptr) {
        return;
    }
    const bool searching = !m_needle.isEmpty();
    m_searchCount->setVisible(searching);
    if (searching) {
        m_searchCount->setText(
            formatText(languageText("PageScan", "TxtSearchCount"),
                       {QString::number(m_searchShown), QString::number(m_searchTotal)}));
    }
}

void ResultsView::setFilter(bool on)
{
    if (m_results == nullptr || !m_category) {
        return;
    }
    m_deletedOnly[static_cast<std::size_t>(*m_category)] = on;
    // The filter covers every record of the category, also those of the apps not shown.
    const void* key = shownCategoryKey();
    std::vector<const void*> records;
    if (const exporting::SelectionEntry* group =
            key != nullptr ? m_statistics.find(key) : nullptr) {
        for (std::size_t index : group->children) {
            const auto& child = m_statistics.entries()[index];
            if (!child.group) {
                records.push_back(child.key);
                continue;
            }
            for (std::size_t inner : child.children) {
                records.push_back(m_statistics.entries()[inner].key);
            }
        }
    }
    for (const void* record : records) {
        const exporting::SelectionEntry* entry = m_statistics.find(record);
        if (entry != nullptr && !entry->deleted && entry->filtered != on) {
            (void)m_statistics.setFiltered(record, on);
        }
    }
    applyMark();
    refreshFilterCount();
    refreshStatistics();
}

void ResultsView::refreshFilterCount()
{
    const bool on = deletedOnly();
    m_ui.FilterToolBar->setVisible(on);
    m_ui.LblFilterCount->setVisible(on);
    if (!on) {
        return;
    }
    const void* key = shownCategoryKey();
    const exporting::CounterBlock* block = key != nullptr ? m_statistics.blockOf(key) : nullptr;
    const qint64 filtered = block != nullptr ? block->filtered : 0;
    m_ui.LblFilterCount->setText(
        formatText(languageText("PageScan", "TxtFilterCount"), {QString::number(filtered)}));
}

void ResultsView::openApp(int row)
{
    const exporting::SelectionEntry* app = m_rows->entryAt(row);
    if (app == nullptr || !app->group) {
        return;
    }
    m_appKey = app->key;
    setHeader(false);
    clearRows();
    fillRows(*app, false);
    applyMark();
    m_ui.BtnBackAppDir->show();
    chooseRow(0);
}

void ResultsView::backToApps()
{
    if (showsAppMedia()) {
        showCategory(*m_category);
    }
}

QModelIndex ResultsView::rowOf(const void* key) const
{
    const int row = m_rows->rowOf(key);
    return row >= 0 ? m_rows->index(row, 0) : QModelIndex();
}

void ResultsView::onTickRequested(const void* key, bool tick)
{
    if (m_updating || m_results == nullptr) {
        return;
    }
    const exporting::SelectionEntry* entry = m_statistics.find(key);
    if (entry == nullptr) {
        return;
    }
    if (tick != entry->ticked || entry->group) {
        (void)(tick ? m_statistics.tick(key) : m_statistics.untick(key));
    }
    m_rows->refreshChecks();
    syncNodeChecks();
    refreshStatistics();
}

void ResultsView::onNodeChanged(QTreeWidgetItem* node, int column)
{
    if (m_updating || column != 0 || m_results == nullptr) {
        return;
    }
    const std::optional<C> category = categoryOfNode(node);
    const void* key = category ? m_statistics.categoryKey(*category) : nullptr;
    if (key == nullptr) {
        return;
    }
    (void)(node->checkState(0) == Qt::Unchecked ? m_statistics.untick(key)
                                                : m_statistics.tick(key));
    syncNodeChecks();
    if (category == m_category) {
        m_rows->refreshChecks();
    }
    refreshStatistics();
}

void ResultsView::syncNodeChecks()
{
    m_updating = true;
    for (const extract::CategoryInfo& info : extract::categoryTable()) {
        const void* key = m_statistics.categoryKey(info.category);
        const exporting::CounterBlock* block = key != nullptr ? m_statistics.blockOf(key) : nullptr;
        QTreeWidgetItem* node = nodeOf(info.category);
        if (node == nullptr || block == nullptr) {
            continue;
        }
        // A category without records has nothing ticked.
        const Qt::CheckState state = block->count > 0 && block->ticked == block->count ? Qt::Checked
                                     : block->ticked > 0 ? Qt::PartiallyChecked
                                                         : Qt::Unchecked;
        node->setCheckState(0, state);
    }
    m_updating = false;
}

void ResultsView::refreshStatistics()
{
    const exporting::CounterBlock& whole = m_statistics.wholeScan();
    const bool any = m_results != nullptr;
    const QString ticked = any ? sizeText(m_statistics.tickedSize()) : QStringLiteral("0 MB");
    const QString total = any ? sizeText(m_statistics.totalSize()) : QStringLiteral("0 MB");
    m_ui.LblStatistics->setText(formatText(messageText("MSG0513"),
                                           {ticked,
                                            QString::number(m_statistics.selectedCount()),
                                            total,
                                            QString::number(whole.count)}));
    m_ui.BtnRecovery->setEnabled(any && whole.ticked > whole.tickedFiltered);
}

void ResultsView::ApplyLanguage()
{
    if (m_category) {
        setHeader(showsAppMedia() && m_appKey == nullptr);
    }
    refreshFilterCount();
    refreshSearchCount();
    refreshStatistics();
}

void ResultsView::onRowChosen()
{
    if (m_updating || m_preview == nullptr || m_results == nullptr) {
        return;
    }
    const QModelIndexList chosen = m_ui.DataList->selectionModel()->selectedRows();
    const exporting::SelectionEntry* entry =
        chosen.isEmpty() ? nullptr : m_rows->entryAt(chosen.front().row());
    if (entry == nullptr || entry->group) {
        return;
    }
    m_preview->showRecord(*entry, *m_results);
}

} // namespace app
