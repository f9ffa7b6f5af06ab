#include "ui/video/my_video_panel.h"

#include <QPainter>

#include "platform/app_state.h"

namespace ostrand {

namespace {
// Engine handles are per process; each engine instance hands out the next one.
std::int32_t NextEngineHandle() {
    static std::int32_t next = 0;
    return ++next;
}
}  // namespace

MyVideoPanel::MyVideoPanel(int controlId, QWidget* parent) : QFrame(parent) {
    setObjectName(QString::number(controlId));
    setFrameShape(QFrame::Box);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(24, 24, 24));
    colours.setColor(QPalette::WindowText, QColor(200, 200, 200));
    setPalette(colours);
}

QString MyVideoPanel::Text() const {
    if (!started_) return {};
    return QString::fromUtf8(Tr("无视频", "No video")) + "\n" + QString::fromStdString(ip_) + ":" +
           QString::fromStdString(streamPort_);
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
void MyVideoPanel::SetDevicePort(std::int32_t port) { calls_.SetDevicePort(port); }
void MyVideoPanel::SetServerAddress(const std::string& address) { calls_.SetServerAddress(address); }
void MyVideoPanel::SetTransport(std::uint8_t transport) { calls_.SetTransport(transport); }
void MyVideoPanel::SetConnectWait(std::int32_t milliseconds) { calls_.SetConnectWait(milliseconds); }
void MyVideoPanel::SetAccessKey(const std::string& key) { calls_.SetAccessKey(key); }
void MyVideoPanel::SetUserText(const std::string& text) { calls_.SetUserText(text); }
void MyVideoPanel::SetDeviceCode(const std::string& code) { calls_.SetDeviceCode(code); }
void MyVideoPanel::SetStreamPort(const std::string& port) {
    calls_.SetStreamPort(port);
    streamPort_ = port;
}

std::int32_t MyVideoPanel::Start() {
    calls_.Start();
    started_ = true;
    update();
    return 0;
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
    started_ = false;  // the panel's texts are cleared
    ip_.clear();
    streamPort_.clear();
    update();
}

void MyVideoPanel::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    if (selected_) {
        painter.setPen(QPen(QColor(255, 200, 0), 2));
        painter.drawRect(rect().adjusted(1, 1, -1, -1));
    }
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(rect(), Qt::AlignCenter, Text());
}

}  // namespace ostrand
