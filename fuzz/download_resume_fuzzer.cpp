// A ".dltmp" file of any content beside the download target, read back as a
// resume reads it against a probe's answer: the package size (mostly the one
// the file itself names, so that the records get read) and range support.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <filesystem>
#include <vector>

#include "fuzz/support/fuzz_check.h"
#include "fuzz/support/scratch.h"
#include "updater/download/curl_downloader.h"
#include "updater/download/segment_plan.h"
#include "updater/download/temp_trailer.h"

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  const bool rangeSupported = input.ConsumeBool();
  const bool sizeFromFile = input.ConsumeIntegralInRange(0, 7) != 0;
  std::uint32_t fileSize = sizeFromFile ? 0 : input.ConsumeIntegral<std::uint32_t>();
  const std::vector<std::uint8_t> content = input.ConsumeRemainingBytes<std::uint8_t>();
  if (sizeFromFile && content.size() >= kTrailerSizeBytes) fileSize = DecodeU32(&content[content.size() - 4]);

  static const fs::path target = fuzz::ScratchRoot() / "update.zip";
  const fs::path temp = target.string() + ".dltmp";
  fuzz::WriteFile(temp, content.data(), content.size());

  const auto plan = CurlDownloader::ReadResumePlan(target.string(), fileSize, rangeSupported);
  if (!plan) return 0;
  const auto& segments = plan->segments;
  FUZZ_CHECK(!segments.empty() && segments.size() <= kMaxSegments);
  std::uint32_t downloaded = 0;
  for (const TrailerRecord& segment : segments) {
    FUZZ_CHECK(segment.done <= segment.length);
    // A worker writes its segment's bytes there: inside the package area,
    // never over the trailer.
    FUZZ_CHECK(std::uint64_t{segment.start} + segment.length <= fileSize);
    downloaded += segment.done;
  }
  FUZZ_CHECK(plan->downloadedBytes == downloaded);
  if (!rangeSupported) {
    FUZZ_CHECK(segments.size() == 1 && segments[0].start == 0 && segments[0].length == fileSize &&
               segments[0].done == 0);
  }
  // Progress records are written and the trailer is cut counting from the end
  // of the file: the records read must be the ones found there.
  FUZZ_CHECK(fs::file_size(temp) == fileSize + TrailerBytes(segments.size()));
  return 0;
}
