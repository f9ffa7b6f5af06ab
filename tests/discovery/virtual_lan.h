#pragma once
// A private virtual LAN for one test (scripts/lan up/down): the PC namespace
// and the device namespace joined by a veth pair. A thread enters either
// namespace with NetnsScope; sockets keep the namespace they were opened in.

#include <memory>
#include <string>
#include <vector>

namespace ostrand::testing {

class VirtualLan {
public:
    // nullptr with the reason when namespaces cannot be created here.
    static std::unique_ptr<VirtualLan> Create(int deviceAddresses, std::string* reason);
    ~VirtualLan();
    VirtualLan(const VirtualLan&) = delete;
    VirtualLan& operator=(const VirtualLan&) = delete;

    int PcNamespace() const { return pcFd_; }
    int LanNamespace() const { return lanFd_; }
    static std::string PcAddress() { return "10.77.0.1"; }
    // Address of the k-th device (0-based), as scripts/lan assigns them.
    static std::string DeviceAddress(int k);
    // Address of the k-th device (0-based, below 250) on a subnet other than
    // the PC's: 192.168.77.(k + 1).
    static std::string OtherSubnetAddress(int k) { return "192.168.77." + std::to_string(k + 1); }

private:
    VirtualLan() = default;
    std::string id_;
    int pcFd_ = -1;
    int lanFd_ = -1;
};

// Moves the calling thread into a network namespace until destroyed.
class NetnsScope {
public:
    explicit NetnsScope(int namespaceFd);
    ~NetnsScope();
    NetnsScope(const NetnsScope&) = delete;
    NetnsScope& operator=(const NetnsScope&) = delete;
    bool Entered() const { return entered_; }

private:
    int previous_ = -1;
    bool entered_ = false;
};

}  // namespace ostrand::testing
