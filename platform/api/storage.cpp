// Storage calls: data references for paths, reference movies written through a storage data
// handler, in-place saves, and the MPEG-4 conversion entry point.
#include <sys/stat.h>

#include <memory>
#include <new>
#include <string>
#include <vector>

#include "../Movies.h"
#include "arena.h"
#include "cf_object.h"
#include "component.h"
#include "open_files.h"
#include "status.h"
#include "../write/data_ref_path.h"
#include "../write/data_ref_table.h"
#include "../write/movie_atom_writer.h"
#include "../write/movie_resource_update.h"

namespace {

constexpr OSType kDataHandlerType = FOUR_CHAR_CODE("dhlr");

// 'ftyp' of a QuickTime movie: brand 'qt  ', minor version 2005.03.00, compatible 'qt  '.
const std::uint8_t kQuickTimeFileType[] = {0, 0, 0, 20, 'f', 't', 'y', 'p', 'q', 't', ' ', ' ',
                                           0x20, 0x05, 0x03, 0x00, 'q', 't', ' ', ' '};

bool SameFile(const std::string& a, const std::string& b) {
  if (tvx::SamePath(a, b)) return true;
  struct stat sa{};
  struct stat sb{};
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

// True when writing to destination would replace a file the movie's media live in.
bool ReferencesFile(const tvx::Movie& movie, const std::string& destination) {
  for (const auto& track : movie.tracks)
    for (const tvx::DataRef& ref : track->media.dataRefs)
      if (!ref.resolvedPath.empty() && SameFile(ref.resolvedPath, destination)) return true;
  return false;
}

}  // namespace

OSErr QTNewDataReferenceFromFullPathCFString(CFStringRef filePath, QTPathStyle pathStyle,
                                             UInt32 /*flags*/, Handle* outDataRef,
                                             OSType* outDataRefType) {
  if (outDataRef == nullptr || outDataRefType == nullptr) return tvx::SetMoviesError(paramErr);
  *outDataRef = nullptr;
  const std::string* text = tvx::CFStringText(filePath);
  if (text == nullptr || pathStyle != kQTPOSIXPathStyle) return tvx::SetMoviesError(paramErr);
  // A full path: the file itself need not exist yet.
  if (text->empty() || text->front() != '/' || text->find('\0') != std::string::npos)
    return tvx::SetMoviesError(paramErr);
  if (OSErr err = tvx::NewPathDataRef(*text, outDataRef); err != noErr)
    return tvx::SetMoviesError(err);
  *outDataRefType = tvx::kPathDataRefType;
  return tvx::SetMoviesError(noErr);
}

OSErr CreateMovieStorage(Handle dataRef, OSType dataRefType, OSType /*creator*/,
                         ScriptCode /*scriptTag*/, long /*createMovieFileFlags*/,
                         DataHandler* outDataHandler, Movie* newmovie) {
  if (outDataHandler == nullptr) return tvx::SetMoviesError(paramErr);
  *outDataHandler = nullptr;
  if (newmovie != nullptr) *newmovie = nullptr;
  std::string path;
  if (OSErr err = tvx::PathFromDataRef(dataRef, dataRefType, &path); err != noErr)
    return tvx::SetMoviesError(err);
  auto component = std::unique_ptr<tvx::Component>(new (std::nothrow) tvx::Component);
  auto file = std::unique_ptr<tvx::AtomicFile>(new (std::nothrow) tvx::AtomicFile);
  if (component == nullptr || file == nullptr) return tvx::SetMoviesError(memFullErr);
  // The destination is replaced only when the movie is added; until then it is untouched.
  if (OSErr err = file->Create(path); err != noErr) return tvx::SetMoviesError(err);
  component->type = kDataHandlerType;
  component->subtype = dataRefType;
  component->destination = path;
  component->file = std::move(file);
  if (newmovie != nullptr) {
    auto movie = std::make_unique<tvx::Movie>();
    movie->matrix = tvx::IdentityMatrix();
    *newmovie = tvx::AdoptMovie(std::move(movie));
  }
  *outDataHandler = component.release();
  return tvx::SetMoviesError(noErr);
}

OSErr AddMovieToStorage(Movie theMovie, DataHandler dh) {
  if (theMovie == nullptr) return tvx::SetMoviesError(invalidMovie);
  if (dh == nullptr || dh->type != kDataHandlerType || dh->file == nullptr || dh->file->fd() < 0)
    return tvx::SetMoviesError(paramErr);
  if (ReferencesFile(*theMovie, dh->destination)) {
    dh->file->Abandon();
    return tvx::SetMoviesError(dataAlreadyOpenForWrite);
  }
  tvx::MovieAtomOptions options;
  options.outputPath = dh->destination;
  std::vector<std::uint8_t> moov;
  OSErr err = tvx::BuildMovieAtom(*theMovie, options, &moov);
  if (err == noErr) err = dh->file->Write(kQuickTimeFileType, sizeof kQuickTimeFileType);
  if (err == noErr) err = dh->file->Write(moov.data(), moov.size());
  if (err == noErr) err = dh->file->Commit();
  if (err != noErr) dh->file->Abandon();
  return tvx::SetMoviesError(err);
}

OSErr UpdateMovieResource(Movie theMovie, SInt16 resRefNum, SInt16 /*resId*/,
                          ConstStr255Param /*resName*/) {
  if (theMovie == nullptr) return tvx::SetMoviesError(invalidMovie);
  const tvx::OpenMovieFileRecord* file = tvx::LookupMovieFile(resRefNum);
  if (file == nullptr || file->fd < 0) return tvx::SetMoviesError(rfNumErr);
  if (!file->writable) return tvx::SetMoviesError(wrPermErr);
  return tvx::SetMoviesError(tvx::UpdateMovieInFile(*theMovie, file->path, file->fd));
}

OSErr ConvertMovieToDataRef(Movie /*m*/, Track /*onlyTrack*/, Handle /*dataRef*/,
                            OSType /*dataRefType*/, OSType /*fileType*/, OSType /*creator*/,
                            long /*flags*/, ComponentInstance /*userComp*/) {
  // The MPEG-4 exporter is not built yet.
  return tvx::SetMoviesError(featureUnsupported);
}
