#include "virtual_lan.h"

#include <fcntl.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace ostrand::testing {
namespace {

std::string LanScript() { return std::string(OSTRAND_SOURCE_DIR) + "/scripts/lan"; }

// Runs the command; its stderr is returned through `output`.
int RunCommand(const std::string& command, std::string* output) {
    char errorFile[] = "/tmp/ost-lan-errXXXXXX";
    const int fd = mkstemp(errorFile);
    if (fd >= 0) close(fd);
    const int status = std::system((command + " 2>" + errorFile).c_str());
    if (output) {
        std::ifstream in(errorFile);
        std::stringstream text;
        text << in.rdbuf();
        *output = text.str();
    }
    std::remove(errorFile);
    return status == -1 ? -1 : WEXITSTATUS(status);
}

}  // namespace

std::string VirtualLan::DeviceAddress(int k) {
    return "10.77." + std::to_string(1 + k / 250) + "." + std::to_string(1 + k % 250);
}

std::unique_ptr<VirtualLan> VirtualLan::Create(int deviceAddresses, std::string* reason) {
    static std::atomic<int> next{0};
    std::unique_ptr<VirtualLan> lan(new VirtualLan);
    lan->id_ = std::to_string(getpid()) + "-" + std::to_string(next++);
    std::string errors;
    if (geteuid() != 0) {
        if (reason) *reason = "network namespaces need root; the virtual LAN tests are skipped";
        return nullptr;
    }
    if (RunCommand(LanScript() + " up " + lan->id_ + " " + std::to_string(deviceAddresses), &errors) != 0) {
        if (reason) *reason = "cannot create the virtual LAN (network namespaces): " + errors;
        RunCommand(LanScript() + " down " + lan->id_, nullptr);
        return nullptr;
    }
    lan->pcFd_ = open(("/run/netns/ost-pc-" + lan->id_).c_str(), O_RDONLY | O_CLOEXEC);
    lan->lanFd_ = open(("/run/netns/ost-lan-" + lan->id_).c_str(), O_RDONLY | O_CLOEXEC);
    if (lan->pcFd_ < 0 || lan->lanFd_ < 0) {
        if (reason) *reason = "the virtual LAN's namespaces cannot be opened";
        return nullptr;  // the destructor removes them
    }
    return lan;
}

VirtualLan::~VirtualLan() {
    if (pcFd_ >= 0) close(pcFd_);
    if (lanFd_ >= 0) close(lanFd_);
    RunCommand(LanScript() + " down " + id_, nullptr);
}

NetnsScope::NetnsScope(int namespaceFd) {
    previous_ = open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    entered_ = previous_ >= 0 && setns(namespaceFd, CLONE_NEWNET) == 0;
}

NetnsScope::~NetnsScope() {
    if (entered_) setns(previous_, CLONE_NEWNET);
    if (previous_ >= 0) close(previous_);
}

}  // namespace ostrand::testing
