#pragma once
// The video component one live-view panel hosts. The preview gives every
// panel the same settings in the same order (see live_view.h); what the
// component does with them (connect, decode, draw) is its own business.
// Each call carries its dispatch number, so a recording of the calls shows
// order, argument types and values exactly.

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace ostrand::video {

class VideoComponent {
public:
    virtual ~VideoComponent() = default;

    virtual std::int32_t CreateEngine(std::int32_t mode) = 0;            // 44
    virtual void SetVideoSize(std::int32_t width, std::int32_t height) = 0;  // 1
    virtual void AttachEngine(std::int32_t engine) = 0;                  // 42
    virtual void SetDeviceIp(const std::string& ip) = 0;                 // 2
    virtual void SetDevicePort(std::int32_t port) = 0;                   // 4
    virtual void SetServerAddress(const std::string& address) = 0;      // 11
    virtual void SetTransport(std::uint8_t transport) = 0;               // 14
    virtual void SetConnectWait(std::int32_t milliseconds) = 0;          // 15
    virtual void SetAccessKey(const std::string& key) = 0;               // 43
    virtual void SetUserText(const std::string& text) = 0;               // 13
    virtual void SetDeviceCode(const std::string& code) = 0;             // 3
    virtual void SetStreamPort(const std::string& port) = 0;             // 9
    virtual std::int32_t Start() = 0;                                    // 5
    virtual std::uint8_t Select() = 0;                                   // 29
    virtual std::uint8_t Deselect() = 0;                                 // 30
    virtual void Stop() = 0;                                             // 6
};

// One call as a recording keeps it: the dispatch number and its arguments.
using VideoArg = std::variant<std::int32_t, std::uint8_t, std::string>;
struct VideoCall {
    int dispatchId = 0;
    std::vector<VideoArg> args;

    friend bool operator==(const VideoCall&, const VideoCall&) = default;
};

// Keeps every call; CreateEngine answers with a fixed handle.
class RecordingVideoComponent : public VideoComponent {
public:
    explicit RecordingVideoComponent(std::int32_t engineHandle = 7) : engineHandle_(engineHandle) {}

    const std::vector<VideoCall>& Calls() const { return calls_; }

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

private:
    void Record(int id, std::vector<VideoArg> args = {}) { calls_.push_back({id, std::move(args)}); }

    std::int32_t engineHandle_;
    std::vector<VideoCall> calls_;
};

}  // namespace ostrand::video
