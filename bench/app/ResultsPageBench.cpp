// Drives the results page (offscreen) over a large scan and reports how long each step a user
// takes lasts until the page has painted it: showing the results (the category tree), opening
// Messages and the Camera Roll, ticking and unticking a whole category with the statistics,
// showing only deleted photos and every photo again,
// choosing the largest conversation until its first screen of bubbles is painted, and
// scrolling that conversation a screen at a time down to its end.
//
//   bench_results_page [MESSAGES] [LARGEST] [PHOTOS]   (defaults: 1000000, 50000 and 50000)
// MESSAGES are spread over conversations of 100 messages and, listed last, one of LARGEST.
#include "app/Application.h"
#include "app/CPreviewPanel.h"
#include "app/CScanVrtWnd.h"
#include "app/ResultsView.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QListView>
#include <QScrollBar>
#include <QTreeView>
#include <QTreeWidgetItem>

namespace {

constexpr int kPerConversation = 100;

// The messages of conversation `handle`, `count` of them, every third one sent.
std::vector<extract::MessageRecord> makeMessages(int handle, int count)
{
    std::vector<extract::MessageRecord> list;
    list.reserve(static_cast<std::size_t>(count));
    for (int m = 0; m < count; ++m) {
        extract::MessageRecord message;
        message.handleId = handle;
        message.address = "+1555" + std::to_string(1000000 + handle);
        message.date = "2024-05-01 10:" + std::to_string(10 + m % 50) + ":00";
        message.isFromMe = m % 3 == 0 ? 1 : 0;
        message.deleted = m % 40 == 0 ? 1 : 0;
        message.text = m % 7 == 0 ? "A longer message number " + std::to_string(m) +
                                        " that wraps over several lines in its bubble because "
                                        "it tells the whole story of the weekend, the weather "
                                        "and the plans for the next trip."
                                  : "Message number " + std::to_string(m) + " of the chat.";
        list.push_back(std::move(message));
    }
    return list;
}

// Conversations of kPerConversation messages, then one of `largest` messages, `messages` in
// all, and `photos` camera-roll items.
extract::ScanResults makeResults(int messages, int largest, int photos)
{
    extract::ScanResults results;
    const int others = std::max(messages - largest, 0);
    const int conversations = (others + kPerConversation - 1) / kPerConversation + 1;
    for (int handle = 1; handle <= conversations; ++handle) {
        const bool last = handle == conversations;
        const int count =
            last ? messages - others
                 : std::min(kPerConversation, others - (handle - 1) * kPerConversation);
        extract::ConversationSummary summary;
        summary.handleId = handle;
        summary.address = "+1555" + std::to_string(1000000 + handle);
        summary.contactName = "Contact " + std::to_string(handle);
        summary.date = "2024-05-01 10:00:00";
        summary.text = "Last message of conversation " + std::to_string(handle);
        results.conversations.push_back(summary);
        results.messages[handle] = makeMessages(handle, count);
    }
    for (int i = 0; i < photos; ++i) {
        results.cameraRoll.push_back({2000000,
                                      "IMG_" + std::to_string(10000 + i) + ".HEIC",
                                      "/nowhere/" + std::to_string(i)});
    }
    return results;
}

// Lets the page handle what is queued and paint, then reports the time since `clock` started.
void report(const char* step, QElapsedTimer& clock)
{
    QCoreApplication::processEvents();
    std::printf("%-52s %6lld ms\n", step, static_cast<long long>(clock.restart()));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    app::applySkin();
    const int messages = argc > 1 ? std::atoi(argv[1]) : 1000000;
    const int largest = argc > 2 ? std::atoi(argv[2]) : 50000;
    const int photos = argc > 3 ? std::atoi(argv[3]) : 50000;
    QElapsedTimer clock;
    clock.start();
    const extract::ScanResults results = makeResults(messages, largest, photos);
    std::printf("%d messages in %zu conversations, %d photos (made in %lld ms)\n",
                messages,
                results.conversations.size(),
                photos,
                static_cast<long long>(clock.restart()));
    extract::CategorySet chosen;
    chosen.set(extract::RecoveryCategory::Messages);
    chosen.set(extract::RecoveryCategory::CameraRoll);

    app::CScanVrtWnd page;
    page.resize(1100, 700);
    page.show();
    app::ResultsView& view = page.results();
    // The list and the preview as a finished scan shows them.
    page.findChild<QWidget*>(QStringLiteral("DataListLayout"))->show();
    page.findChild<QCheckBox*>(QStringLiteral("OptOnOffPreview"))->setChecked(true);
    QCoreApplication::processEvents();
    clock.restart();
    view.show(results, chosen);
    report("show the results (tree, statistics)", clock);

    // Opens `category`, then unticks and ticks it whole.
    const auto openAndTick = [&](extract::RecoveryCategory category, const QString& name) {
        view.showCategory(category);
        report(qPrintable(QStringLiteral("open ") + name), clock);
        for (const Qt::CheckState state : {Qt::Unchecked, Qt::Checked}) {
            page.nodeOf(category)->setCheckState(0, state);
            report(qPrintable((state == Qt::Checked ? QStringLiteral("tick ")
                                                    : QStringLiteral("untick ")) +
                              name),
                   clock);
        }
    };
    openAndTick(extract::RecoveryCategory::CameraRoll, QStringLiteral("Camera Roll"));
    view.setFilter(true);
    report("only deleted photos (none)", clock);
    view.setFilter(false);
    report("every photo again", clock);
    openAndTick(extract::RecoveryCategory::Messages, QStringLiteral("Messages"));

    auto* list = page.findChild<QTreeView*>(QStringLiteral("DataList"));
    const QModelIndex biggest = view.rowOf(&results.conversations.back());
    if (list == nullptr || !biggest.isValid()) {
        std::fprintf(stderr, "the largest conversation is not in the list\n");
        return 1;
    }
    list->setCurrentIndex(biggest);
    report("open the largest conversation", clock);

    QAbstractItemView* bubbles = page.preview()->messagesList();
    if (!bubbles->isVisible() || bubbles->model()->rowCount() < largest) {
        std::fprintf(stderr, "the conversation is not shown\n");
        return 1;
    }
    QScrollBar* bar = bubbles->verticalScrollBar();
    int screens = 0;
    qint64 slowest = 0;
    QElapsedTimer step;
    step.start();
    QElapsedTimer whole;
    whole.start();
    const QModelIndex lastRow = bubbles->model()->index(bubbles->model()->rowCount() - 1, 0);
    // Rows are laid out in batches while the list scrolls: go on until the last one shows.
    while (!bubbles->viewport()->rect().intersects(bubbles->visualRect(lastRow)) &&
           screens < 100000) {
        bar->setValue(bar->value() + bar->pageStep());
        bubbles->viewport()->repaint();
        QCoreApplication::processEvents();
        slowest = std::max(slowest, step.restart());
        ++screens;
    }
    std::printf("scroll %d screens: %lld ms, slowest screen %lld ms\n",
                screens,
                static_cast<long long>(whole.elapsed()),
                static_cast<long long>(slowest));
    return 0;
}
