#pragma once
// Reboot and clock synchronisation as one device's job of a batch: the gates
// the main window runs for one device (the video-port test, then the
// kernel-upgrade query on a target of the job's own), then the operation. The
// row's text says how the device's job ended.

#include "ops/shell/device_batch.h"

namespace ostrand {

// Gate U, then "httpRestart".
BatchJobResult RebootInBatch(const BatchDevice& device);
// P80 (no traffic to a device on another port), gate U, then "setDate".
BatchJobResult SyncPcTimeInBatch(const BatchDevice& device);

// The texts a row shows while its job runs.
const char* RebootRunningText();
const char* SyncPcTimeRunningText();

}  // namespace ostrand
