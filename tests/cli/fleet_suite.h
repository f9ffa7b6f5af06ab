#pragma once
// The fixture of the suites that run ostrand-cli against one simulated fleet
// for the whole suite: a directory of the suite's own, ostrand-devsim serving
// the suite's fleet from it, every test refused (with the simulator's log)
// when the fleet is not up, and all of it stopped and removed at the end.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <memory>
#include <string>

#include "process.h"

namespace ostrand::cli::test {

// ostrand-cli with these arguments, run as RunProcess runs a program.
ProcessResult RunCli(std::vector<std::string> arguments,
                     std::chrono::milliseconds limit = std::chrono::seconds(30),
                     const std::string& workingDirectory = {});


// DIR/fleet.json served by ostrand-devsim (StartFleet); the destructor stops
// the simulator and removes DIR.
class SimulatedFleet {
public:
    // DIR is TempDir()/NAME_PID, made fresh and empty.
    explicit SimulatedFleet(const std::string& name);
    ~SimulatedFleet();
    SimulatedFleet(const SimulatedFleet&) = delete;
    SimulatedFleet& operator=(const SimulatedFleet&) = delete;

    const std::filesystem::path& Dir() const { return dir_; }
    // Writes the fleet and starts the simulator on it; tells whether every
    // device listens.
    bool Start(const nlohmann::json& fleet);
    bool Ready() const { return ready_; }
    // What the simulator wrote, for a failure message.
    std::string Log() const;

private:
    std::filesystem::path dir_;
    std::unique_ptr<BackgroundProcess> simulator_;
    bool ready_ = false;
};

// The suite's SetUpTestSuite calls OpenFleet, writes any files its devices
// serve into dir_, then ServeFleet. Suite is the deriving fixture, so that
// each suite has statics of its own.
template <class Suite>
class FleetSuite : public testing::Test {
protected:
    static void OpenFleet(const std::string& name) {
        block_ = ProcessAddressBlock();
        fleet_ = std::make_unique<SimulatedFleet>(name);
        dir_ = fleet_->Dir();
    }
    static void ServeFleet(const nlohmann::json& fleet) { fleet_->Start(fleet); }
    static void TearDownTestSuite() { fleet_.reset(); }
    void SetUp() override { ASSERT_TRUE(fleet_ && fleet_->Ready()) << (fleet_ ? fleet_->Log() : std::string()); }

    // "127.A.B." of this process (ProcessAddressBlock) and the suite's directory.
    static inline std::string block_;
    static inline std::filesystem::path dir_;

private:
    static inline std::unique_ptr<SimulatedFleet> fleet_;
};

}  // namespace ostrand::cli::test
