#include "data_ref_parser.h"

#include "../io/atom_header.h"

namespace tvx {

namespace {
constexpr OSType kAlias = FOUR_CHAR_CODE("alis");
constexpr OSType kUrl = FOUR_CHAR_CODE("url ");
constexpr std::uint32_t kSelfReference = 1;  // the media data is in the movie's own file
}  // namespace

OSErr ParseDataRefs(ByteReader dref, Media* media) {
  std::uint8_t version = 0;
  std::uint32_t flags = 0, count = 0;
  if (!ReadVersionAndFlags(dref, &version, &flags) || !dref.Read(count)) return badPublicMovieAtom;
  if (count > dref.Remaining() / 12) return badPublicMovieAtom;
  media->dataRefs.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    AtomHeader h;
    ByteReader payload;
    if (OSErr err = ReadChildAtom(dref, &h, &payload, nullptr)) return err;
    DataRef ref;
    ref.type = h.type;
    std::uint8_t entryVersion = 0;
    if (!ReadVersionAndFlags(payload, &entryVersion, &ref.flags)) return badPublicMovieAtom;
    ref.flags |= std::uint32_t(entryVersion) << 24;
    if (ref.flags & kSelfReference)
      ref.kind = DataRef::Kind::Self;
    else if (h.type == kAlias)
      ref.kind = DataRef::Kind::Alias;
    else if (h.type == kUrl)
      ref.kind = DataRef::Kind::Url;
    else
      ref.kind = DataRef::Kind::Other;
    ref.raw.assign(payload.Current(), payload.Current() + payload.Remaining());
    media->dataRefs.push_back(std::move(ref));
  }
  return noErr;
}

}  // namespace tvx
