#include "movie_file_reader.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "../io/atom_header.h"
#include "../io/huge_pages.h"
#include "data_ref_resolver.h"
#include "fragment_parser.h"
#include "movie_atom_parser.h"
#include "track_parser.h"

namespace tvx {

namespace {

constexpr OSType kFtyp = FOUR_CHAR_CODE("ftyp");
constexpr OSType kMoov = FOUR_CHAR_CODE("moov");
constexpr OSType kMoof = FOUR_CHAR_CODE("moof");
constexpr OSType kQuickTimeBrand = FOUR_CHAR_CODE("qt  ");

struct TopLevelAtom {
  std::uint64_t offset = 0;
  AtomHeader header;
};

struct FileLayout {
  bool haveFtyp = false;
  OSType brand = 0;
  bool haveMovie = false;
  TopLevelAtom movie;
};

OSErr ReadAt(int fd, std::uint64_t offset, void* buffer, std::size_t size, std::size_t* got) {
  *got = 0;
  auto* p = static_cast<std::uint8_t*>(buffer);
  while (*got < size) {
    ssize_t n = ::pread(fd, p + *got, size - *got, off_t(offset + *got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return ioErr;
    if (n == 0) break;
    *got += std::size_t(n);
  }
  return noErr;
}

// Reads top-level atom headers through a read-ahead window, so a file of many small atoms
// costs one read per 64 KiB rather than one per atom.
class TopLevelWalker {
 public:
  TopLevelWalker(int fd, std::uint64_t fileSize, std::uint64_t start)
      : fd_(fd), fileSize_(fileSize), offset_(start) {}

  /// The next atom, or false at the end of the atoms (end of file, or bytes that are no atom:
  /// `type` then holds what the size was followed by). A read failure sets *err.
  bool Next(TopLevelAtom* atom, OSType* type, const std::uint8_t** head, OSErr* err) {
    *type = 0;
    if (offset_ > fileSize_ || fileSize_ - offset_ < 8) return false;
    const std::size_t wanted = std::size_t(std::min<std::uint64_t>(32, fileSize_ - offset_));
    if (offset_ < windowStart_ || offset_ + wanted > windowStart_ + windowSize_) {
      if ((*err = ReadAt(fd_, offset_, window_, sizeof window_, &windowSize_))) return false;
      windowStart_ = offset_;
    }
    const std::size_t available = std::size_t(windowStart_ + windowSize_ - offset_);
    if (available < 8) return false;  // the file shrank under us
    const std::uint8_t* p = window_ + (offset_ - windowStart_);
    *type = OSType(p[4]) << 24 | OSType(p[5]) << 16 | OSType(p[6]) << 8 | p[7];
    atom->offset = offset_;
    if (DecodeAtomHeader(p, available, fileSize_ - offset_, &atom->header) != noErr) return false;
    *head = p;
    offset_ += atom->header.size;
    return true;
  }

 private:
  int fd_;
  std::uint64_t fileSize_;
  std::uint64_t offset_;
  std::uint8_t window_[64 * 1024];
  std::uint64_t windowStart_ = 0;
  std::size_t windowSize_ = 0;
};

// Finds 'ftyp' and the first 'moov'. The walk stops quietly at anything that is not an atom: an
// MP3 or trailing garbage. A movie atom that runs past the end of the file is a cut file.
OSErr ScanFile(int fd, std::uint64_t fileSize, FileLayout* layout) {
  auto walker = std::make_unique<TopLevelWalker>(fd, fileSize, 0);
  TopLevelAtom atom;
  OSType type = 0;
  const std::uint8_t* head = nullptr;
  OSErr err = noErr;
  while (walker->Next(&atom, &type, &head, &err)) {
    const AtomHeader& h = atom.header;
    if (h.type == kFtyp && !layout->haveFtyp) {
      layout->haveFtyp = true;
      if (h.PayloadSize() >= 4 && h.headerSize + 4 <= 32) {
        const std::uint8_t* b = head + h.headerSize;
        layout->brand = OSType(b[0]) << 24 | OSType(b[1]) << 16 | OSType(b[2]) << 8 | b[3];
      }
    } else if (h.type == kMoov) {
      layout->haveMovie = true;
      layout->movie = atom;
      return noErr;
    }
  }
  if (err) return err;
  return type == kMoov ? eofErr : noErr;
}

// The payload of a top-level atom, read whole (into a buffer that is not zeroed first: a
// 10 MB header is read once, not written twice).
struct AtomBytes {
  std::unique_ptr<std::uint8_t[]> data;
  std::size_t size = 0;
  std::size_t capacity = 0;
  ByteReader Reader() const { return ByteReader(data.get(), size); }
};

OSErr ReadPayload(int fd, const TopLevelAtom& atom, AtomBytes* out) {
  const std::uint64_t size = atom.header.PayloadSize();
  if (size > kMaxMovieAtomSize) return memFullErr;
  if (size > out->capacity || !out->data) {
    out->data.reset(new std::uint8_t[std::size_t(size) + 1]);
    out->capacity = std::size_t(size);
    AdviseHugePages(out->data.get(), out->capacity, Fill::kWhole);
  }
  out->size = std::size_t(size);
  std::size_t got = 0;
  if (OSErr err = ReadAt(fd, atom.offset + atom.header.headerSize, out->data.get(), out->size, &got))
    return err;
  return got == size ? noErr : eofErr;  // the file shrank under us
}

OSErr ReadFragments(int fd, std::uint64_t fileSize, const FileLayout& layout, ReadContext* ctx,
                    Movie* movie) {
  if (ctx->trackExtends.empty()) return noErr;  // not a fragmented movie
  auto walker = std::make_unique<TopLevelWalker>(
      fd, fileSize, layout.movie.offset + layout.movie.header.size);
  AtomBytes bytes;
  TopLevelAtom moof;
  OSType type = 0;
  const std::uint8_t* head = nullptr;
  OSErr err = noErr;
  bool any = false;
  while (walker->Next(&moof, &type, &head, &err)) {
    if (moof.header.type != kMoof) continue;
    any = true;
    if (OSErr e = ReadPayload(fd, moof, &bytes)) return e;
    if (OSErr e = ParseMovieFragment(bytes.Reader(), moof.offset, fileSize, ctx, movie)) return e;
  }
  if (err) return err;
  if (!any) return noErr;
  for (auto& track : movie->tracks) {
    track->media.samples.Finalize();
    if (!track->media.samples.IsConsistent(std::uint32_t(track->media.descriptions.size())))
      return invalidSampleTable;
  }
  // A fragmented file's edit list may have no duration, as the movie atom was written before the
  // samples: it then covers the media from its media time on (skipping encoder priming).
  for (auto& track : movie->tracks) {
    if (track->edits.empty() || track->Duration() != 0) continue;
    ctx->openEnded.emplace_back(track.get(), std::max<std::int64_t>(0, track->edits.back().mediaTime));
  }
  return noErr;
}

}  // namespace

OSErr ReadMovieFile(int fd, const std::string& path, bool resolveDataRefs,
                    std::unique_ptr<Movie>* out) {
  out->reset();
  struct stat st{};
  if (::fstat(fd, &st) != 0) return ioErr;
  const std::uint64_t fileSize = std::uint64_t(st.st_size);

  FileLayout layout;
  if (OSErr err = ScanFile(fd, fileSize, &layout)) return err;
  if (!layout.haveMovie) return noMovieFound;

  AtomBytes bytes;
  if (OSErr err = ReadPayload(fd, layout.movie, &bytes)) return err;

  auto movie = std::make_unique<Movie>();
  movie->matrix = IdentityMatrix();
  ReadContext ctx;
  ctx.quickTimeFile = !layout.haveFtyp || layout.brand == kQuickTimeBrand;
  if (OSErr err = ParseMovieAtom(bytes.Reader(), &ctx, movie.get())) return err;
  bytes = {};
  if (OSErr err = ReadFragments(fd, fileSize, layout, &ctx, movie.get())) return err;
  for (Track* t : ctx.withoutEditList) AddImplicitEdit(t, movie->timeScale);
  for (const auto& [t, start] : ctx.openEnded) AddImplicitEdit(t, movie->timeScale, start);

  movie->originPath = path;
  movie->originMoovOffset = layout.movie.offset;
  movie->originMoovSize = layout.movie.header.size;
  movie->originHasMovieAtom = true;
  const bool resolved = ResolveDataRefs(movie.get(), path, resolveDataRefs);
  *out = std::move(movie);
  return resolved ? noErr : couldNotResolveDataRef;
}

}  // namespace tvx
