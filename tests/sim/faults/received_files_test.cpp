// A device keeps only its latest received files, so a simulator that serves
// uploads for hours stays the same size; the files kept are the newest, in
// the order they arrived, whichever channel brought them.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "sim/device.h"

namespace ostrand::sim {
namespace {

TEST(ReceivedFilesTest, OnlyTheNewestFilesAreKeptInOrder) {
    struct Case {
        std::size_t kept;  // as configured
        std::size_t uploads;
        bool images;  // every third file arrives as tagged image chunks
    };
    const Case cases[] = {{64, 1, false}, {64, 64, false}, {64, 65, false}, {64, 323, true},
                          {1, 5, true},   {0, 3, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.kept) + " kept of " + std::to_string(c.uploads));
        DeviceConfig config;
        config.address = "127.0.0.9";
        config.keptReceivedFiles = c.kept;
        EXPECT_EQ(DeviceConfig{}.keptReceivedFiles, 64u);
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
        const std::size_t expected = std::min(c.uploads, std::max<std::size_t>(c.kept, 1));  // 0 keeps one
        ASSERT_EQ(files.size(), expected);
        for (std::size_t k = 0; k < expected; ++k) {
            EXPECT_EQ(files[k].name, "f" + std::to_string(c.uploads - expected + k));
        }
        EXPECT_TRUE(files.back().complete);
    }
}

}  // namespace
}  // namespace ostrand::sim
