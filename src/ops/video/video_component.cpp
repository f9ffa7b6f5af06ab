#include "ops/video/video_component.h"

namespace ostrand::video {

std::int32_t RecordingVideoComponent::CreateEngine(std::int32_t mode) {
    Record(44, {mode});
    return engineHandle_;
}
void RecordingVideoComponent::SetVideoSize(std::int32_t width, std::int32_t height) { Record(1, {width, height}); }
void RecordingVideoComponent::AttachEngine(std::int32_t engine) { Record(42, {engine}); }
void RecordingVideoComponent::SetDeviceIp(const std::string& ip) { Record(2, {ip}); }
void RecordingVideoComponent::SetDevicePort(std::int32_t port) { Record(4, {port}); }
void RecordingVideoComponent::SetServerAddress(const std::string& address) { Record(11, {address}); }
void RecordingVideoComponent::SetTransport(std::uint8_t transport) { Record(14, {transport}); }
void RecordingVideoComponent::SetConnectWait(std::int32_t milliseconds) { Record(15, {milliseconds}); }
void RecordingVideoComponent::SetAccessKey(const std::string& key) { Record(43, {key}); }
void RecordingVideoComponent::SetUserText(const std::string& text) { Record(13, {text}); }
void RecordingVideoComponent::SetDeviceCode(const std::string& code) { Record(3, {code}); }
void RecordingVideoComponent::SetStreamPort(const std::string& port) { Record(9, {port}); }
std::int32_t RecordingVideoComponent::Start() {
    Record(5);
    return 0;
}
std::uint8_t RecordingVideoComponent::Select() {
    Record(29);
    return 0;
}
std::uint8_t RecordingVideoComponent::Deselect() {
    Record(30);
    return 0;
}
void RecordingVideoComponent::Stop() { Record(6); }

}  // namespace ostrand::video
