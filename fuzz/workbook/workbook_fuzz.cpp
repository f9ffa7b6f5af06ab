// Feeds arbitrary bytes to the container reader and to the workbook reader,
// both as a file and as a bare "Workbook" stream. Whatever a reader accepts
// must survive a save: the stream written from it parses again.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "workbook/container/container_file.h"
#include "workbook/biff8/sheet_reader.h"
#include "workbook/workbook_file.h"
#include "workbook/biff8/workbook_stream.h"

namespace {

// The readers take a path, so each input goes through one scratch file,
// removed when the fuzzer exits.
struct ScratchPath {
  std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("ostrand-workbook-fuzz-" + std::to_string(getpid()) + ".xls");
  ~ScratchPath() {
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
  }
};

const std::filesystem::path& ScratchFile() {
  static const ScratchPath scratch;
  return scratch.path;
}

void CheckStreamRoundTrip(const uint8_t* data, size_t size) {
  ostrand::Workbook globals;
  std::vector<ostrand::Worksheet> sheets;
  ostrand::ParsedStream parsed;
  if (!ostrand::ParseWorkbookStream(data, size, globals, sheets, parsed)) return;
  ostrand::SheetGrid grid(nullptr, 0);
  for (const auto& sheet : sheets) ostrand::FillGrid(sheet, globals.sst, grid);
  std::vector<uint8_t> written = ostrand::LayoutWorkbookStream(globals, sheets);
  ostrand::Workbook again;
  std::vector<ostrand::Worksheet> againSheets;
  if (!ostrand::ParseWorkbookStream(written.data(), written.size(), again, againSheets, parsed)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CheckStreamRoundTrip(data, size);

  const auto& path = ScratchFile();
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  {
    ostrand::ContainerFile container;
    if (container.Open(path)) {
      uint64_t streamSize = 0;
      std::vector<uint8_t> bytes;
      if (container.StreamSize(u"Workbook", streamSize) == 1 && container.ReadStream(u"Workbook", bytes) == 1 &&
          bytes.size() != streamSize) {
        std::abort();
      }
    }
  }
  ostrand::WorkbookFile book;
  if (book.Load(path)) {
    std::vector<uint8_t> stream = book.BuildStream();
    ostrand::Workbook globals;
    std::vector<ostrand::Worksheet> sheets;
    ostrand::ParsedStream parsed;
    if (!ostrand::ParseWorkbookStream(stream.data(), stream.size(), globals, sheets, parsed)) std::abort();
  }
  return 0;
}
