// Shared set-up of the window tests.
#include "GuiTestSupport.h"

#include "app/Texts.h"
#include "catalogue/BackupFiles.h"
#include "fixtures/backup/BackupWriter.h"
#include "fixtures/backup/DemoDevice.h"
#include "fixtures/media/DemoMedia.h"
#include "platform/Status.h"

#include <chrono>
#include <filesystem>
#include <thread>

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QTreeView>

namespace apptest {

namespace {

fixtures::BackupDescription
backupSpec(const char* name, const char* date, const char* id, unsigned seed)
{
    fixtures::BackupDescription spec;
    spec.deviceName = name;
    spec.lastBackupDate = date;
    spec.uniqueIdentifier = id;
    spec.serialNumber = std::string("SN") + id;
    spec.files = fixtures::sampleFiles(seed);
    return spec;
}

fixtures::BackupDescription lockedSpec()
{
    fixtures::BackupDescription spec = backupSpec(
        kLockedName, "2012-03-04T05:06:07Z", "4444444444444444444444444444444444444444", 4);
    // An address book whose first bytes are not the SQLite header marks the backup encrypted.
    spec.files.push_back({"HomeDomain",
                          "Library/AddressBook/AddressBook.sqlitedb",
                          std::string(4096, '\x5a'),
                          fixtures::FileKind::File,
                          {}});
    return spec;
}

const fixtures::BackupDescription& specNamed(const char* name)
{
    static const fixtures::BackupDescription specs[] = {
        backupSpec(
            kOldestName, "2013-01-02T03:04:05Z", "1111111111111111111111111111111111111111", 1),
        backupSpec(
            kNewestName, "2015-07-08T09:10:11Z", "2222222222222222222222222222222222222222", 2),
        backupSpec(
            kMiddleName, "2014-05-06T07:08:09Z", "3333333333333333333333333333333333333333", 3),
        lockedSpec(),
    };
    for (const auto& spec : specs) {
        if (spec.deviceName == name) {
            return spec;
        }
    }
    return specs[0];
}

void copyFile(const QString& from, const QString& to)
{
    QFile::remove(to);
    QVERIFY2(QFile::copy(from, to), qPrintable(from));
    QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner);
}

// A small JPEG picture that decodes: a colour gradient.
std::string samplePhoto()
{
    QImage image(320, 240, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            image.setPixel(x, y, qRgb(x * 255 / 320, y * 255 / 240, 160));
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 85);
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

} // namespace

fixtures::DeviceFilesOptions deviceFilesOptions()
{
    fixtures::DeviceFilesOptions options;
    // The older layouts: their note store keeps deleted notes that the scan carves.
    options.currentLayouts = false;
    // Messages as current devices keep them: archived bodies, a group chat, attachments that
    // are real pictures.
    options.modernMessages = true;
    static fixtures::DemoMedia media;
    options.media = &media;
    options.conversations = 6;
    options.messages = 60;
    options.contacts = 12;
    options.calls = 15;
    options.notes = 30;
    options.whatsAppMessages = 40;
    return options;
}

AppTestEnvironment::AppTestEnvironment()
{
    QDir root(m_dir.path());
    root.mkpath(QStringLiteral("app/Languages"));
    root.mkpath(QStringLiteral("empty"));
    const QString resources = QStringLiteral(BRENVALE_RESOURCES_DIR);
    copyFile(resources + QStringLiteral("/config.ini"),
             applicationFolder() + QStringLiteral("config.ini"));
    for (const QString& name :
         QDir(resources + QStringLiteral("/Languages")).entryList(QDir::Files)) {
        copyFile(resources + QStringLiteral("/Languages/") + name,
                 applicationFolder() + QStringLiteral("Languages/") + name);
    }
    root.mkpath(QStringLiteral("app/template"));
    for (const QString& name :
         QDir(resources + QStringLiteral("/template")).entryList(QDir::Files)) {
        copyFile(resources + QStringLiteral("/template/") + name,
                 applicationFolder() + QStringLiteral("template/") + name);
    }
    qputenv("BRENVALE_APPDATA", appDataFolder().toUtf8());
    qputenv("BRENVALE_MOUNT_ROOTS", mountRootFolder().toUtf8());
    for (const char* name : {kOldestName, kNewestName, kMiddleName, kLockedName}) {
        fixtures::BackupDescription spec = specNamed(name);
        if (std::string_view(name) == kNewestName) {
            // The newest backup carries a photo that decodes and every device database,
            // deleted rows included; the photo comes first, so that the photo library gives it
            // the sample's fullest details.
            spec.files.insert(spec.files.begin(),
                              {"CameraRollDomain",
                               std::string("Media/DCIM/100APPLE/") + kPhotoName,
                               samplePhoto(),
                               fixtures::FileKind::File,
                               {}});
            // Two apps that keep pictures of their own.
            for (const char* domain :
                 {"AppDomain-com.example.Camera", "AppDomain-com.example.Notes"}) {
                spec.files.push_back(
                    {domain, "Documents/picture.jpg", samplePhoto(), fixtures::FileKind::File, {}});
            }
            QVERIFY(fixtures::deviceDatabaseFiles(deviceFilesOptions(),
                                                  app::toUtf8(m_dir.path() + QStringLiteral("/db")),
                                                  spec.files) == 0);
        }
        QVERIFY(fixtures::writeBackup(spec, app::toUtf8(backupFolder(name))) == 0);
    }
    app::setApplicationFolder(applicationFolder());
    app::resetSettings();
}

AppTestEnvironment::~AppTestEnvironment()
{
    app::resetSettings();
}

QString AppTestEnvironment::backupFolder(const char* name) const
{
    return appDataFolder() + QStringLiteral("/Apple Computer/MobileSync/backup/") +
           app::fromUtf8(specNamed(name).uniqueIdentifier);
}

void whenModal(std::function<void(app::CPopUpWnd*)> action, int timeoutMs)
{
    constexpr int kPollMs = 20;
    auto* timer = new QTimer(qApp);
    auto remaining = std::make_shared<int>(timeoutMs / kPollMs);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, remaining, action] {
        auto* popUp = qobject_cast<app::CPopUpWnd*>(QApplication::activeModalWidget());
        if (popUp != nullptr && popUp->isVisible()) {
            timer->stop();
            timer->deleteLater();
            action(popUp);
            return;
        }
        if (--*remaining == 0) {
            timer->stop();
            timer->deleteLater();
            QFAIL("no pop-up window appeared");
        }
    });
    timer->start(kPollMs);
}

void clickButton(QWidget* window, const char* name)
{
    auto* button = window->findChild<QPushButton*>(QLatin1String(name));
    QVERIFY2(button != nullptr, name);
    QVERIFY2(button->isVisible(), name);
    QTest::mouseClick(button, Qt::LeftButton);
}

void clickCheckBox(QWidget* box)
{
    QVERIFY(box != nullptr);
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
}

void saveScreenshot(QWidget* widget, const QString& name)
{
    const QString folder = qEnvironmentVariable("BRENVALE_SCREENSHOTS");
    if (folder.isEmpty()) {
        return;
    }
    QDir().mkpath(folder);
    // A changed text relayouts its parents one posted event at a time: let them settle.
    QTest::qWait(50);
    widget->grab().save(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
}

namespace {

// Reports the headings cut by their column and the dates elided in the first screen of rows:
// long free texts may be elided by design, fixed-format dates never.
template <typename Report> void reportCutColumns(QTreeView* list, const Report& report)
{
    const QHeaderView* header = list->header();
    const QAbstractItemModel* model = list->model();
    // The room the style leaves on each side of a cell's text, as QCommonStyle draws it.
    const int margins =
        2 * (list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1);
    static const QRegularExpression date(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d"));
    for (int column = 0; column < model->columnCount(); ++column) {
        if (header->isSectionHidden(column)) {
            continue;
        }
        const QString heading = model->headerData(column, Qt::Horizontal).toString();
        if (header->fontMetrics().horizontalAdvance(heading) + margins >
            header->sectionSize(column)) {
            report(list, QStringLiteral("heading ") + heading);
        }
        for (int row = 0; row < std::min(model->rowCount(), 30); ++row) {
            const QModelIndex index = model->index(row, column);
            const QString text = index.data().toString();
            if (date.match(text).hasMatch() && !list->isRowHidden(row, {}) &&
                list->fontMetrics().horizontalAdvance(text) + margins >
                    list->visualRect(index).width()) {
                report(list,
                       QStringLiteral("date %1 %2 %3 %4 ")
                               .arg(list->fontMetrics().horizontalAdvance(text))
                               .arg(margins)
                               .arg(list->visualRect(index).width())
                               .arg(header->sectionSize(column)) +
                           text);
            }
        }
    }
}

} // namespace

QStringList clippedTexts(QWidget* root)
{
    QStringList clipped;
    const auto report = [&clipped](const QWidget* control, const QString& text) {
        clipped << QStringLiteral("%1: %2").arg(control->objectName(), text);
    };
    for (QLabel* label : root->findChildren<QLabel*>()) {
        if (!label->isVisible() || label->text().isEmpty() || label->property("elided").toBool()) {
            continue;
        }
        const bool tooTall = label->wordWrap() && label->hasHeightForWidth() &&
                             label->heightForWidth(label->width()) > label->height();
        const bool tooWide = !label->wordWrap() && label->sizeHint().width() > label->width();
        if (tooTall || tooWide) {
            report(label, label->text());
        }
    }
    for (QAbstractButton* button : root->findChildren<QAbstractButton*>()) {
        if (button->isVisible() && !button->text().isEmpty() &&
            button->sizeHint().width() > button->width()) {
            report(button, button->text());
        }
    }
    for (QTreeView* list : root->findChildren<QTreeView*>()) {
        if (!list->isVisible()) {
            continue;
        }
        if (list->horizontalScrollBar()->isVisible()) {
            report(list, QStringLiteral("needs a horizontal scroll bar"));
        }
        reportCutColumns(list, report);
    }
    return clipped;
}

catalogue::DecryptFunction slowDecryptor(int steps, int pauseMs)
{
    return [steps, pauseMs](catalogue::BackupEngine& engine,
                            const std::string& password,
                            const std::string& backupFolder,
                            std::string& outputFolder) {
        if (password != kPassword) {
            return platform::kStatusWrongPassword;
        }
        // The "decrypted" backup: every content file flat in one folder of the engine's
        // temporary folder, as the decryption tool leaves them.
        namespace fs = std::filesystem;
        const fs::path output = fs::path(engine.tempFolder()) / "decrypted-test";
        std::error_code error;
        fs::create_directories(output, error);
        for (const auto& entry : fs::recursive_directory_iterator(backupFolder, error)) {
            // The locked backup's address book is a stand-in with no plain text to give.
            if (entry.path().filename() == catalogue::kContactsDbId) {
                continue;
            }
            if (entry.is_regular_file() && entry.path().parent_path() != fs::path(backupFolder)) {
                fs::copy_file(entry.path(),
                              output / entry.path().filename(),
                              fs::copy_options::overwrite_existing,
                              error);
            }
        }
        outputFolder = output.string();
        for (int i = 1; i <= steps; ++i) {
            const int answer = engine.reportProgress(1 + 9 * i / steps);
            if (answer != 0) {
                return answer;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
        }
        return 0;
    };
}

} // namespace apptest
