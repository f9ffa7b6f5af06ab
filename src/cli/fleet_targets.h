#pragma once
// TEMPORARY: see legacy_cli.h.
#include "cli/cli_common.h"
