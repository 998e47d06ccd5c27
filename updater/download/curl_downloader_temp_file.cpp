// The temporary file: its creation with the trailer, the progress records,
// the resume with its checks (and the fresh start when the file cannot be
// trusted), and the final cut and rename.

#include <vector>

#include "platform/clock.h"
#include "platform/shared_file.h"
#include "updater/download/backup_name.h"
#include "updater/download/curl_downloader.h"
#include "updater/download/curl_log.h"
#include "updater/download/segment_plan.h"
#include "updater/download/temp_trailer.h"

using platform::FileDisposition;
using platform::SharedFile;

namespace {

// fopen's "rb+": reading and writing, shared for both.
platform::Result<SharedFile> OpenForUpdate(const std::string& path) {
  return SharedFile::Open(path, platform::kAccessRead | platform::kAccessWrite,
                          platform::kShareRead | platform::kShareWrite, FileDisposition::kOpenExisting);
}

platform::Result<SharedFile> OpenExclusive(const std::string& path, FileDisposition disposition) {
  return SharedFile::Open(path, platform::kAccessRead | platform::kAccessWrite, platform::kShareNone,
                          disposition);
}

}  // namespace

void CurlDownloader::CloseTempFile() {
  if (!tmpFile_) return;
  if (auto closed = tmpFile_->Close(); !closed) {
    CURL_LOG("FinalProc", "CurlDownloader Obj Ptr: 0X%p, fclose Fail, GetLastError:%d",
             static_cast<void*>(this), closed.error().code);
  }
  tmpFile_.reset();
}

bool CurlDownloader::CreateTempFile() {
  const std::uint32_t size = fileSize_;
  const std::uint64_t trailer = TrailerBytes(segments_.size());
  {
    auto created = OpenExclusive(TempPath(), FileDisposition::kCreateAlways);
    if (!created) {
      CURL_LOG("Start", "CurlDownloader Obj Ptr: 0X%p, 临时文件创建失败, lastErrorCode=%d",
               static_cast<void*>(this), created.error().code);
      return false;
    }
    // A growth that did not happen shows up when the size is written.
    created->SetSize(size + trailer);
  }
  auto opened = OpenForUpdate(TempPath());
  if (!opened) {
    CURL_LOG("Start", "CurlDownloader Obj Ptr: 0X%p, 临时文件打开失败, lastErrorCode=%d",
             static_cast<void*>(this), opened.error().code);
    return false;
  }

  platform::Status written;
  {
    std::lock_guard guard(lock_);
    tmpFile_ = std::make_unique<SharedFile>(std::move(*opened));
    auto length = tmpFile_->Size();
    if (!length || *length < trailer) {
      written = platform::Error{length ? 0 : length.error().code, "temporary file not grown"};
    } else {
      tmpLength_ = *length;
      const auto encodedSize = EncodeU32(size);
      written = tmpFile_->WriteAt(*length - kTrailerSizeBytes, encodedSize.data(), encodedSize.size());
      for (std::size_t i = 0; written && i < segments_.size(); ++i) {
        const Segment& segment = *segments_[i];
        const auto record = EncodeRecord({segment.start, segment.length, 0});
        written = tmpFile_->WriteAt(*length - trailer + i * kTrailerRecordBytes, record.data(),
                                    record.size());
      }
    }
  }
  if (!written) {
    CURL_LOG("Start", "CurlDownloader Obj Ptr: 0X%p, 临时信息初始化写入失败, lastErrorCode=%d",
             static_cast<void*>(this), written.error().code);
    Pause();
    FinalProc();
    return false;
  }
  return true;
}

void CurlDownloader::SaveProgress(int index) {
  if (!tmpFile_) return;
  const std::uint64_t fromEnd = TrailerBytes(segments_.size()) - std::uint64_t{kTrailerRecordBytes} * index;
  if (tmpLength_ < fromEnd) return;
  Segment& segment = *segments_[index];
  const auto record = EncodeRecord({segment.start, segment.length, segment.done});
  // Written straight to the operating system, after the bytes it counts: the
  // record never runs ahead of the data, even when the process dies here.
  tmpFile_->WriteAt(tmpLength_ - fromEnd, record.data(), record.size());
  segment.recordedAt = std::chrono::steady_clock::now();
}

bool CurlDownloader::ContinueDownloadByTmpFile() {
  auto opened = OpenForUpdate(TempPath());
  if (!opened) return RestartAfterTempProblem();
  {
    std::lock_guard guard(lock_);
    tmpFile_ = std::make_unique<SharedFile>(std::move(*opened));
  }
  if (!DownloadInit()) {
    // The server cannot be reached now; the file is still good for a later run.
    std::lock_guard guard(lock_);
    CloseTempFile();
    return false;
  }
  if (!ResumeFromTrailer()) return RestartAfterTempProblem();

  CURL_LOG("ContinueDownloadByTmpFile", "CurlDownloader Obj Ptr: 0X%p, 断点续传开始，上一次已下载百分比%f%%",
           static_cast<void*>(this), downloadedBytes_.load() * 100.0 / fileSize_.load());
  for (int i = 0; i < static_cast<int>(segments_.size()); ++i) {
    if (segments_[i]->complete()) continue;
    if (!StartWorker(i)) {
      Pause();
      std::lock_guard guard(lock_);
      CloseTempFile();
      return false;
    }
  }
  return true;
}

bool CurlDownloader::ResumeFromTrailer() {
  auto length = tmpFile_->Size();
  unsigned char sizeBytes[kTrailerSizeBytes];
  if (!length || *length < kTrailerSizeBytes ||
      !tmpFile_->ReadAt(*length - kTrailerSizeBytes, sizeBytes, sizeof sizeBytes)) {
    return false;
  }
  {
    std::lock_guard guard(lock_);
    tmpLength_ = *length;
  }
  const std::uint32_t storedSize = DecodeU32(sizeBytes);
  if (storedSize != fileSize_ || *length < std::uint64_t{storedSize} + kTrailerSizeBytes) {
    return false;
  }
  // A trailer without one whole record could never finish; one with more
  // records than the engine ever writes is damaged, and every record would
  // cost a thread and a connection.
  const std::uint64_t records = (*length - storedSize - kTrailerSizeBytes) / kTrailerRecordBytes;
  if (records == 0 || records > kMaxSegments) return false;
  // Records are rewritten and the trailer cut counting from the end of the
  // file: with bytes to spare they would land beside the ones read, and the
  // spare bytes would stay in the package.
  if ((*length - storedSize - kTrailerSizeBytes) % kTrailerRecordBytes != 0) return false;
  return LoadSegmentsFromTrailer(storedSize, *length);
}

std::optional<CurlDownloader::ResumePlan> CurlDownloader::ReadResumePlan(const std::string& targetPath,
                                                                         std::uint32_t fileSize,
                                                                         bool rangeSupported) {
  CurlDownloader engine;
  engine.targetPath_ = targetPath;
  engine.fileSize_ = fileSize;
  engine.rangeSupported_ = rangeSupported;
  auto opened = OpenForUpdate(engine.TempPath());
  if (!opened) return std::nullopt;
  {
    std::lock_guard guard(engine.lock_);
    engine.tmpFile_ = std::make_unique<SharedFile>(std::move(*opened));
  }
  if (!engine.ResumeFromTrailer()) return std::nullopt;
  ResumePlan plan;
  for (const auto& segment : engine.segments_) plan.segments.push_back({segment->start, segment->length, segment->done});
  plan.downloadedBytes = engine.downloadedBytes_;
  return plan;
}

bool CurlDownloader::LoadSegmentsFromTrailer(std::uint32_t storedSize, std::uint64_t fileLength) {
  std::uint32_t count =
      static_cast<std::uint32_t>((fileLength - storedSize - kTrailerSizeBytes) / kTrailerRecordBytes);
  downloadedBytes_ = 0;
  std::lock_guard guard(lock_);

  if (!rangeSupported_) {
    CURL_LOG("ContinueDownloadByTmpFile", "CurlDownloader Obj Ptr: 0X%p, 单线程不支持断点续传，直接重新开始",
             static_cast<void*>(this));
    if (count != 1) {
      // Records of a ranged run cannot be continued without ranges: lay the
      // trailer out again for one segment from the first byte.
      const auto record = EncodeRecord({0, storedSize, 0});
      const auto sizeBytes = EncodeU32(storedSize);
      if (!tmpFile_->SetSize(std::uint64_t{storedSize} + TrailerBytes(1)) ||
          !tmpFile_->WriteAt(storedSize, record.data(), record.size()) ||
          !tmpFile_->WriteAt(std::uint64_t{storedSize} + kTrailerRecordBytes, sizeBytes.data(),
                             sizeBytes.size())) {
        return false;
      }
      tmpLength_ = std::uint64_t{storedSize} + TrailerBytes(1);
      count = 1;
    }
  }

  std::vector<unsigned char> records(std::size_t{count} * kTrailerRecordBytes);
  if (rangeSupported_ && !tmpFile_->ReadAt(storedSize, records.data(), records.size())) return false;

  std::uint64_t previousEnd = 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    TrailerRecord record{0, storedSize, 0};
    bool trusted = previousEnd == 0;
    if (rangeSupported_) {
      record = DecodeRecord(records.data() + std::size_t{i} * kTrailerRecordBytes);
      trusted = RecordIsTrusted(record, storedSize, i, previousEnd);
    }
    if (!trusted) {
      CURL_LOG("ContinueDownloadByTmpFile",
               "CurlDownloader Obj Ptr: 0X%p, 断点续传第%d块信息有误，从新下载此块数据",
               static_cast<void*>(this), static_cast<int>(i));
      const PlannedRange range = EvenSplitRange(storedSize, count, i);
      record = {range.start, range.length, 0};
    }
    auto segment = std::make_unique<Segment>();
    segment->start = record.start;
    segment->length = record.length;
    segment->done = record.done;
    downloadedBytes_ += record.done;
    previousEnd = std::uint64_t{record.start} + record.length;
    segments_.push_back(std::move(segment));
  }
  return true;
}

bool CurlDownloader::RestartAfterTempProblem() {
  CURL_LOG("ContinueDownloadByTmpFile", "CurlDownloader Obj Ptr: 0X%p, 临时文件有问题，重新开始下载",
           static_cast<void*>(this));
  {
    std::lock_guard guard(lock_);
    CloseTempFile();
    segments_.clear();
  }
  const std::string tmpPath = TempPath();
  if (platform::FileExists(tmpPath) && !platform::DeleteSharedFile(tmpPath)) {
    targetPath_ = NextBackupName(targetPath_);
    CURL_LOG("ContinueDownloadByTmpFile",
             "CurlDownloader Obj Ptr: 0X%p, 临时文件被占用无法删除，更改下载目标文件名为%s",
             static_cast<void*>(this), targetPath_.c_str());
  }
  return Start(url_, targetPath_);
}

bool CurlDownloader::FinalProc() {
  bool stopped = false;
  const bool complete = IsFinished(&stopped);
  if (!stopped) return false;
  std::size_t records = 0;
  {
    std::lock_guard guard(lock_);
    CloseTempFile();
    records = segments_.size();
  }
  if (!complete) return false;

  std::string finishedPath = TempPath();
  auto file = OpenExclusive(finishedPath, FileDisposition::kOpenExisting);
  if (!file && platform::IsSharingViolation(file.error())) {
    CURL_LOG("FinalProc", "CurlDownloader Obj Ptr: 0X%p, 临时文件被占用，拷贝之!", static_cast<void*>(this));
    const std::string copy = finishedPath + ".bk";
    if (auto copied = platform::CopySharedFile(finishedPath, copy, true); copied) {
      CURL_LOG("FinalProc", "CurlDownloader Obj Ptr: 0X%p, 临时文件拷贝成功!", static_cast<void*>(this));
      finishedPath = copy;
      file = OpenExclusive(finishedPath, FileDisposition::kOpenExisting);
    } else {
      CURL_LOG("FinalProc", "CurlDownloader Obj Ptr: 0X%p, 临时文件被占用，拷贝失败, GetLastError:%d",
               static_cast<void*>(this), copied.error().code);
    }
  }
  if (!file) {
    CURL_LOG("FinalProc", "CurlDownloader Obj Ptr: 0X%p, CreateFileA Fail, GetLastError:%d",
             static_cast<void*>(this), file.error().code);
    return false;
  }
  const std::uint64_t trailer = TrailerBytes(records);
  auto length = file->Size();
  if (!length || *length < trailer) {
    CURL_LOG("FinalProc", "CurlDownloader Obj Ptr: 0X%p, SetFilePointer Fail, GetLastError:%d",
             static_cast<void*>(this), length ? 0 : length.error().code);
    return false;
  }
  if (auto cut = file->SetSize(*length - trailer); !cut) {
    CURL_LOG("FinalProc", "CurlDownloader Obj Ptr: 0X%p, SetEndOfFile Fail, GetLastError:%d",
             static_cast<void*>(this), cut.error().code);
    return false;
  }
  file->Close();

  if (auto restored = WithoutBackupSuffix(targetPath_)) {
    targetPath_ = *restored;
    CURL_LOG("FinalProc",
             "CurlDownloader Obj Ptr: 0X%p, 下载目标文件名曾因断点续传时临时文件被占用而更改过，现在还原为%s",
             static_cast<void*>(this), targetPath_.c_str());
  }
  if (auto renamed = platform::RenameSharedFile(finishedPath, targetPath_); !renamed) {
    CURL_LOG("FinalProc", "CurlDownloader Obj Ptr: 0X%p, rename Fail, GetLastError:%d",
             static_cast<void*>(this), renamed.error().code);
    return false;
  }
  return true;
}
