#pragma once
// A 20 MB settings file shaped like one that grew out of hand: a [common]
// section, tens of thousands of filler sections of short keys, and the fifty
// manual device sections at the very end, where every lookup must reach.
// "Compat" is missing, so the first start-up writes it back.
// Shared by the start-up test and the settings benchmark.

#include <cstdint>
#include <string>

#include "platform/profile.h"

namespace ostrand::test {

inline constexpr std::size_t kLargeSettingsBytes = 20u * 1024 * 1024;

inline std::string LargeSettingsText() {
    std::string text = "[common]\r\nConnTimeout=5\r\nSimpleScan=0\r\nScanTimeOut=0\r\n";
    std::string devices;
    for (int n = 0; n < 50; ++n) {
        const std::string i = std::to_string(n);
        devices += "[Dev" + i + "]\r\nIP=10.0." + i + ".1\r\nPort=60005\r\nAttType=1\r\nVer=2.0." + i +
                   "\r\nDevNo=D" + i + "\r\n";
    }
    for (std::uint32_t section = 0; text.size() + devices.size() < kLargeSettingsBytes; ++section) {
        text += "[Filler" + std::to_string(section) + "]\r\n";
        for (int key = 0; key < 40; ++key) text += "k" + std::to_string(key) + "=1\r\n";
    }
    return text + devices;
}

// The settings reads of the main window's start-up: the two global values,
// the scan flags, then the manual device entries until the first empty IP.
// Returns how many device entries were found.
inline int StartupSettingsReads() {
    ReadIniInt(3, "ConnTimeout");
    ReadIniInt(0, "Compat");
    ReadIniInt(0, "SimpleScan");
    int devices = 0;
    for (int n = 0; n < 50; ++n) {
        const std::string section = "Dev" + std::to_string(n);
        if (ReadIniString("IP", "", "", section).empty()) break;
        ReadIniInt(60005, "Port", "", section);
        ReadIniInt(1, "AttType", "", section);
        ReadIniString("Ver", "", "", section);
        ReadIniString("DevNo", "", "", section);
        ++devices;
    }
    return devices;
}

}  // namespace ostrand::test
