#pragma once
// What a simulated device does with one command, whichever channel brought it.
// A request that carries no parameters of its own (empty, or only the
// "result" = "10000" that GET commands send over TCP) is a read and is answered
// with the device's settings; any other request is a write whose entries are
// stored. Extra reply entries from the fleet file are added by command name and
// by decimal code.

#include <string>
#include <string_view>

#include "sim/device.h"
#include "transport/command_code.h"
#include "transport/param_map.h"

namespace ostrand::sim {

// The HTTP name of a TCP code of the name table, or "" for other codes.
std::string CommandNameForCode(CommandCode code);

// Handles one command; `name` may be empty (TCP) and `code` 0 (HTTP without a
// TCP equivalent).
ParamMap HandleCommand(Device& device, std::string_view name, CommandCode code,
                       const ParamMap& request);

}  // namespace ostrand::sim
