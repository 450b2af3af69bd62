// Media previews in the panel: pictures decoded by content (HEIC through libheif, a PNG named
// tmp.jpg), broken and oversized pictures refused, audio and video on the media page with the
// fallback player and MSG1207, replays without a second copy, and leaving a video releasing
// its file.
#include "GuiTestSupport.h"
#include "app/AppEvents.h"
#include "app/Application.h"
#include "app/CPreviewPanel.h"
#include "app/ImageLoading.h"
#include "app/MediaPage.h"
#include "app/Texts.h"
#include "fixtures/media/PictureMaker.h"
#include "fixtures/media/RiffWriter.h"
#include "fixtures/source/CopyingSource.h"
#include "platform/Status.h"
#include "support/ByteBuilder.h"

#include <libheif/heif.h>

#include <QBuffer>
#include <QDir>
#include <QLabel>
#include <QMediaPlayer>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QVBoxLayout>
#include <QVideoFrame>
#include <QVideoSink>
#include <QVideoWidget>

using namespace app;
using namespace apptest;

namespace {

// Copies each "backup file" to tmp.wav, tmp.avi or tmp.jpg in its work folder by the backup
// file's suffix, as the real source names preview copies by content kind.
class CopySource final : public fixtures::CopyingSource
{
public:
    explicit CopySource(QString work)
        : m_work(std::move(work))
    {}

    int MakePreviewCopy(const std::string& source,
                        std::string& tempPath,
                        extract::ScanProgressCallback,
                        void*) override
    {
        const QString from = QString::fromStdString(source);
        const QString suffix = QFileInfo(from).suffix();
        const QString to = m_work + QStringLiteral("/tmp.") +
                           (suffix == QLatin1String("wav") || suffix == QLatin1String("avi")
                                ? suffix
                                : QStringLiteral("jpg"));
        QFile::remove(to);
        if (!QFile::copy(from, to)) {
            return 87;
        }
        tempPath = to.toStdString();
        return 0;
    }

private:
    QString m_work;
};

// The main window's part for message 1027: the panel's host plays what the panel copied.
class Host : public QWidget
{
public:
    Host()
        : panel(new CPreviewPanel(this))
    {
        (new QVBoxLayout(this))->addWidget(panel);
        resize(640, 480);
    }

    bool event(QEvent* event) override
    {
        if (isAppMessage(event) && static_cast<AppEvent*>(event)->message() == kMsgPlayMedia) {
            panel->PlayMedia();
            return true;
        }
        return QWidget::event(event);
    }

    CPreviewPanel* panel;
};

// Half a second of a 440 Hz tone, 8 kHz mono 16-bit PCM.
QByteArray wavBytes()
{
    return QByteArray::fromStdString(fixtures::wavTone({440.0, 0.5, 8000, 0.5}));
}

// A Motion-JPEG AVI of `frames` 64×48 frames at 10 per second, each of another colour.
QByteArray aviBytes(int frames)
{
    std::vector<std::string> jpegs;
    for (int i = 0; i < frames; ++i) {
        QImage frame(64, 48, QImage::Format_RGB32);
        frame.fill(QColor::fromHsv(i * 36 % 360, 200, 220));
        std::string jpeg;
        if (fixtures::encodeJpeg(frame, 80, jpeg) != 0) {
            return {};
        }
        jpegs.push_back(std::move(jpeg));
    }
    return QByteArray::fromStdString(fixtures::mjpegAvi(jpegs, {64, 48, 10}));
}

// `image` encoded as HEIC with libheif's HEVC encoder, stored with `orientation`.
QByteArray heicBytes(const QImage& image, heif_orientation orientation)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    heif_context* context = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    heif_image* picture = nullptr;
    heif_encoding_options* options = heif_encoding_options_alloc();
    options->image_orientation = orientation;
    QByteArray out;
    if (heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder).code ==
            heif_error_Ok &&
        heif_image_create(
            rgb.width(), rgb.height(), heif_colorspace_RGB, heif_chroma_interleaved_RGB, &picture)
                .code == heif_error_Ok &&
        heif_image_add_plane(picture, heif_channel_interleaved, rgb.width(), rgb.height(), 8)
                .code == heif_error_Ok) {
        int stride = 0;
        std::uint8_t* plane = heif_image_get_plane(picture, heif_channel_interleaved, &stride);
        for (int y = 0; y < rgb.height(); ++y) {
            std::memcpy(plane + y * stride,
                        rgb.constScanLine(y),
                        static_cast<std::size_t>(rgb.width()) * 3);
        }
        heif_encoder_set_lossy_quality(encoder, 80);
        const QString path = QDir::tempPath() + QStringLiteral("/brenvale-test.heic");
        if (heif_context_encode_image(context, picture, encoder, options, nullptr).code ==
                heif_error_Ok &&
            heif_context_write_to_file(context, QFile::encodeName(path).constData()).code ==
                heif_error_Ok) {
            QFile file(path);
            if (file.open(QIODevice::ReadOnly)) {
                out = file.readAll();
            }
            QFile::remove(path);
        }
    }
    heif_image_release(picture);
    heif_encoder_release(encoder);
    heif_encoding_options_free(options);
    heif_context_free(context);
    return out;
}

QByteArray pngBytes(const QImage& image)
{
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return out;
}

std::uint32_t crc32(const QByteArray& bytes)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (char byte : bytes) {
        crc ^= static_cast<std::uint8_t>(byte);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

void putBe32(QByteArray& bytes, qsizetype at, std::uint32_t value)
{
    const auto field = testsupport::ByteBuilder().u32be(value).str();
    bytes.replace(at, 4, field.data(), 4);
}

// A PNG whose header declares 100000 × 100000 pixels (with a valid checksum).
QByteArray hugePngBytes()
{
    QByteArray bytes = pngBytes(QImage(4, 4, QImage::Format_RGB32));
    putBe32(bytes, 16, 100000);
    putBe32(bytes, 20, 100000);
    putBe32(bytes, 29, crc32(bytes.mid(12, 17)));
    return bytes;
}

// A JPEG whose frame header declares 65000 × 65000 pixels.
QByteArray hugeJpegBytes()
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImage(8, 8, QImage::Format_RGB32).save(&buffer, "JPG");
    const qsizetype frame = bytes.indexOf(QByteArray("\xff\xc0", 2));
    if (frame > 0) {
        for (const qsizetype at : {frame + 5, frame + 7}) {
            bytes[at] = static_cast<char>(65000 >> 8);
            bytes[at + 1] = static_cast<char>(65000 & 0xFF);
        }
    }
    return bytes;
}

// The HEIC of `image` with its ispe box rewritten to 100000 × 100000.
QByteArray hugeHeicBytes(const QImage& image)
{
    QByteArray bytes = heicBytes(image, heif_orientation_normal);
    const qsizetype ispe = bytes.indexOf("ispe");
    if (ispe > 0) {
        putBe32(bytes, ispe + 8, 100000);
        putBe32(bytes, ispe + 12, 100000);
    }
    return bytes;
}

// True while some descriptor of this process is open on `path`.
bool fileHeldOpen(const QString& path)
{
    const QString target = QFileInfo(path).canonicalFilePath();
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString& fd :
         fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        if (!target.isEmpty() && QFileInfo(fds.filePath(fd)).symLinkTarget() == target) {
            return true;
        }
    }
    return false;
}

const QColor kPictureColour(200, 60, 20);

QImage testPicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(kPictureColour);
    return image;
}

} // namespace

class MediaPreviewTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void picturesShowAtTheirDecodedSize_data();
    void picturesShowAtTheirDecodedSize();
    void brokenPicturesShowTheMessage_data();
    void brokenPicturesShowTheMessage();
    void audioAndVideoPlayOnTheMediaPage_data();
    void audioAndVideoPlayOnTheMediaPage();
    void replayingDoesNotCopyAgain();
    void leavingAVideoReleasesItsFile_data();
    void leavingAVideoReleasesItsFile();
    void unplayableFileWithoutFallbackShowsTheMessage();

private:
    // Writes `bytes` as the backup file `name`, shows it as a camera-roll record and returns
    // the record's entry.
    exporting::SelectionEntry showFile(const QString& name, const QByteArray& bytes);
    QSize shownImageSize() const;

    std::unique_ptr<AppTestEnvironment> m_env;
    std::unique_ptr<CopySource> m_source;
    std::unique_ptr<Host> m_host;
    std::vector<std::unique_ptr<extract::MediaItem>> m_items;
    QString m_backup;
    QString m_work;
    QStringList m_fallbackCalls;
    bool m_fallbackOpens = true;
};

void MediaPreviewTest::initTestCase()
{
    m_env = std::make_unique<AppTestEnvironment>();
    applySkin();
    m_backup = m_env->appDataFolder() + QStringLiteral("/media-backup");
    m_work = m_env->appDataFolder() + QStringLiteral("/media-work");
    QVERIFY(QDir().mkpath(m_backup) && QDir().mkpath(m_work));
    m_source = std::make_unique<CopySource>(m_work);
    CPreviewPanel::setPlayer([this](const QString& file) {
        m_fallbackCalls << file;
        return m_fallbackOpens;
    });
}

void MediaPreviewTest::cleanupTestCase()
{
    CPreviewPanel::setPlayer({});
    m_env.reset();
}

void MediaPreviewTest::init()
{
    m_host = std::make_unique<Host>();
    m_host->panel->setSource(m_source.get());
    m_host->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_host.get()));
    m_fallbackCalls.clear();
    m_fallbackOpens = true;
}

void MediaPreviewTest::cleanup()
{
    m_host.reset();
}

exporting::SelectionEntry MediaPreviewTest::showFile(const QString& name, const QByteArray& bytes)
{
    const QString path = m_backup + QLatin1Char('/') + name;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size()) {
        qFatal("cannot write %s", qPrintable(path));
    }
    file.close();
    auto item = std::make_unique<extract::MediaItem>();
    item->name = name.toStdString();
    item->path = path.toStdString();
    item->size = static_cast<std::uint64_t>(bytes.size());
    exporting::SelectionEntry entry;
    entry.record = static_cast<const extract::MediaItem*>(item.get());
    m_items.push_back(std::move(item));
    m_host->panel->showRecord(entry, extract::ScanResults{});
    return entry;
}

QSize MediaPreviewTest::shownImageSize() const
{
    for (QTextBlock block = m_host->panel->textBox()->document()->begin(); block.isValid();
         block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            if (format.isImageFormat()) {
                const QTextImageFormat image = format.toImageFormat();
                return {static_cast<int>(image.width()), static_cast<int>(image.height())};
            }
        }
    }
    return {};
}

void MediaPreviewTest::picturesShowAtTheirDecodedSize_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QSize>("size");
    const QImage wide = testPicture(64, 32);
    QTest::newRow("heic") << heicBytes(wide, heif_orientation_normal) << QSize(64, 32);
    QTest::newRow("heic turned a quarter")
        << heicBytes(wide, heif_orientation_rotate_90_cw) << QSize(32, 64);
    QTest::newRow("png named tmp.jpg") << pngBytes(testPicture(40, 30)) << QSize(40, 30);
}

void MediaPreviewTest::picturesShowAtTheirDecodedSize()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QSize, size);
    QVERIFY(!bytes.isEmpty());
    showFile(QStringLiteral("IMG_0001.HEIC"), bytes);
    QTRY_COMPARE(shownImageSize(), size);
    QVERIFY(m_host->panel->mediaFile().endsWith(QLatin1String("tmp.jpg")));
    QImage decoded;
    QCOMPARE(loadPreviewImage(m_host->panel->mediaFile(), decoded), 0);
    QCOMPARE(decoded.size(), size);
    // Lossy coding keeps each channel near the original, in its place.
    const QColor centre = decoded.pixelColor(size.width() / 2, size.height() / 2);
    QVERIFY2(std::abs(centre.red() - kPictureColour.red()) < 24 &&
                 std::abs(centre.green() - kPictureColour.green()) < 24 &&
                 std::abs(centre.blue() - kPictureColour.blue()) < 24,
             qPrintable(centre.name()));
}

void MediaPreviewTest::brokenPicturesShowTheMessage_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("status");
    const QByteArray heic = heicBytes(testPicture(64, 32), heif_orientation_normal);
    QTest::newRow("garbage") << QByteArray(3000, '\x5a') << platform::kStatusInvalid;
    QTest::newRow("truncated png")
        << pngBytes(testPicture(40, 30)).left(40) << platform::kStatusInvalid;
    QTest::newRow("truncated heic") << heic.left(heic.size() / 2) << platform::kStatusInvalid;
    QTest::newRow("png of 100000 x 100000") << hugePngBytes() << platform::kStatusUnsupported;
    QTest::newRow("heic of 100000 x 100000")
        << hugeHeicBytes(testPicture(64, 32)) << platform::kStatusUnsupported;
    QTest::newRow("jpeg of 65000 x 65000") << hugeJpegBytes() << platform::kStatusUnsupported;
}

void MediaPreviewTest::brokenPicturesShowTheMessage()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, status);
    showFile(QStringLiteral("IMG_0002.JPG"), bytes);
    QTRY_COMPARE(m_host->panel->textBox()->toPlainText(),
                 QStringLiteral("Can not found the file!"));
    QImage decoded;
    // Oversized pictures are refused from their declared size, before any pixel is decoded.
    QCOMPARE(loadPreviewImage(m_host->panel->mediaFile(), decoded), status);
    QVERIFY(decoded.isNull());
}

void MediaPreviewTest::audioAndVideoPlayOnTheMediaPage_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("video");
    QTest::newRow("wav") << QStringLiteral("Voice.wav") << wavBytes() << false;
    QTest::newRow("avi") << QStringLiteral("Clip.avi") << aviBytes(10) << true;
}

void MediaPreviewTest::audioAndVideoPlayOnTheMediaPage()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, video);
    MediaPage* page = m_host->panel->mediaPage();
    QSignalSpy sources(page->player(), &QMediaPlayer::sourceChanged);
    QSignalSpy frames(page->videoView()->videoSink(), &QVideoSink::videoFrameChanged);
    showFile(name, bytes);
    QTRY_VERIFY(page->isVisible());
    QCOMPARE(page->findChild<QLabel*>(QStringLiteral("LblMediaName"))->text(), name);
    QCOMPARE(page->videoView()->isVisible(), video);
    QVERIFY(!sources.isEmpty());
    QCOMPARE(sources.front().front().toUrl(), QUrl::fromLocalFile(m_host->panel->mediaFile()));
    // Without an audio device or a decoder the system's player takes over, exactly once.
    QTRY_VERIFY_WITH_TIMEOUT(page->player()->playbackState() == QMediaPlayer::PlayingState ||
                                 !m_fallbackCalls.isEmpty(),
                             10000);
    saveScreenshot(m_host.get(),
                   QStringLiteral("media-%1").arg(QLatin1String(QTest::currentDataTag())));
    if (!m_fallbackCalls.isEmpty()) {
        QTest::qWait(300);
        QCOMPARE(m_fallbackCalls, QStringList{m_host->panel->mediaFile()});
        QCOMPARE(page->player()->source(), QUrl());
    } else if (video) {
        // The pictures are decoded and reach the panel's video widget.
        QTRY_VERIFY_WITH_TIMEOUT(!frames.isEmpty(), 10000);
        QCOMPARE(frames.back().front().value<QVideoFrame>().size(), QSize(64, 48));
    }
}

void MediaPreviewTest::replayingDoesNotCopyAgain()
{
    MediaPage* page = m_host->panel->mediaPage();
    const exporting::SelectionEntry entry = showFile(QStringLiteral("Clip.avi"), aviBytes(4));
    const int copies = m_host->panel->copyCount();
    QTRY_VERIFY_WITH_TIMEOUT(page->player()->mediaStatus() == QMediaPlayer::EndOfMedia ||
                                 !m_fallbackCalls.isEmpty(),
                             10000);
    const qsizetype fallbacks = m_fallbackCalls.size();
    QSignalSpy states(page->player(), &QMediaPlayer::playbackStateChanged);
    const auto playedAgain = [&states] {
        return std::any_of(states.begin(), states.end(), [](const QList<QVariant>& arguments) {
            return arguments.front().value<QMediaPlayer::PlaybackState>() ==
                   QMediaPlayer::PlayingState;
        });
    };
    m_host->panel->showRecord(entry, extract::ScanResults{});
    // Played again from the start (or handed to the fallback again), from the same copy.
    QTRY_VERIFY_WITH_TIMEOUT(playedAgain() || m_fallbackCalls.size() > fallbacks, 10000);
    QCOMPARE(m_host->panel->copyCount(), copies);
}

void MediaPreviewTest::leavingAVideoReleasesItsFile_data()
{
    QTest::addColumn<int>("way");
    QTest::newRow("choosing a note") << 0;
    QTest::newRow("clearing the panel") << 1;
    QTest::newRow("closing the window") << 2;
}

void MediaPreviewTest::leavingAVideoReleasesItsFile()
{
    QFETCH(int, way);
    MediaPage* page = m_host->panel->mediaPage();
    showFile(QStringLiteral("Clip.avi"), aviBytes(40));
    const QString file = m_host->panel->mediaFile();
    QTRY_VERIFY_WITH_TIMEOUT(page->player()->playbackState() == QMediaPlayer::PlayingState ||
                                 !m_fallbackCalls.isEmpty(),
                             10000);
    extract::NoteRecord note;
    note.title = "Shopping";
    exporting::SelectionEntry entry;
    entry.record = static_cast<const extract::NoteRecord*>(&note);
    switch (way) {
    case 0:
        m_host->panel->showRecord(entry, extract::ScanResults{});
        QVERIFY(m_host->panel->textBox()->toPlainText().contains(QStringLiteral("Shopping")));
        break;
    case 1:
        m_host->panel->clearPreview();
        break;
    default:
        m_host->close();
        break;
    }
    QCOMPARE(page->player()->playbackState(), QMediaPlayer::StoppedState);
    QCOMPARE(page->player()->source(), QUrl());
    QTRY_VERIFY(!fileHeldOpen(file));
    // The next copy may replace the file at once.
    QVERIFY(QFile::remove(file));
}

void MediaPreviewTest::unplayableFileWithoutFallbackShowsTheMessage()
{
    m_fallbackOpens = false;
    QString message;
    whenModal([&message](CPopUpWnd* box) {
        message = box->findChild<QLabel*>(QStringLiteral("message"))->text();
        clickButton(box, "okbtn");
    });
    // A RIFF AVI header over bytes no decoder takes.
    QByteArray broken = aviBytes(1);
    broken.replace(12, broken.size() - 12, QByteArray(broken.size() - 12, '\x7f'));
    showFile(QStringLiteral("Broken.avi"), broken);
    QTRY_COMPARE_WITH_TIMEOUT(message, messageText("MSG1207"), 10000);
    QCOMPARE(m_fallbackCalls.size(), 1);
}

QTEST_MAIN(MediaPreviewTest)
#include "MediaPreviewTest.moc"
