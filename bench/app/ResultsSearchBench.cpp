// Fills the results page (offscreen) with conversations holding 200,000 messages in all and
// reports how long the list took to fill and each step of a search took: the first search
// at once after filling (which reads every message then), a longer text that narrows it, a
// text found nowhere, and clearing the field; then the first search again after the page
// read the messages ahead while idle, and how long that reading took in slices.
//
//   bench_results_search [MESSAGES] [PER_CONVERSATION]   (defaults: 200000 and 100)
#include "app/Application.h"
#include "app/CScanVrtWnd.h"
#include "app/ResultsView.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>

namespace {

// Conversations of `perConversation` messages each, `messages` in all; every 250th message
// mentions "saffron".
extract::ScanResults makeResults(int messages, int perConversation)
{
    extract::ScanResults results;
    const int conversations = std::max(1, messages / std::max(1, perConversation));
    for (int handle = 1; handle <= conversations; ++handle) {
        extract::ConversationSummary summary;
        summary.handleId = handle;
        summary.address = "+1555" + std::to_string(1000000 + handle);
        summary.contactName = "Contact " + std::to_string(handle);
        summary.date = "2024-05-01 10:00:00";
        summary.text = "Last message of conversation " + std::to_string(handle);
        results.conversations.push_back(summary);
        auto& list = results.messages[handle];
        for (int m = 0; m < perConversation; ++m) {
            extract::MessageRecord message;
            message.handleId = handle;
            message.date = summary.date;
            const int serial = (handle - 1) * perConversation + m;
            message.text = serial % 250 == 0
                               ? "Could you bring some saffron for the risotto tonight?"
                               : "Message number " + std::to_string(serial) +
                                     " about the weekend plans and the weather.";
            list.push_back(std::move(message));
        }
    }
    return results;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    app::applySkin();
    const int messages = argc > 1 ? std::atoi(argv[1]) : 200000;
    const int perConversation = argc > 2 ? std::atoi(argv[2]) : 100;
    const extract::ScanResults results = makeResults(messages, perConversation);
    extract::CategorySet chosen;
    chosen.set(extract::RecoveryCategory::Messages);

    app::CScanVrtWnd page;
    page.resize(1100, 600);
    app::ResultsView& view = page.results();
    QElapsedTimer clock;
    clock.start();
    view.show(results, chosen);
    std::printf("fill %zu conversations: %lld ms\n",
                results.conversations.size(),
                static_cast<long long>(clock.restart()));
    for (const char* text : {"saffron", "saffron for", "no such words", ""}) {
        view.setSearch(QString::fromUtf8(text));
        std::printf("search \"%s\": %d of %d in %lld ms\n",
                    text,
                    view.searchShown(),
                    view.searchTotal(),
                    static_cast<long long>(clock.restart()));
    }
    view.show(results, chosen);
    clock.restart();
    while (!view.searchTextsRead()) {
        QCoreApplication::processEvents();
    }
    std::printf("read ahead while idle: %lld ms\n", static_cast<long long>(clock.restart()));
    view.setSearch(QStringLiteral("saffron"));
    std::printf("search \"saffron\" after reading ahead: %d of %d in %lld ms\n",
                view.searchShown(),
                view.searchTotal(),
                static_cast<long long>(clock.restart()));
    return 0;
}
