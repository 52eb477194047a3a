#include "track_atom_writer.h"

#include <algorithm>
#include <limits>

#include "data_ref_table.h"
#include "edit_list_writer.h"
#include "sample_table_writer.h"

namespace tvx {
namespace {

constexpr std::uint64_t kMax32 = 0xFFFFFFFFull;

std::uint64_t CreationOr(std::uint64_t created, std::uint64_t now) { return created != 0 ? created : now; }

void WriteTrackHeader(ByteWriter& w, const Track& t, const TrackWriteContext& c, std::uint32_t id,
                      std::int64_t duration) {
  std::uint64_t created = CreationOr(t.creationTime, c.now);
  bool wide = created > kMax32 || c.now > kMax32 || std::uint64_t(duration) > kMax32;
  std::size_t box = w.BeginBox(FOUR_CHAR_CODE("tkhd"));
  w.VersionFlags(wide ? 1 : 0, t.flags & 0xF);
  if (wide) {
    w.U64(created);
    w.U64(c.now);
    w.U32(id);
    w.U32(0);
    w.U64(std::uint64_t(duration));
  } else {
    w.U32(std::uint32_t(created));
    w.U32(std::uint32_t(c.now));
    w.U32(id);
    w.U32(0);
    w.U32(std::uint32_t(duration));
  }
  w.Zeros(8);
  w.U16(std::uint16_t(t.layer));
  w.U16(std::uint16_t(t.alternateGroup));
  w.U16(std::uint16_t(t.volume));
  w.U16(0);
  WriteMatrix(w, t.matrix);
  w.U32(std::uint32_t(t.width));
  w.U32(std::uint32_t(t.height));
  w.EndBox(box);
}

void WriteTrackReferences(ByteWriter& w, const Track& t, const TrackWriteContext& c) {
  std::vector<std::uint8_t> body;
  ByteWriter refs(&body);
  for (const TrackReference& r : t.references) {
    std::vector<std::uint32_t> ids;
    for (const Track* target : r.tracks)
      if (auto it = c.ids.find(target); it != c.ids.end()) ids.push_back(it->second);
    if (ids.empty()) continue;  // every target is gone
    std::size_t box = refs.BeginBox(r.type);
    for (std::uint32_t id : ids) refs.U32(id);
    refs.EndBox(box);
  }
  if (body.empty()) return;
  std::size_t box = w.BeginBox(FOUR_CHAR_CODE("tref"));
  w.Bytes(body);
  w.EndBox(box);
}

// ISO language codes pack three letters minus 0x60 into 5 bits each; Mac codes are below 0x400.
std::uint16_t IsoLanguage(std::uint16_t language) {
  if (language >= 0x400) return language & 0x7FFF;
  return language == 0 ? 0x15C7 /* eng */ : 0x55C4 /* und */;
}

void WriteMediaHeader(ByteWriter& w, const Media& m, const TrackWriteContext& c) {
  std::uint64_t created = CreationOr(m.creationTime, c.now);
  std::int64_t duration = m.Duration();
  bool wide = created > kMax32 || c.now > kMax32 || std::uint64_t(duration) > kMax32;
  std::size_t box = w.BeginBox(FOUR_CHAR_CODE("mdhd"));
  w.VersionFlags(wide ? 1 : 0, 0);
  if (wide) {
    w.U64(created);
    w.U64(c.now);
    w.U32(std::uint32_t(m.timeScale));
    w.U64(std::uint64_t(duration));
  } else {
    w.U32(std::uint32_t(created));
    w.U32(std::uint32_t(c.now));
    w.U32(std::uint32_t(m.timeScale));
    w.U32(std::uint32_t(duration));
  }
  w.U16(c.options->iso ? IsoLanguage(m.language) : m.language);
  w.U16(c.options->iso ? 0 : m.quality);
  w.EndBox(box);
}

// 'hdlr': QuickTime names the component type and writes a Pascal name; ISO a C string.
void WriteHandler(ByteWriter& w, OSType componentType, OSType subtype, const std::string& name,
                  bool iso) {
  std::size_t box = w.BeginBox(FOUR_CHAR_CODE("hdlr"));
  w.VersionFlags(0, 0);
  w.U32(iso ? 0 : componentType);
  w.U32(subtype);
  w.Zeros(12);  // manufacturer, flags, flags mask
  if (iso) {
    std::string text = name.substr(0, std::min(name.find('\0'), name.size()));
    w.Bytes(text.data(), text.size());
    w.U8(0);
  } else {
    w.PascalString(name);
  }
  w.EndBox(box);
}

void WriteDefaultMediaInfoHeader(ByteWriter& w, const Media& m, bool iso) {
  if (m.handlerType == FOUR_CHAR_CODE("vide")) {
    std::size_t box = w.BeginBox(FOUR_CHAR_CODE("vmhd"));
    w.VersionFlags(0, 1);
    w.U16(iso ? 0 : 0x40);  // graphics mode: copy (ditherCopy in QuickTime)
    for (int i = 0; i < 3; ++i) w.U16(iso ? 0 : 0x8000);
    w.EndBox(box);
  } else if (m.handlerType == FOUR_CHAR_CODE("soun")) {
    std::size_t box = w.BeginBox(FOUR_CHAR_CODE("smhd"));
    w.VersionFlags(0, 0);
    w.U16(0);  // balance
    w.U16(0);
    w.EndBox(box);
  } else if (iso) {
    std::size_t box = w.BeginBox(FOUR_CHAR_CODE("nmhd"));
    w.VersionFlags(0, 0);
    w.EndBox(box);
  } else {
    std::size_t gmhd = w.BeginBox(FOUR_CHAR_CODE("gmhd"));
    std::size_t gmin = w.BeginBox(FOUR_CHAR_CODE("gmin"));
    w.VersionFlags(0, 0);
    w.U16(0x40);
    for (int i = 0; i < 3; ++i) w.U16(0x8000);
    w.U16(0);  // balance
    w.U16(0);
    w.EndBox(gmin);
    w.EndBox(gmhd);
  }
}

OSErr WriteMediaInformation(ByteWriter& w, const Media& m, const TrackWriteContext& c) {
  bool iso = c.options->iso;
  WrittenDataRefs refs;
  if (OSErr err = PlanDataRefs(m, *c.options, &refs); err != noErr) return err;
  std::size_t minf = w.BeginBox(FOUR_CHAR_CODE("minf"));
  if (IsWholeAtom(m.mediaInfoHeader)) {
    w.Bytes(m.mediaInfoHeader);
  } else {
    WriteDefaultMediaInfoHeader(w, m, iso);
  }
  if (!iso) WriteHandler(w, FOUR_CHAR_CODE("dhlr"), FOUR_CHAR_CODE("alis"), "", false);
  std::size_t dinf = w.BeginBox(FOUR_CHAR_CODE("dinf"));
  std::size_t dref = w.BeginBox(FOUR_CHAR_CODE("dref"));
  w.VersionFlags(0, 0);
  w.U32(std::uint32_t(refs.entries.size()));
  for (const auto& entry : refs.entries) w.Bytes(entry);
  w.EndBox(dref);
  w.EndBox(dinf);
  WriteSampleTable(w, m, refs);
  w.EndBox(minf);
  return noErr;
}

OSErr SumDurations(const std::vector<Edit>& edits, std::int64_t* total) {
  *total = 0;
  for (const Edit& e : edits) {
    if (e.duration > std::numeric_limits<std::int64_t>::max() - *total) return invalidDuration;
    *total += e.duration;
  }
  return noErr;
}

}  // namespace

OSErr WrittenTrackDuration(const Track& track, const TrackWriteContext& context,
                           std::int64_t* duration) {
  if (track.media.timeScale <= 0) return invalidMedia;
  return SumDurations(EditsToWrite(track.edits, context.movieTimeScale, track.media.timeScale),
                      duration);
}

void WriteMatrix(ByteWriter& w, const MatrixRecord& m) {
  for (const auto& row : m.matrix)
    for (Fixed v : row) w.U32(std::uint32_t(v));
}

bool IsWholeAtom(const std::vector<std::uint8_t>& bytes) {
  if (bytes.size() < 8) return false;
  std::uint32_t size = std::uint32_t(bytes[0]) << 24 | std::uint32_t(bytes[1]) << 16 |
                       std::uint32_t(bytes[2]) << 8 | bytes[3];
  return size == bytes.size();
}

std::size_t UserDataSize(const UserData& userData) {
  if (userData.items.empty()) return 0;
  std::size_t bytes = 8;
  for (const UserDataItem& item : userData.items) bytes += 8 + item.data.size();
  return bytes;
}

std::size_t TrackAtomSizeBound(const Track& track) {
  // The fixed atoms, edits and data references are small; the sample table is the bulk.
  std::size_t bytes = 16384 + track.edits.size() * 24 + track.media.mediaInfoHeader.size() +
                      track.media.handlerName.size() + UserDataSize(track.userData);
  for (const auto& atom : track.extraAtoms) bytes += atom.size();
  for (const TrackReference& r : track.references) bytes += 8 + 4 * r.tracks.size();
  return bytes + SampleTableSizeBound(track.media);
}

void WriteUserData(ByteWriter& w, const UserData& userData) {
  if (userData.items.empty()) return;
  std::size_t box = w.BeginBox(FOUR_CHAR_CODE("udta"));
  for (const UserDataItem& item : userData.items) {
    std::size_t at = w.BeginBox(item.type);
    w.Bytes(item.data);
    w.EndBox(at);
  }
  w.EndBox(box);
}

OSErr WriteTrackAtom(ByteWriter& w, const Track& track, const TrackWriteContext& c,
                     std::int64_t* duration) {
  const Media& m = track.media;
  if (!m.samples.IsConsistent(std::uint32_t(m.descriptions.size()))) return invalidSampleTable;
  if (m.timeScale <= 0) return invalidMedia;
  auto id = c.ids.find(&track);
  if (id == c.ids.end()) return invalidTrack;
  bool iso = c.options->iso;

  std::vector<Edit> edits = EditsToWrite(track.edits, c.movieTimeScale, m.timeScale);
  std::int64_t total = 0;
  if (OSErr err = SumDurations(edits, &total); err != noErr) return err;
  *duration = total;

  std::size_t trak = w.BeginBox(FOUR_CHAR_CODE("trak"));
  WriteTrackHeader(w, track, c, id->second, total);
  if (!iso)
    for (const auto& atom : track.extraAtoms)
      if (IsWholeAtom(atom)) w.Bytes(atom);
  WriteEditList(w, edits);
  WriteTrackReferences(w, track, c);

  std::size_t mdia = w.BeginBox(FOUR_CHAR_CODE("mdia"));
  WriteMediaHeader(w, m, c);
  WriteHandler(w, FOUR_CHAR_CODE("mhlr"), m.handlerType, m.handlerName, iso);
  if (OSErr err = WriteMediaInformation(w, m, c); err != noErr) return err;
  w.EndBox(mdia);
  if (!iso) WriteUserData(w, track.userData);
  w.EndBox(trak);
  return noErr;
}

}  // namespace tvx
