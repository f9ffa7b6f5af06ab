#pragma once
// One live-view panel of the preview. It takes the video component's settings
// and calls (see ops/video/live_view.h), keeps a record of them, and on Start
// plays the camera's stream for its channel (control id - 3000) with a
// StreamPlayer: pictures are decoded and scaled to the panel's size on the
// player's thread and drawn here, the newest one winning. Until the first
// picture, and after the stream ended, the panel shows "无视频" / "No video"
// with the reason and the stream's address; a selected panel has a
// highlighted frame.

#include <QFrame>

#include <atomic>
#include <memory>
#include <string>

#include "ops/video/stream_player.h"
#include "ops/video/video_component.h"

namespace ostrand {

class MyVideoPanel : public QFrame, public video::VideoComponent {
    Q_OBJECT

public:
    MyVideoPanel(int controlId, QWidget* parent = nullptr);
    ~MyVideoPanel() override;

    // Every call the panel received, in order.
    const std::vector<video::VideoCall>& Calls() const { return calls_.Calls(); }
    bool Started() const { return started_; }
    bool IsSelected() const { return selected_; }
    QString Text() const;  // the text the panel shows (empty while it shows a picture)

    // The stream this panel plays (empty before Start), the picture it shows,
    // how many different pictures it drew, and why its stream ended.
    const std::string& StreamUrl() const { return url_; }
    std::shared_ptr<const video::VideoFrame> Picture() const { return picture_; }
    std::uint64_t PicturesDrawn() const { return picturesDrawn_; }
    video::StreamEnd Ended() const { return end_; }

    std::int32_t CreateEngine(std::int32_t mode) override;
    void SetVideoSize(std::int32_t width, std::int32_t height) override;
    void AttachEngine(std::int32_t engine) override;
    void SetDeviceIp(const std::string& ip) override;
    void SetDevicePort(std::int32_t port) override;
    void SetServerAddress(const std::string& address) override;
    void SetTransport(std::uint8_t transport) override;
    void SetConnectWait(std::int32_t milliseconds) override;
    void SetAccessKey(const std::string& key) override;
    void SetUserText(const std::string& text) override;
    void SetDeviceCode(const std::string& code) override;
    void SetStreamPort(const std::string& port) override;
    std::int32_t Start() override;
    std::uint8_t Select() override;
    std::uint8_t Deselect() override;
    void Stop() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    std::int32_t StreamPortNumber() const;
    void TakePicture();   // GUI thread: the player has a newer picture
    void StreamEnded(video::StreamEnd end);

    int channel_;
    video::RecordingVideoComponent calls_;
    std::string ip_;
    std::int32_t devicePort_ = 0;
    std::string streamPort_;
    std::int32_t connectWaitMs_ = 0;
    bool started_ = false;
    bool selected_ = false;

    std::string url_;
    std::shared_ptr<const video::VideoFrame> picture_;
    std::uint64_t drawnNumber_ = 0;
    std::uint64_t picturesDrawn_ = 0;
    video::StreamEnd end_ = video::StreamEnd::None;
    video::StreamEndDetail endDetail_;  // the HTTP status or Content-Type behind end_
    std::atomic<bool> picturePending_{false};  // a hand-over is queued
    std::unique_ptr<video::StreamPlayer> player_;  // last: stopped first
};

}  // namespace ostrand
