// Components are plain records: which ones open, and what the exporter keeps.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/Movies.h"
#include "platform/api/component.h"

TEST(Components, OpenOnlyTheImporterAndExporterWeHave) {
  struct Case {
    OSType type;
    OSType subtype;
    OSErr status;
  };
  const Case cases[] = {
      {MovieImportType, kQTFileTypeMP3, noErr},
      {MovieExportType, kQTFileTypeMP4, noErr},
      {MovieImportType, kQTFileTypeMP4, cantFindHandler},
      {MovieExportType, kQTFileTypeMP3, cantFindHandler},
      {FOUR_CHAR_CODE("dhlr"), FOUR_CHAR_CODE("alis"), cantFindHandler},
  };
  for (const Case& c : cases) {
    ComponentInstance ci = reinterpret_cast<ComponentInstance>(1);
    EXPECT_EQ(OpenADefaultComponent(c.type, c.subtype, &ci), c.status);
    ComponentInstance other = OpenDefaultComponent(c.type, c.subtype);
    if (c.status == noErr) {
      ASSERT_NE(ci, nullptr);
      EXPECT_EQ(ci->type, c.type);
      EXPECT_EQ(ci->subtype, c.subtype);
      ASSERT_NE(other, nullptr);
      EXPECT_NE(other, ci);
      EXPECT_EQ(CloseComponent(other), noErr);
      EXPECT_EQ(CloseComponent(ci), noErr);
    } else {
      EXPECT_EQ(ci, nullptr);
      EXPECT_EQ(other, nullptr);
    }
  }
  EXPECT_EQ(OpenADefaultComponent(MovieExportType, kQTFileTypeMP4, nullptr), paramErr);
  EXPECT_EQ(CloseComponent(nullptr), paramErr);
}

TEST(Components, ExporterKeepsItsSettingsAndConversionWaitsForIt) {
  ComponentInstance exporter = OpenDefaultComponent(MovieExportType, kQTFileTypeMP4);
  ASSERT_NE(exporter, nullptr);
  Handle settings = NewHandle(6);
  std::memcpy(*settings, "\0\0\0\6ab", 6);
  EXPECT_EQ(MovieExportSetSettingsFromAtomContainer(exporter, settings), noErr);
  EXPECT_EQ(exporter->settings, (std::vector<std::uint8_t>{0, 0, 0, 6, 'a', 'b'}));
  DisposeHandle(settings);
  EXPECT_EQ(ConvertMovieToDataRef(nullptr, nullptr, nullptr, FOUR_CHAR_CODE("alis"), kQTFileTypeMP4,
                                  FOUR_CHAR_CODE("TVOD"), 0, exporter),
            featureUnsupported);
  EXPECT_EQ(GetMoviesError(), featureUnsupported);
  ComponentInstance importer = OpenDefaultComponent(MovieImportType, kQTFileTypeMP3);
  EXPECT_EQ(MovieExportSetSettingsFromAtomContainer(importer, nullptr), paramErr);
  CloseComponent(importer);
  CloseComponent(exporter);
}
