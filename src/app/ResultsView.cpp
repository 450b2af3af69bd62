// The results of a scan on the scan page.
#include "app/ResultsView.h"

#include "app/CPreviewPanel.h"
#include "app/Texts.h"
#include "export/ExportWriters.h"
#include "extract/NotesBuilder.h"
#include "ui_PageScan.h"

#include <algorithm>

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTreeWidget>

namespace app {

namespace {

using C = extract::RecoveryCategory;

constexpr int kKeyRole = Qt::UserRole;
// Columns fitted to their texts are never wider than this; the last one takes what is left.
constexpr int kWidestColumn = 240;
// The deleted records' colour.
const QColor kDeletedColour(243, 115, 2);

const void* keyOf(const QTreeWidgetItem* row)
{
    return reinterpret_cast<const void*>(row->data(0, kKeyRole).value<quintptr>());
}

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
    default:
        return {QStringLiteral("ColFileName"), QStringLiteral("ColFileSize")};
    }
}

// A small orange disc that marks deleted rows.
QIcon deletedMarker()
{
    static const QIcon icon = [] {
        QPixmap pixmap(12, 12);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(kDeletedColour);
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(1, 1, 10, 10);
        return QIcon(pixmap);
    }();
    return icon;
}

// Display order within a list: deleted records (conversations and chats with deleted messages)
// ahead of live ones, call history newest first within each; media and attachments keep the
// scan's order.
bool listedBefore(const exporting::SelectionEntry& a, const exporting::SelectionEntry& b)
{
    if (a.category == C::CallHistory && a.deleted == b.deleted) {
        const auto* ca = std::get<const extract::CallRecord*>(a.record);
        const auto* cb = std::get<const extract::CallRecord*>(b.record);
        return ca->date > cb->date;
    }
    switch (a.category) {
    case C::Messages:
    case C::Contacts:
    case C::CallHistory:
    case C::Notes:
    case C::WhatsApp:
        return a.deleted && !b.deleted;
    default:
        return false;
    }
}

} // namespace

QStringList recordColumns(const exporting::RecordRef& record)
{
    struct Visitor
    {
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
            return {utf8(message->contactName.empty() ? message->address : message->contactName),
                    utf8(message->address),
                    utf8(message->date),
                    firstLine(message->text)};
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

        QStringList operator()(const extract::WhatsAppMessage* chat) const
        {
            return {utf8(chat->sessionName),
                    utf8(chat->sessionMembers.empty() ? chat->senderName : chat->sessionMembers),
                    utf8(chat->sessionAddresses.empty() ? chat->senderAddress
                                                        : chat->sessionAddresses)};
        }
    };

    return std::visit(Visitor{}, record);
}

ResultsView::ResultsView(Ui::PageScan& ui,
                         const std::array<QTreeWidgetItem*, extract::kCategoryCount>& nodes,
                         CPreviewPanel* preview)
    : m_ui(ui)
    , m_nodes(nodes)
    , m_preview(preview)
{
    QTreeWidget* list = m_ui.DataList;
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->header()->setStretchLastSection(true);
    connect(list, &QTreeWidget::itemChanged, this, &ResultsView::onRowChanged);
    connect(list, &QTreeWidget::itemSelectionChanged, this, &ResultsView::onRowChosen);
    // A click on the row already chosen shows it again (media replay without a new copy).
    connect(list, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* row, int column) {
        if (column != 0 && row->isSelected()) {
            onRowChosen();
        }
    });
    connect(list, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* row) {
        if (row->data(0, kKeyRole).isValid() && m_appKey == nullptr && showsAppMedia()) {
            openApp(row);
        }
    });
    connect(m_ui.NodeTree, &QTreeWidget::itemChanged, this, &ResultsView::onNodeChanged);
    connect(m_ui.NodeTree, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* node) {
        const std::optional<C> category = categoryOfNode(node);
        if (m_results != nullptr && category && category != m_category) {
            showCategory(*category);
        }
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
    m_ui.DataList->clear();
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

bool ResultsView::deletedOnly() const
{
    return m_category && m_deletedOnly[static_cast<std::size_t>(*m_category)];
}

void ResultsView::setHeader(bool appLevel)
{
    QStringList labels{QString()};
    if (m_category) {
        for (const QString& key : columnKeys(*m_category, appLevel)) {
            labels << languageText("PageScan", key.toLatin1().constData());
        }
    }
    m_ui.DataList->setColumnCount(static_cast<int>(labels.size()));
    m_ui.DataList->setHeaderLabels(labels);
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
    setHeader(appLevel);
    m_ui.DataList->clear();
    if (group != nullptr) {
        fillRows(*group, appLevel);
    }
    const QSignalBlocker blocker(m_ui.OptOnOffFilter);
    m_ui.OptOnOffFilter->setChecked(deletedOnly());
    applyMark();
    refreshFilterCount();
    if (m_ui.DataList->topLevelItemCount() > 0) {
        for (int i = 0; i < m_ui.DataList->topLevelItemCount(); ++i) {
            if (!m_ui.DataList->topLevelItem(i)->isHidden()) {
                m_ui.DataList->setCurrentItem(m_ui.DataList->topLevelItem(i));
                break;
            }
        }
    }
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
    m_updating = true;
    const bool videos = m_category == C::AppVideos;
    for (const exporting::SelectionEntry* entry : entries) {
        auto* row = new QTreeWidgetItem(m_ui.DataList);
        row->setData(0, kKeyRole, QVariant::fromValue(reinterpret_cast<quintptr>(entry->key)));
        row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
        row->setCheckState(0, entry->ticked ? Qt::Checked : Qt::Unchecked);
        QStringList columns;
        if (entry->group) {
            // An app: its name from its first file, "Folder", and the kind of its files.
            QString app;
            if (!entry->children.empty()) {
                const auto& first = m_statistics.entries()[entry->children.front()];
                if (const auto* item = std::get_if<const extract::AppMediaItem*>(&first.record)) {
                    app = utf8((*item)->app);
                }
            }
            columns = {app,
                       QStringLiteral("Folder"),
                       videos ? QStringLiteral("Videos") : QStringLiteral("Photos")};
            row->setIcon(1, QIcon(QStringLiteral(":/icons/folder.svg")));
            const exporting::CounterBlock* block = m_statistics.blockOf(entry->key);
            if (block != nullptr && block->ticked > 0 && block->ticked < block->count) {
                row->setCheckState(0, Qt::PartiallyChecked);
            }
        } else {
            columns = recordColumns(entry->record);
        }
        for (int c = 0; c < columns.size(); ++c) {
            row->setText(c + 1, columns[c]);
            if (entry->deleted) {
                row->setForeground(c + 1, kDeletedColour);
            }
        }
        if (entry->deleted) {
            row->setIcon(0, deletedMarker());
        }
    }
    m_updating = false;
    fitColumns();
}

void ResultsView::fitColumns()
{
    QTreeWidget* list = m_ui.DataList;
    for (int column = 1; column + 1 < list->columnCount(); ++column) {
        list->resizeColumnToContents(column);
        list->setColumnWidth(column, std::min(list->columnWidth(column), kWidestColumn));
    }
}

void ResultsView::applyMark()
{
    const bool on = deletedOnly();
    m_updating = true;
    for (int i = 0; i < m_ui.DataList->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = m_ui.DataList->topLevelItem(i);
        const exporting::SelectionEntry* entry = m_statistics.find(keyOf(row));
        if (entry == nullptr || entry->group) {
            continue;
        }
        row->setHidden(on && !entry->deleted);
    }
    m_updating = false;
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

void ResultsView::openApp(QTreeWidgetItem* row)
{
    const exporting::SelectionEntry* app = m_statistics.find(keyOf(row));
    if (app == nullptr || !app->group) {
        return;
    }
    m_appKey = app->key;
    setHeader(false);
    m_ui.DataList->clear();
    fillRows(*app, false);
    applyMark();
    m_ui.BtnBackAppDir->show();
    if (m_ui.DataList->topLevelItemCount() > 0) {
        m_ui.DataList->setCurrentItem(m_ui.DataList->topLevelItem(0));
    }
}

void ResultsView::backToApps()
{
    if (showsAppMedia()) {
        showCategory(*m_category);
    }
}

QTreeWidgetItem* ResultsView::rowOf(const void* key) const
{
    for (int i = 0; i < m_ui.DataList->topLevelItemCount(); ++i) {
        if (keyOf(m_ui.DataList->topLevelItem(i)) == key) {
            return m_ui.DataList->topLevelItem(i);
        }
    }
    return nullptr;
}

void ResultsView::onRowChanged(QTreeWidgetItem* row, int column)
{
    if (m_updating || column != 0 || m_results == nullptr) {
        return;
    }
    const void* key = keyOf(row);
    const exporting::SelectionEntry* entry = m_statistics.find(key);
    if (entry == nullptr) {
        return;
    }
    const bool tick = row->checkState(0) != Qt::Unchecked;
    if (tick != entry->ticked || entry->group) {
        (void)(tick ? m_statistics.tick(key) : m_statistics.untick(key));
    }
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
        syncRowChecks();
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

void ResultsView::syncRowChecks()
{
    m_updating = true;
    for (int i = 0; i < m_ui.DataList->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = m_ui.DataList->topLevelItem(i);
        const exporting::SelectionEntry* entry = m_statistics.find(keyOf(row));
        if (entry != nullptr) {
            row->setCheckState(0, entry->ticked ? Qt::Checked : Qt::Unchecked);
        }
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
    refreshStatistics();
}

void ResultsView::onRowChosen()
{
    if (m_updating || m_preview == nullptr || m_results == nullptr) {
        return;
    }
    const QList<QTreeWidgetItem*> chosen = m_ui.DataList->selectedItems();
    const exporting::SelectionEntry* entry =
        chosen.isEmpty() ? nullptr : m_statistics.find(keyOf(chosen.front()));
    if (entry == nullptr || entry->group) {
        return;
    }
    m_preview->showRecord(*entry, *m_results);
}

} // namespace app
