#include "ops/upgrade/upgrade_file_name.h"

#include <algorithm>
#include <vector>

#include "devices/device_ports.h"
#include "platform/app_state.h"

namespace ostrand {
namespace {

constexpr std::size_t kVersionPieceSize = 8;

// Splits at "_" outside double-byte characters: a GBK trail byte may be 0x5F.
std::vector<std::string_view> SplitAtUnderscores(std::string_view name, std::size_t maxPieces) {
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    for (std::size_t i = 0; i < name.size() && pieces.size() + 1 < maxPieces; ++i) {
        const auto byte = static_cast<unsigned char>(name[i]);
        if (byte >= 0x81 && byte <= 0xFE && i + 1 < name.size()) {
            ++i;
            continue;
        }
        if (name[i] == '_') {
            pieces.push_back(name.substr(start, i - start));
            start = i + 1;
        }
    }
    pieces.push_back(name.substr(start));
    return pieces;
}

bool IsVersionPiece(std::string_view piece) {
    if (piece.size() != kVersionPieceSize) return false;
    for (std::size_t i = 0; i < piece.size(); ++i) {
        const bool dotPlace = i == 1 || i == 3;
        if (dotPlace ? piece[i] != '.' : (piece[i] < '0' || piece[i] > '9')) return false;
    }
    return true;
}

}  // namespace

std::optional<UpgradeVersions> ParseUpgradeFileName(std::string_view name, UpgradeKind kind) {
    const auto pieces = SplitAtUnderscores(name, 4);
    if (pieces.size() < 4 || !IsVersionPiece(pieces[2])) return std::nullopt;
    const std::string_view letter = pieces[3];
    const bool letterFits =
        kind == UpgradeKind::Application ? (letter == "A" || letter == "S") : letter == "F";
    if (!letterFits) return std::nullopt;
    return UpgradeVersions{std::string(pieces[0]), std::string(pieces[1]), std::string(pieces[2])};
}

const char* UpgradeNameRefusalText(UpgradeKind kind) {
    return kind == UpgradeKind::Application
               ? Tr("版本号或者长度有误", "Version or Length Error")
               : Tr("文件名，文件长度,内核版本,应用版本,以及硬件版本长度或版本有误!", "Update File Error");
}

bool IsLegacyFirmware(std::int32_t commandPort, std::string_view versionText) {
    if (commandPort != kVideoCommandPort) return false;
    const std::string_view tail =
        versionText.size() > kVersionPieceSize ? versionText.substr(versionText.size() - kVersionPieceSize)
                                               : versionText;
    // Unsigned byte order, as the devices compare their version texts.
    return std::lexicographical_compare(
        tail.begin(), tail.end(), kFirstCurrentVersion.begin(), kFirstCurrentVersion.end(),
        [](char a, char b) { return static_cast<unsigned char>(a) < static_cast<unsigned char>(b); });
}

std::string KernelFlagText(std::string_view applicationVersion) {
    return std::string(kKernelFlagToken) + "-" + std::string(applicationVersion);
}

}  // namespace ostrand
