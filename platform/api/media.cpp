// Reading one sample's bytes from the file its data reference resolved to.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "../Movies.h"
#include "../edit/time_math.h"
#include "../model/movie_model.h"
#include "status.h"

namespace {

constexpr SInt16 kSampleNotSync = 1;  // mediaSampleNotSync

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// Reads exactly `size` bytes at `offset` of `path` into `out`, which is grown to `size` only once
// the file is known to hold them.
OSErr ReadBytes(const std::string& path, std::uint64_t offset, std::uint32_t size, Handle out) {
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (file.get() < 0) return errno == ENOENT ? fnfErr : ioErr;
  struct stat st {};
  if (::fstat(file.get(), &st) != 0) return ioErr;
  const std::uint64_t length = std::uint64_t(st.st_size);
  if (offset > length || size > length - offset) return eofErr;
  if (out == nullptr) return noErr;
  SetHandleSize(out, Size(size));
  if (MemError() != noErr) return memFullErr;
  std::uint32_t done = 0;
  while (done < size) {
    ssize_t n = ::pread(file.get(), *out + done, size - done, off_t(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return ioErr;
    if (n == 0) return eofErr;  // the file shrank under us
    done += std::uint32_t(n);
  }
  return noErr;
}

}  // namespace

OSErr GetMediaSample(Media theMedia, Handle dataOut, long maxSizeToGrow, long* size,
                     TimeValue time, TimeValue* sampleTime, TimeValue* durationPerSample,
                     SampleDescriptionHandle sampleDescriptionH, long* sampleDescriptionIndex,
                     long maxNumberOfSamples, long* numberOfSamples, SInt16* sampleFlags) {
  (void)maxNumberOfSamples;  // one sample per call
  if (size != nullptr) *size = 0;
  if (numberOfSamples != nullptr) *numberOfSamples = 0;
  if (theMedia == nullptr) return tvx::SetMoviesError(invalidMedia);
  const tvx::SampleTable& table = theMedia->samples;
  if (time < 0 || table.sampleCount == 0 || time >= table.Duration())
    return tvx::SetMoviesError(invalidTime);

  const std::uint32_t sample = table.SampleAtTime(time);
  const std::uint32_t bytes = table.SampleSize(sample);
  const std::uint32_t descIndex = table.DescriptionIndex(sample);
  if (descIndex == 0 || descIndex > theMedia->descriptions.size())
    return tvx::SetMoviesError(invalidSampleTable);
  const tvx::SampleDescription& desc = theMedia->descriptions[descIndex - 1];
  if (maxSizeToGrow > 0 && bytes > std::uint64_t(maxSizeToGrow)) return tvx::SetMoviesError(paramErr);

  OSErr status = noErr;
  const std::uint16_t refIndex = desc.DataRefIndex();
  if (refIndex == 0 || refIndex > theMedia->dataRefs.size())
    status = invalidDataRef;
  else if (theMedia->dataRefs[refIndex - 1].resolvedPath.empty())
    status = couldNotResolveDataRef;
  else
    status = ReadBytes(theMedia->dataRefs[refIndex - 1].resolvedPath, table.SampleOffset(sample),
                       bytes, dataOut);
  if (status != noErr) {
    // Never leave bytes that could pass for this sample's.
    if (dataOut != nullptr) SetHandleSize(dataOut, 0);
    return tvx::SetMoviesError(status);
  }

  if (size != nullptr) *size = long(bytes);
  if (numberOfSamples != nullptr) *numberOfSamples = 1;
  const std::int64_t start = table.SampleTime(sample);
  if (sampleTime != nullptr) *sampleTime = tvx::FitsTimeValue(start) ? TimeValue(start) : 0;
  if (durationPerSample != nullptr) *durationPerSample = TimeValue(table.SampleDuration(sample));
  if (sampleDescriptionIndex != nullptr) *sampleDescriptionIndex = long(descIndex);
  if (sampleFlags != nullptr) *sampleFlags = table.IsSync(sample) ? 0 : kSampleNotSync;
  if (sampleDescriptionH != nullptr) {
    SetHandleSize(sampleDescriptionH, Size(desc.bytes.size()));
    if (MemError() != noErr) return tvx::SetMoviesError(memFullErr);
    if (!desc.bytes.empty()) std::memcpy(*sampleDescriptionH, desc.bytes.data(), desc.bytes.size());
  }
  return tvx::SetMoviesError(noErr);
}
