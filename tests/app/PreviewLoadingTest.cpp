// The preview-loading window over a slow copy: declining the cancel question lets the copy
// finish, confirming it stops the copy, and the copy waits while the question is open.
#include "GuiTestSupport.h"
#include "app/Application.h"
#include "app/CPreviewProcessWnd.h"
#include "app/Texts.h"
#include "fixtures/source/CopyingSource.h"

#include <atomic>
#include <chrono>
#include <thread>

#include <QLabel>
#include <QProgressBar>
#include <QTest>

using namespace app;
using namespace apptest;

namespace {

// A source whose preview copy reports 100 steps 10 ms apart and stops on a non-zero answer.
class SlowCopySource final : public fixtures::CopyingSource
{
public:
    int MakePreviewCopy(const std::string& source,
                        std::string& tempPath,
                        extract::ScanProgressCallback callback,
                        void* userData) override
    {
        for (int percent = 1; percent <= 100; ++percent) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            const auto before = std::chrono::steady_clock::now();
            if (const int answer = callback(userData, percent); answer != 0) {
                return answer;
            }
            // The longest time a report was held, i.e. paused by the window.
            const auto held = std::chrono::steady_clock::now() - before;
            longestHold = std::max<long long>(
                longestHold, std::chrono::duration_cast<std::chrono::milliseconds>(held).count());
            reached = percent;
        }
        tempPath = source + ".jpg";
        return 0;
    }

    std::atomic<int> reached{0};
    std::atomic<long long> longestHold{0};
};

} // namespace

class PreviewLoadingTest : public QObject
{
    Q_OBJECT

private slots:

    void initTestCase()
    {
        m_env = std::make_unique<AppTestEnvironment>();
        applySkin();
    }

    void cleanupTestCase() { m_env.reset(); }

    void decliningTheQuestionFinishesTheCopy();
    void confirmingTheQuestionStopsTheCopy();

private:
    std::unique_ptr<AppTestEnvironment> m_env;
};

void PreviewLoadingTest::decliningTheQuestionFinishesTheCopy()
{
    SlowCopySource source;
    CPreviewProcessWnd window(nullptr, source, "backup/file", QStringLiteral("IMG_0002.JPG"));
    QString fileName;
    QString question;
    whenModal([&](CPopUpWnd* loading) {
        fileName = loading->findChild<QLabel*>(QStringLiteral("LblFileName"))->text();
        whenModal([&](CPopUpWnd* box) {
            question = box->findChild<QLabel*>(QStringLiteral("message"))->text();
            // Keep the question open a while: the copy must not move on meanwhile.
            QTest::qWait(300);
            clickButton(box, "cancelbtn");
        });
        clickButton(loading, "BtnCancel");
    });
    QCOMPARE(window.run(), kCloseOk);
    QCOMPARE(fileName, messageText("MSG0902") + QStringLiteral(" IMG_0002.JPG"));
    QCOMPARE(question, messageText("MSG0903"));
    QCOMPARE(window.status(), 0);
    QCOMPARE(window.previewPath(), std::string("backup/file.jpg"));
    QCOMPARE(source.reached.load(), 100);
    QVERIFY(source.longestHold.load() >= 250);
}

void PreviewLoadingTest::confirmingTheQuestionStopsTheCopy()
{
    SlowCopySource source;
    CPreviewProcessWnd window(nullptr, source, "backup/file", QStringLiteral("clip.MOV"));
    whenModal([](CPopUpWnd* loading) {
        whenModal([](CPopUpWnd* box) { clickButton(box, "okbtn"); });
        clickButton(loading, "closebtn");
    });
    QCOMPARE(window.run(), kCloseCancel);
    QCOMPARE(window.status(), 2);
    QVERIFY(window.previewPath().empty());
    QVERIFY(source.reached.load() < 100);
}

QTEST_MAIN(PreviewLoadingTest)
#include "PreviewLoadingTest.moc"
