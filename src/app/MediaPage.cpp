// The in-application media player of the preview panel.
#include "app/MediaPage.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QCoreApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QUrl>
#include <QVBoxLayout>
#include <QVideoWidget>

namespace app {

namespace {

bool ffmpegBackendInstalled()
{
    const QStringList pattern{QStringLiteral("*ffmpegmediaplugin*")};
    for (const QString& folder : QCoreApplication::libraryPaths()) {
        if (!QDir(folder + QStringLiteral("/multimedia"))
                 .entryList(pattern, QDir::Files)
                 .isEmpty()) {
            return true;
        }
    }
    return false;
}

// Backups hold what iPhones record: H.264 or HEVC in QuickTime files, AAC audio, besides WAV
// and Motion-JPEG AVI. Qt 6.4's GStreamer backend decodes only what the installed GStreamer
// plugins do, and Debian's base and good sets have neither H.264 nor HEVC nor AAC; the ffmpeg
// backend decodes all of them through libavcodec. Qt reads QT_MEDIA_BACKEND once, when the
// first player is made, so it is set just before that, and only when the user has not named
// a backend and the plugin exists (a named backend that is missing leaves Qt without any).
// Answers whether it set the variable.
bool chooseFfmpegBackend()
{
    static bool asked = false;
    if (asked) {
        return false;
    }
    asked = true;
    if (!qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND") || !ffmpegBackendInstalled()) {
        return false;
    }
    return qputenv("QT_MEDIA_BACKEND", "ffmpeg");
}

} // namespace

MediaPage::MediaPage(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("MediaPage"));
    const bool backendChosen = chooseFfmpegBackend();
    m_player = new QMediaPlayer(this);
    if (backendChosen) {
        // Programs started later (the fallback player) keep the user's environment.
        qunsetenv("QT_MEDIA_BACKEND");
    }
    m_audio = new QAudioOutput(this);
    m_video = new QVideoWidget(this);
    m_video->setObjectName(QStringLiteral("VideoView"));
    m_player->setVideoOutput(m_video);
    m_name = new QLabel(this);
    m_name->setObjectName(QStringLiteral("LblMediaName"));
    m_name->setTextFormat(Qt::PlainText);
    m_name->setWordWrap(true);
    // A long file name without spaces must not widen the preview panel.
    m_name->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_button = new QPushButton(this);
    m_button->setObjectName(QStringLiteral("BtnPlay"));
    m_slider = new QSlider(Qt::Horizontal, this);
    m_slider->setObjectName(QStringLiteral("SliderPosition"));

    auto* controls = new QHBoxLayout;
    controls->addWidget(m_button);
    controls->addWidget(m_slider, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_name);
    layout->addWidget(m_video, 1);
    layout->addLayout(controls);
    layout->addStretch();

    connect(m_button, &QPushButton::clicked, this, &MediaPage::togglePlayback);
    connect(m_slider, &QSlider::sliderMoved, m_player, &QMediaPlayer::setPosition);
    connect(m_player, &QMediaPlayer::durationChanged, this, [this](qint64 duration) {
        m_slider->setRange(0, static_cast<int>(duration));
    });
    connect(m_player, &QMediaPlayer::positionChanged, this, [this](qint64 position) {
        if (!m_slider->isSliderDown()) {
            m_slider->setValue(static_cast<int>(position));
        }
        if (m_stall.isActive()) {
            m_stall.start();
        }
    });
    connect(m_player, &QMediaPlayer::playbackStateChanged, this, &MediaPage::updateButton);
    connect(m_player,
            &QMediaPlayer::mediaStatusChanged,
            this,
            [this](QMediaPlayer::MediaStatus status) { checkStatus(status); });
    m_stall.setSingleShot(true);
    m_stall.setInterval(kStallMs);
    connect(&m_stall, &QTimer::timeout, this, [this] {
        if (m_player->playbackState() == QMediaPlayer::PlayingState && !m_file.isEmpty()) {
            reportFailure();
        }
    });
    connect(m_player, &QMediaPlayer::errorOccurred, this, [this](QMediaPlayer::Error error) {
        if (error != QMediaPlayer::NoError && !m_file.isEmpty()) {
            reportFailure();
        }
    });
    updateButton();
}

MediaPage::~MediaPage()
{
    stop();
}

void MediaPage::play(const QString& file, const QString& name, bool video)
{
    m_failed = false;
    m_name->setText(name);
    m_video->setVisible(video);
    if (!m_player->isAvailable()) {
        m_file = file;
        reportFailure();
        return;
    }
    // Qt 6.4's ffmpeg backend crashes when it writes to an audio sink that could not open, so
    // sound goes out only while an audio device is listed; video then plays without it.
    const bool hasAudioDevice = !QMediaDevices::audioOutputs().isEmpty();
    if (file == m_file && m_player->source().isValid()) {
        m_player->setPosition(0);
    } else {
        m_player->stop();
        m_player->setSource(QUrl());
        if (hasAudioDevice) {
            m_audio->setDevice(QMediaDevices::defaultAudioOutput());
            m_player->setAudioOutput(m_audio);
        } else {
            m_player->setAudioOutput(nullptr);
        }
        m_file = file;
        m_slider->setRange(0, 0);
        m_player->setSource(QUrl::fromLocalFile(file));
    }
    if (!video && !hasAudioDevice) {
        reportFailure();
        return;
    }
    m_player->play();
    m_stall.start();
}

void MediaPage::stop()
{
    m_stall.stop();
    m_file.clear();
    m_player->stop();
    m_player->setSource(QUrl());
    m_slider->setRange(0, 0);
}

void MediaPage::reportFailure()
{
    if (m_failed) {
        return;
    }
    m_failed = true;
    emit failed(m_file);
}

void MediaPage::checkStatus(int status)
{
    if (m_file.isEmpty()) {
        return;
    }
    switch (status) {
    case QMediaPlayer::LoadedMedia:
    case QMediaPlayer::BufferedMedia:
        // Loaded without a single stream: nothing here can ever play.
        if (!m_player->hasAudio() && !m_player->hasVideo()) {
            reportFailure();
        }
        break;
    case QMediaPlayer::InvalidMedia:
        reportFailure();
        break;
    case QMediaPlayer::EndOfMedia:
        m_stall.stop();
        break;
    default:
        break;
    }
}

void MediaPage::togglePlayback()
{
    if (m_player->playbackState() == QMediaPlayer::PlayingState) {
        m_stall.stop();
        m_player->pause();
    } else if (!m_file.isEmpty()) {
        m_player->play();
        m_stall.start();
    }
}

void MediaPage::updateButton()
{
    const bool playing = m_player->playbackState() == QMediaPlayer::PlayingState;
    m_button->setIcon(
        style()->standardIcon(playing ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
}

} // namespace app
