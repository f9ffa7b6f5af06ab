#include "ui/video/my_video_panel.h"

#include <QPainter>

#include <algorithm>
#include <charconv>

#include "ops/video/live_view.h"
#include "ops/video/stream_url.h"
#include "platform/app_state.h"

namespace ostrand {

namespace {
// Engine handles are per process; each engine instance hands out the next one.
std::int32_t NextEngineHandle() {
    static std::int32_t next = 0;
    return ++next;
}
}  // namespace

MyVideoPanel::MyVideoPanel(int controlId, QWidget* parent)
    : QFrame(parent), channel_(controlId - video::kFirstPanelId), player_(std::make_unique<video::StreamPlayer>()) {
    setObjectName(QString::number(controlId));
    setFrameShape(QFrame::Box);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(24, 24, 24));
    colours.setColor(QPalette::WindowText, QColor(200, 200, 200));
    setPalette(colours);
}

MyVideoPanel::~MyVideoPanel() {
    // The decoding thread calls back into this panel: it ends before any member goes.
    player_->Stop();
}

QString MyVideoPanel::Text() const {
    if (!started_ || picture_) return {};
    QString text = QString::fromUtf8(Tr("无视频", "No video"));
    if (const std::string reason = video::StreamEndText(end_, endDetail_); !reason.empty()) {
        text += "\n" + QString::fromStdString(reason);
    }
    return text + "\n" + QString::fromStdString(ip_) + ":" + QString::fromStdString(streamPort_);
}

std::int32_t MyVideoPanel::CreateEngine(std::int32_t mode) {
    calls_.CreateEngine(mode);
    return NextEngineHandle();
}
void MyVideoPanel::SetVideoSize(std::int32_t width, std::int32_t height) { calls_.SetVideoSize(width, height); }
void MyVideoPanel::AttachEngine(std::int32_t engine) { calls_.AttachEngine(engine); }
void MyVideoPanel::SetDeviceIp(const std::string& ip) {
    calls_.SetDeviceIp(ip);
    ip_ = ip;
}
void MyVideoPanel::SetDevicePort(std::int32_t port) {
    calls_.SetDevicePort(port);
    devicePort_ = port;
}
void MyVideoPanel::SetServerAddress(const std::string& address) { calls_.SetServerAddress(address); }
void MyVideoPanel::SetTransport(std::uint8_t transport) { calls_.SetTransport(transport); }
void MyVideoPanel::SetConnectWait(std::int32_t milliseconds) {
    calls_.SetConnectWait(milliseconds);
    connectWaitMs_ = milliseconds;
}
void MyVideoPanel::SetAccessKey(const std::string& key) { calls_.SetAccessKey(key); }
void MyVideoPanel::SetUserText(const std::string& text) { calls_.SetUserText(text); }
void MyVideoPanel::SetDeviceCode(const std::string& code) { calls_.SetDeviceCode(code); }
void MyVideoPanel::SetStreamPort(const std::string& port) {
    calls_.SetStreamPort(port);
    streamPort_ = port;
}

// The stream port as text wins; the numeric device port is the fallback.
std::int32_t MyVideoPanel::StreamPortNumber() const {
    int port = 0;
    const auto [end, error] = std::from_chars(streamPort_.data(), streamPort_.data() + streamPort_.size(), port);
    if (error == std::errc() && end == streamPort_.data() + streamPort_.size() && port > 0 && port <= 65535) {
        return port;
    }
    return devicePort_ > 0 && devicePort_ <= 65535 ? devicePort_ : video::kStreamPort;
}

std::int32_t MyVideoPanel::Start() {
    calls_.Start();
    started_ = true;
    picture_.reset();
    drawnNumber_ = 0;  // a new stream numbers its pictures from 1 again
    end_ = video::StreamEnd::None;
    url_ = video::ConfiguredStreamUrl(ip_, StreamPortNumber(), channel_);

    // The component's connect wait may lengthen the opening, never shorten it
    // below what sixteen streams starting at once need on a busy LAN.
    video::StreamBounds bounds;
    bounds.openWait = std::max(bounds.openWait, std::chrono::milliseconds(connectWaitMs_));
    player_ = std::make_unique<video::StreamPlayer>(bounds);
    video::StreamPlayer::Listener listener;
    listener.frameReady = [this] {
        // One hand-over queued at a time: the GUI takes the newest picture when it
        // gets there, and the decoder never waits for it.
        if (!picturePending_.exchange(true)) {
            QMetaObject::invokeMethod(this, &MyVideoPanel::TakePicture, Qt::QueuedConnection);
        }
    };
    listener.ended = [this](video::StreamEnd end) {
        QMetaObject::invokeMethod(this, [this, end] { StreamEnded(end); }, Qt::QueuedConnection);
    };
    player_->Start(url_, std::move(listener), width(), height());
    update();
    return 0;
}

void MyVideoPanel::TakePicture() {
    picturePending_ = false;
    if (!started_) return;
    if (auto latest = player_->LatestFrame()) {
        picture_ = std::move(latest);
        update();
    }
}

void MyVideoPanel::StreamEnded(video::StreamEnd end) {
    if (!started_ || player_->Running()) return;  // a stale report of a stream since restarted
    end_ = end;
    endDetail_ = player_->EndDetail();
    picture_.reset();  // a frozen picture would pass for live video
    update();
}

std::uint8_t MyVideoPanel::Select() {
    calls_.Select();
    selected_ = true;
    update();
    return 1;
}

std::uint8_t MyVideoPanel::Deselect() {
    calls_.Deselect();
    selected_ = false;
    update();
    return 1;
}

void MyVideoPanel::Stop() {
    calls_.Stop();
    player_->Stop();
    started_ = false;  // the panel's texts are cleared
    picture_.reset();
    end_ = video::StreamEnd::None;
    ip_.clear();
    streamPort_.clear();
    update();
}

void MyVideoPanel::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    player_->SetTargetSize(width(), height());
}

void MyVideoPanel::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    if (picture_) {
        const QImage image(picture_->pixels.data(), picture_->width, picture_->height, picture_->stride,
                           QImage::Format_RGB32);
        painter.drawImage(rect(), image);
        if (picture_->number != drawnNumber_) {
            drawnNumber_ = picture_->number;
            ++picturesDrawn_;
        }
    }
    if (selected_) {
        painter.setPen(QPen(QColor(255, 200, 0), 2));
        painter.drawRect(rect().adjusted(1, 1, -1, -1));
    }
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(rect(), Qt::AlignCenter, Text());
}

}  // namespace ostrand
