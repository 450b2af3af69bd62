// Start-up and shut-down of the application.
#include "app/Application.h"

#include "app/CMainWnd.h"
#include "app/CMessageBox.h"
#include "app/SingleInstance.h"
#include "app/Texts.h"
#include "catalogue/BackupEngine.h"

#include <iostream>
#include <string_view>

#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QIcon>
#include <QScreen>

// The compiled-in resources live in a static library, whose initialiser the linker may drop
// unless something refers to it.
static void initResources()
{
    Q_INIT_RESOURCE(brenvale);
}

namespace app {

namespace {

constexpr int kWindowWidth = 1000;
constexpr int kWindowHeight = 665;
constexpr int kRunningBoxWidth = 350;
constexpr int kRunningBoxHeight = 180;

void centreOnScreen(QWidget& window)
{
    window.resize(kWindowWidth, kWindowHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        window.move(area.center() - QPoint(kWindowWidth / 2, kWindowHeight / 2));
    }
}

} // namespace

void applySkin()
{
    initResources();
    QFile sheet(QStringLiteral(":/brenvale.qss"));
    if (sheet.open(QIODevice::ReadOnly)) {
        qApp->setStyleSheet(QString::fromUtf8(sheet.readAll()));
    }
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/brenvale.svg")));
}

int runApplication(int argc, char** argv)
{
    // Answered before any window or the single-instance check, so that it works anywhere.
    for (int i = 1; i < argc; ++i) {
        if (std::string_view(argv[i]) == "--version") {
            std::cout << "brenvale " << BRENVALE_VERSION << "\n";
            return 0;
        }
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brenvale"));
    QApplication::setApplicationDisplayName(QStringLiteral("Brenvale"));
    QGuiApplication::setDesktopFileName(QStringLiteral("brenvale"));
    applySkin();

    SingleInstance instance(instanceServerName());
    switch (instance.claim()) {
    case SingleInstance::OtherRaised:
        return 0;
    case SingleInstance::OtherSilent:
        showMessageBox(kBoxInformation,
                       nullptr,
                       QStringLiteral("Brenvale is running."),
                       kRunningBoxWidth,
                       kRunningBoxHeight);
        return 0;
    case SingleInstance::Primary:
        break;
    }

    (void)settings();
    int exitCode = 0;
    {
        catalogue::BackupEngine engine;
        CMainWnd window(engine);
        QObject::connect(
            &instance, &SingleInstance::raiseRequested, &window, &CMainWnd::bringToFront);
        centreOnScreen(window);
        window.show();
        window.activateWindow();
        exitCode = QApplication::exec();
    }
    // The engine's end removed the preview copies and the decrypted files of this run.
    return exitCode;
}

} // namespace app
