// The media page of the preview panel: plays an audio or video preview file inside the
// application through Qt Multimedia, with a play/pause button, a position slider and the
// file's name.
#pragma once

#include <QString>
#include <QTimer>
#include <QWidget>

class QAudioOutput;
class QLabel;
class QMediaPlayer;
class QPushButton;
class QSlider;
class QVideoWidget;

namespace app {

class MediaPage : public QWidget
{
    Q_OBJECT

public:
    explicit MediaPage(QWidget* parent = nullptr);
    ~MediaPage() override;

    // How long playback may stand still before it counts as failed: Qt 6.4's ffmpeg backend
    // reports no error for a stream it cannot decode, it only never moves on.
    static constexpr int kStallMs = 5000;

    // Plays `file` from its start and shows `name`; `video` shows the picture area. Playing
    // the file already loaded starts it again. A missing backend, a file without any stream
    // or one the backend cannot play, a playback that stands still for kStallMs, or audio
    // without any audio device emit failed() once per call.
    void play(const QString& file, const QString& name, bool video);

    // Stops playback and empties the player's source, so that no handle to the file stays
    // open.
    void stop();

    // The file being played; empty after stop().
    const QString& file() const { return m_file; }

    QMediaPlayer* player() const { return m_player; }

    QVideoWidget* videoView() const { return m_video; }

signals:
    // Playback of `file` failed; the page has not stopped by itself.
    void failed(const QString& file);

private:
    void reportFailure();
    void checkStatus(int status);
    void togglePlayback();
    void updateButton();

    QMediaPlayer* m_player = nullptr;
    QAudioOutput* m_audio = nullptr;
    QVideoWidget* m_video = nullptr;
    QLabel* m_name = nullptr;
    QPushButton* m_button = nullptr;
    QSlider* m_slider = nullptr;
    QTimer m_stall;
    QString m_file;
    bool m_failed = false;
};

} // namespace app
