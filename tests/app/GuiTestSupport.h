// What the window tests share: a private application folder and application-data folder with
// generated backups, answering modal pop-ups, and saving screenshots for review.
#pragma once

#include "app/CPopUpWnd.h"
#include "catalogue/BackupEngine.h"
#include "fixtures/backup/DemoDevice.h"

#include <functional>
#include <string>

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace apptest {

// The device names of the backups the environment writes, newest first, and the password of
// the encrypted one.
inline constexpr const char* kNewestName = "Alice's iPhone";
inline constexpr const char* kMiddleName = "Work iPhone";
inline constexpr const char* kOldestName = "Old iPhone";
inline constexpr const char* kLockedName = "Locked iPhone";
inline constexpr const char* kPassword = "secret";
// The camera-roll picture of the newest backup that decodes as an image.
inline constexpr const char* kPhotoName = "IMG_0001.JPG";

// The sizes of the device databases in the newest backup.
fixtures::DeviceFilesOptions deviceFilesOptions();

class AppTestEnvironment
{
public:
    // Creates the folders, copies config.ini, the language files and the export templates into the
    // application folder, writes three plain backups (the newest with every device database) and
    // one encrypted one, and points the application (BRENVALE_APPDATA, the application folder, the
    // settings) at them, and its search of mounted disks (BRENVALE_MOUNT_ROOTS) at an empty
    // folder.
    AppTestEnvironment();
    ~AppTestEnvironment();

    QString applicationFolder() const { return m_dir.path() + QStringLiteral("/app/"); }

    QString appDataFolder() const { return m_dir.path() + QStringLiteral("/appdata"); }

    // Engine options whose temporary folder lies in this environment.
    catalogue::EngineOptions engineOptions() const
    {
        catalogue::EngineOptions options;
        options.tempFolder = (appDataFolder() + QStringLiteral("/tmp")).toStdString();
        return options;
    }

    // The folder the application takes for the one where disks are mounted.
    QString mountRootFolder() const { return m_dir.path() + QStringLiteral("/mnt"); }

    // A folder that exists and is not a backup.
    QString notABackupFolder() const { return m_dir.path() + QStringLiteral("/empty"); }

    // The folder of the backup with `name`.
    QString backupFolder(const char* name) const;

private:
    QTemporaryDir m_dir;
};

// The child of `parent` named `name`; the test stops when there is none.
template <typename T> T* control(const QObject* parent, const char* name)
{
    T* found = parent->findChild<T*>(QLatin1String(name));
    if (found == nullptr) {
        qFatal("missing control %s", name);
    }
    return found;
}

// Calls `action` with the next modal pop-up as soon as it shows (polling every 20 ms for up to
// `timeoutMs`); the test fails when none comes.
void whenModal(std::function<void(app::CPopUpWnd*)> action, int timeoutMs = 5000);

// Clicks the button `name` of `window`.
void clickButton(QWidget* window, const char* name);

// Clicks the check box `box` on its indicator (a check box stretched by its layout does not
// react to clicks on its empty right part).
void clickCheckBox(QWidget* box);

// Saves a picture of `widget` as `name`.png into $BRENVALE_SCREENSHOTS when it is set.
void saveScreenshot(QWidget* widget, const QString& name);

// The visible labels and buttons of `root` whose text does not fit them, as "name: text": a
// one-line text wider than its control, a wrapped text taller than its label. Labels with the
// property "elided" set cut their text on purpose (with the full text as tool tip) and are
// skipped.
QStringList clippedTexts(QWidget* root);

// A decryption step for the engine that accepts only kPassword (else -110) and then reports
// `steps` progress values `pauseMs` apart, so that a test can pause and stop it; the backup's
// content files copied flat into the engine's temporary folder serve as the decrypted copy.
catalogue::DecryptFunction slowDecryptor(int steps, int pauseMs);

} // namespace apptest
