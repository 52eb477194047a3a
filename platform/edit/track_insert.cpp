#include "track_insert.h"

#include "edit_list.h"
#include "media_import.h"

namespace tvx {

OSErr InsertSegment(const Track& src, Track& dst, std::int64_t srcIn, std::int64_t srcDuration,
                    std::int64_t dstIn) {
  if (src.media.handlerType != dst.media.handlerType) return mediaTypesDontMatch;
  if (srcIn < 0 || dstIn < 0) return invalidTime;
  if (srcDuration < 0) return invalidDuration;
  if (srcDuration == 0) return noErr;

  const EditScales srcScales = ScalesOf(src);
  const EditScales dstScales = ScalesOf(dst);
  std::vector<Edit> segment = CopyEditRange(src.edits, srcIn, srcDuration, srcScales);
  RescaleEditDurations(segment, srcScales.movie, dstScales.movie);
  if (&src != &dst) {
    OSErr status = ImportMediaReferences(src, dst, segment, dstScales.movie);
    if (status != noErr) return status;
  }
  InsertEditsAt(dst.edits, segment, dstIn, dstScales);
  return noErr;
}

Track* AddEmptyTrackLike(const Track& src, Movie& dstMovie) {
  Track* track = dstMovie.AddTrack();
  track->flags = src.flags;
  track->creationTime = src.creationTime;
  track->modificationTime = src.modificationTime;
  track->layer = src.layer;
  track->alternateGroup = src.alternateGroup;
  track->volume = src.volume;
  track->matrix = src.matrix;
  track->width = src.width;
  track->height = src.height;
  track->userData = src.userData;
  track->extraAtoms = src.extraAtoms;

  Media& media = track->media;
  media.timeScale = src.media.timeScale;
  media.creationTime = src.media.creationTime;
  media.modificationTime = src.media.modificationTime;
  media.language = src.media.language;
  media.quality = src.media.quality;
  media.handlerType = src.media.handlerType;
  media.handlerName = src.media.handlerName;
  media.handlerNamePascal = src.media.handlerNamePascal;
  media.mediaInfoHeader = src.media.mediaInfoHeader;
  return track;
}

}  // namespace tvx
