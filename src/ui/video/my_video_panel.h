#pragma once
// One live-view panel of the preview. It takes the video component's settings
// and calls (see ops/video/live_view.h) and draws its state. No stream player
// is attached yet, so a started panel shows "无视频" / "No video" with the
// stream it was given; a selected panel has a highlighted frame.

#include <QFrame>

#include <string>

#include "ops/video/video_component.h"

namespace ostrand {

class MyVideoPanel : public QFrame, public video::VideoComponent {
    Q_OBJECT

public:
    MyVideoPanel(int controlId, QWidget* parent = nullptr);

    // Every call the panel received, in order.
    const std::vector<video::VideoCall>& Calls() const { return calls_.Calls(); }
    bool Started() const { return started_; }
    bool IsSelected() const { return selected_; }
    QString Text() const;  // what the panel shows

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

private:
    video::RecordingVideoComponent calls_;
    std::string ip_;
    std::string streamPort_;
    bool started_ = false;
    bool selected_ = false;
};

}  // namespace ostrand
