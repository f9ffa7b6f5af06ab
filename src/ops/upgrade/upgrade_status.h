#pragma once
// The steps an upgrade row goes through and the texts its status cell shows.
// Texts are UTF-8 in the language in force when the step is written.

#include <cstdint>
#include <string>

#include "ops/upgrade/upgrade_file_name.h"

namespace ostrand {

enum class RowPhase : std::uint8_t { Idle, Running, Succeeded, Failed };

enum class UpgradeStep : std::uint8_t {
    Connecting,
    KernelBusy,
    CheckUnreachable,     // "checkallversion" could not be carried out
    HardwareMismatch,     // checkresult 3
    KernelMismatch,       // checkresult 2
    ApplicationTooOld,    // checkresult 1
    TcpUploading,         // header accepted, packets on their way
    TcpUploadSucceeded,   // application over TCP
    HttpUploadSucceeded,  // application over HTTP
    UploadFailed,
    AnnounceUnreachable,  // "UpdateKernel" could not be carried out
    AnnounceWrong,        // InfErr
    KernelTooOld,         // VerOld
    NoMemory,             // ClnErr
    ImageUploading,
    KernelWriting,
    KernelTcpDone,
    KernelWriteDone,
    FlashProblem,
    FileUnreadable,  // the image could not be read
    BadUploadName,   // the file name cannot travel in a request target
    WorkerFailed,    // an unexpected failure ended the worker
};

// The step's text for the kind, in the current language.
std::string UpgradeStepText(UpgradeStep step, UpgradeKind kind);

// What a row ends with when the step is its last one.
RowPhase FinalPhaseOf(UpgradeStep step);

}  // namespace ostrand
