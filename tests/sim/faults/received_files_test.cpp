// A device keeps only its latest received files, so a simulator that serves
// uploads for hours stays the same size; the files kept are the newest, in
// the order they arrived, whichever channel brought them.

#include <gtest/gtest.h>

#include <string>

#include "sim/device.h"

namespace ostrand::sim {
namespace {

TEST(ReceivedFilesTest, OnlyTheNewestFilesAreKeptInOrder) {
    constexpr std::size_t kKept = Device::kKeptReceivedFiles;
    struct Case {
        std::size_t uploads;
        bool images;  // every third file arrives as tagged image chunks
    };
    for (const Case c : {Case{1, false}, Case{kKept, false}, Case{kKept + 1, false}, Case{5 * kKept + 3, true}}) {
        SCOPED_TRACE(c.uploads);
        DeviceConfig config;
        config.address = "127.0.0.9";
        Device device(config);
        for (std::size_t i = 0; i < c.uploads; ++i) {
            const std::string name = "f" + std::to_string(i);
            if (c.images && i % 3 == 0) {
                const std::string tag = "tag" + std::to_string(i) + "xxxx";
                device.AddImageChunk(tag.substr(0, 8), name, "part", false);
                device.AddImageChunk(tag.substr(0, 8), name, "end", true);
            } else {
                device.AddReceivedFile({"http", name, "bytes", true});
            }
        }
        const auto files = device.ReceivedFiles();
        const std::size_t expected = std::min(c.uploads, kKept);
        ASSERT_EQ(files.size(), expected);
        for (std::size_t k = 0; k < expected; ++k) {
            EXPECT_EQ(files[k].name, "f" + std::to_string(c.uploads - expected + k));
        }
        EXPECT_TRUE(files.back().complete);
    }
}

}  // namespace
}  // namespace ostrand::sim
