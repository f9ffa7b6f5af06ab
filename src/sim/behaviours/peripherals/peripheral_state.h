#pragma once
// What a simulated terminal knows of its peripherals (the bound temperature
// device, wireless speakers, network amplifiers) and what a simulated
// temperature device is. Read once from the fleet file's
// "state": {"peripherals": {...}} (format in docs/devsim.md), then changed by
// the commands.

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "sim/device.h"

namespace ostrand::sim {

struct TemperaIdentity {
    std::string deviceType;
    std::string model;
    std::string serial;
    std::string mac;
    std::string ip;  // what it reports; the address change rewrites it
    bool dhcp = false;
    bool answerFirst = true;   // answers the probe on 37020
    bool answerSecond = true;  // answers the probe on 60033
    int repeat = 1;            // copies of each answer
    std::string setIpRetcode = "10000";
    std::string setIpMessage;
};

struct SpeakerRow {
    std::string id;
    std::string name;  // classes: GBK; places: UTF-8, as terminals of that build send them
    std::string speakers;
    std::string classId;
    std::string className;
};

struct AmplifierEntry {
    std::string number;
    std::string state;  // "1" online
    std::string bind;   // "1" bound
    std::string ip;
};

struct NetClassEntry {
    std::string id;
    std::string name;
    std::string amplifier;
    std::string channel;
};

struct PeripheralState {
    bool loaded = false;
    std::optional<TemperaIdentity> tempera;
    std::string boundTemperaIp, boundTemperaUser, boundTemperaPassword;
    std::vector<SpeakerRow> classes;
    std::vector<SpeakerRow> places;
    std::map<int, int> volumes;  // per speaker
    int volume = 5;
    bool testAvailable = true;
    bool testOn = false;
    int testSpeaker = 0;
    bool radioBandAvailable = true;
    int radioBand = 0;
    std::vector<AmplifierEntry> amplifiers;
    std::vector<AmplifierEntry> searchable;  // what "search" finds besides the known ones
    std::vector<NetClassEntry> netClasses;
    // Faults: handtypes refused per code ("5040" -> {"1", "7"}), and an old
    // class binding that cannot be removed when a class moves.
    std::map<std::string, std::set<std::string>> refused;
    bool oldBindingStays = false;
};

// The device's state, read from the fleet file on first use; `use` runs under
// the device's state lock.
template <class Use>
decltype(auto) WithPeripherals(Device& device, Use&& use);

void LoadPeripheralState(const Device& device, PeripheralState& state);

template <class Use>
decltype(auto) WithPeripherals(Device& device, Use&& use) {
    return device.WithState<PeripheralState>([&](PeripheralState& state) -> decltype(auto) {
        if (!state.loaded) LoadPeripheralState(device, state);
        return use(state);
    });
}

// The temperature device a simulated device plays, if any.
std::optional<TemperaIdentity> TemperaOf(Device& device);

}  // namespace ostrand::sim
