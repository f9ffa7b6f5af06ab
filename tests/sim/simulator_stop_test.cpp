// Stopping the simulator from threads other than the serving one: calls that
// need the serving thread fail at once afterwards instead of waiting for ever,
// and the serving thread is always joined.

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "sim/simulator.h"
#include "sim_test_support.h"

namespace ostrand::sim {
namespace {

using namespace std::chrono_literals;

DeviceConfig Camera(int last) {
    DeviceConfig config;
    config.address = test::AddressBlock() + std::to_string(last);
    config.kind = DeviceKind::Camera;
    return config;
}

// Waits (bounded) until `done` holds.
template <typename Predicate>
bool Eventually(Predicate done) {
    for (int i = 0; i < 500 && !done(); ++i) std::this_thread::sleep_for(10ms);
    return done();
}

TEST(SimulatorStopTest, StopFromAnotherThreadEndsRunAndLaterCallsFailAtOnce) {
    Simulator simulator;
    auto serving = std::async(std::launch::async, [&] { simulator.Run(); });
    ASSERT_TRUE(Eventually([&] { return simulator.Running(); }));
    simulator.AddDevice(Camera(11));  // handed to the serving thread

    std::thread([&] { simulator.Stop(); }).join();
    ASSERT_EQ(serving.wait_for(5s), std::future_status::ready);
    EXPECT_FALSE(simulator.Running());
    EXPECT_THROW(simulator.AddDevice(Camera(12)), SimulatorStopped);
    EXPECT_THROW(simulator.SetFaults(*simulator.Devices().Devices().front(), {}), SimulatorStopped);
    EXPECT_EQ(simulator.Devices().Size(), 1u);
}

TEST(SimulatorStopTest, StopFromTheServingThreadIsJoinedAtDestruction) {
    auto simulator = std::make_unique<Simulator>();
    simulator->Start();
    std::promise<void> stopped;
    net::post(simulator->Context(), [&] {
        simulator->Stop();
        stopped.set_value();
    });
    ASSERT_EQ(stopped.get_future().wait_for(5s), std::future_status::ready);
    EXPECT_THROW(simulator->AddDevice(Camera(13)), SimulatorStopped);
    simulator.reset();  // joins the thread that stopped itself (no std::terminate)
}

TEST(SimulatorStopTest, CallWaitingForTheServingThreadFailsWhenStopComes) {
    Simulator simulator;
    simulator.Start();
    // Holds the serving thread so the next call stays queued behind it.
    std::promise<void> release;
    auto held = release.get_future().share();
    std::promise<void> holding;
    net::post(simulator.Context(), [&, held] {
        holding.set_value();
        held.wait();
    });
    holding.get_future().wait();

    auto adding = std::async(std::launch::async, [&] { simulator.AddDevice(Camera(14)); });
    auto stopping = std::async(std::launch::async, [&] { simulator.Stop(); });
    ASSERT_TRUE(Eventually([&] { return !simulator.Running(); }));
    ASSERT_EQ(adding.wait_for(5s), std::future_status::ready);
    EXPECT_THROW(adding.get(), SimulatorStopped);
    release.set_value();
    ASSERT_EQ(stopping.wait_for(5s), std::future_status::ready);
    EXPECT_EQ(simulator.Devices().Size(), 0u);  // the abandoned call never ran
}

}  // namespace
}  // namespace ostrand::sim
