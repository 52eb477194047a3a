#include "synthetic_movie.h"

namespace write_test {

tvx::SampleDescription Description(const char (&format)[5], std::uint16_t dataRefIndex) {
  tvx::SampleDescription d;
  d.bytes.assign(16, 0);
  d.bytes[3] = 16;
  for (int i = 0; i < 4; ++i) d.bytes[4 + i] = std::uint8_t(format[i]);
  d.SetDataRefIndex(dataRefIndex);
  return d;
}

std::unique_ptr<tvx::Movie> NewMovie() {
  auto movie = std::make_unique<tvx::Movie>();
  movie->matrix = tvx::IdentityMatrix();
  movie->creationTime = 3'000'000'000u;
  return movie;
}

tvx::Track* AddVideoTrack(tvx::Movie& movie, const std::string& dataPath) {
  tvx::Track* t = movie.AddTrack();
  t->width = 320 << 16;
  t->height = 240 << 16;
  tvx::Media& m = t->media;
  m.timeScale = 30;
  m.handlerType = FOUR_CHAR_CODE("vide");
  m.handlerName = "Video";
  m.dataRefs.push_back({tvx::DataRef::Kind::Alias, FOUR_CHAR_CODE("alis"), 0, dataPath, {}});
  m.descriptions.push_back(Description("avc1", 1));
  const std::int32_t offsets[] = {1, 0, 2, 1, 0, 2};
  for (std::uint32_t i = 0; i < 6; ++i)
    m.samples.AppendSample(1000 + 100 * i, 10 + i, 1, offsets[i], i == 0 || i == 3, 1, i % 2 == 0);
  m.samples.Finalize();
  t->edits = {{6 * 20, 0, fixed1}};  // movie time scale 600
  return t;
}

tvx::Track* AddSoundTrack(tvx::Movie& movie, const std::string& dataPath) {
  tvx::Track* t = movie.AddTrack();
  t->volume = 0x100;
  t->alternateGroup = 1;
  tvx::Media& m = t->media;
  m.timeScale = 1000;
  m.handlerType = FOUR_CHAR_CODE("soun");
  m.handlerName = "Sound";
  m.dataRefs.push_back({tvx::DataRef::Kind::Alias, FOUR_CHAR_CODE("alis"), 0, dataPath, {}});
  m.descriptions.push_back(Description("mp4a", 1));
  for (std::uint32_t i = 0; i < 100; ++i)
    m.samples.AppendSample(5000 + 4 * i, 4, 2, 0, true, 1, i == 0 || i == 50);
  m.samples.Finalize();
  t->edits = {{120, 0, fixed1}};
  return t;
}

}  // namespace write_test
