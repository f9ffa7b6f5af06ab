#include "fleet_suite.h"

#include <unistd.h>

#include <fstream>

#include "../sim/sim_test_support.h"

namespace ostrand::cli::test {

ProcessResult RunCli(std::vector<std::string> arguments, std::chrono::milliseconds limit,
                     const std::string& workingDirectory) {
    arguments.insert(arguments.begin(), OSTRAND_CLI_PATH);
    return RunProcess(arguments, limit, workingDirectory);
}


SimulatedFleet::SimulatedFleet(const std::string& name)
    : dir_(std::filesystem::path(testing::TempDir()) / (name + "_" + std::to_string(getpid()))) {
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
}

SimulatedFleet::~SimulatedFleet() {
    simulator_.reset();
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

bool SimulatedFleet::Start(const nlohmann::json& fleet) {
    std::ofstream(dir_ / "fleet.json") << fleet.dump(2);
    simulator_ = StartFleet(dir_, ready_);
    return ready_;
}

std::string SimulatedFleet::Log() const {
    return sim::test::FileBytes(dir_ / "devsim.log") + sim::test::FileBytes(dir_ / "devsim.log.err");
}

}  // namespace ostrand::cli::test
