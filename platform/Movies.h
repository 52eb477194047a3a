// The movie toolbox: movies, tracks, media, user data, editing, storage and components.
// Every call records its status for GetMoviesError(). Movies, tracks and media live until the
// process ends; handles are freed with DisposeHandle.
#pragma once

#include "CoreFoundation.h"
#include "Files.h"
#include "MacMemory.h"
#include "MacTypes.h"

namespace tvx {
struct Movie;
struct Track;
struct Media;
struct UserData;
struct Component;
}  // namespace tvx

using Movie = tvx::Movie*;
using Track = tvx::Track*;
using Media = tvx::Media*;
using UserData = tvx::UserData*;
using MediaHandler = tvx::Media*;  // the media's handler is the media itself here
using ComponentInstance = tvx::Component*;
using MovieImportComponent = ComponentInstance;
using MovieExportComponent = ComponentInstance;
using DataHandler = ComponentInstance;
using QTAtomContainer = Handle;
using SampleDescriptionHandle = Handle;
using QTPathStyle = UInt32;

constexpr QTPathStyle kQTPOSIXPathStyle = 0;

// Media and track types, characteristics.
constexpr OSType VideoMediaType = FOUR_CHAR_CODE("vide");
constexpr OSType SoundMediaType = FOUR_CHAR_CODE("soun");
constexpr OSType TextMediaType = FOUR_CHAR_CODE("text");
constexpr OSType VisualMediaCharacteristic = FOUR_CHAR_CODE("eyes");
constexpr OSType AudioMediaCharacteristic = FOUR_CHAR_CODE("ears");
constexpr OSType kTrackReferenceChapterList = FOUR_CHAR_CODE("chap");
constexpr OSType kUserDataName = FOUR_CHAR_CODE("name");

// GetMovieIndTrackType flags.
enum : long {
  movieTrackMediaType = 1 << 0,
  movieTrackCharacteristic = 1 << 1,
  movieTrackEnabledOnly = 1 << 2,
};

// NewMovieFromFile flags.
enum : SInt16 {
  newMovieActive = 1 << 0,
  newMovieDontResolveDataRefs = 1 << 1,
  newMovieDontAskUnresolvedDataRefs = 1 << 2,
};

// GetTrackNextInterestingTime flags.
enum : SInt16 {
  nextTimeMediaSample = 1 << 0,
  nextTimeEdgeOK = 1 << 14,
};

// OpenMovieFile permissions.
enum : SInt8 { fsRdPerm = 1, fsWrPerm = 2, fsRdWrPerm = 3 };

// FlattenMovieDataToDataRef flags.
enum : long {
  flattenAddMovieToDataFork = 1L << 0,
  flattenCompressMovieResource = 1L << 5,
  flattenForceMovieResourceBeforeMovieData = 1L << 6,
};

constexpr long createMovieFileDeleteCurFile = 1L << 31;
constexpr ScriptCode smSystemScript = -1;

// Components.
constexpr OSType MovieImportType = FOUR_CHAR_CODE("eat ");
constexpr OSType MovieExportType = FOUR_CHAR_CODE("spit");
constexpr OSType kQTFileTypeMP4 = FOUR_CHAR_CODE("mpg4");
constexpr OSType kQTFileTypeMP3 = FOUR_CHAR_CODE("MP3 ");

// --- Start and status ---
OSErr EnterMovies();
OSErr GetMoviesError();

// --- Movie files and import ---
OSErr OpenMovieFile(const FSSpec* fileSpec, SInt16* resRefNum, SInt8 permission);
OSErr CloseMovieFile(SInt16 resRefNum);
OSErr NewMovieFromFile(Movie* theMovie, SInt16 resRefNum, SInt16* resId, StringPtr resName,
                       SInt16 newMovieFlags, Boolean* dataRefWasChanged);
OSErr UpdateMovieResource(Movie theMovie, SInt16 resRefNum, SInt16 resId, ConstStr255Param resName);
Movie NewMovie(long flags);
ComponentInstance OpenDefaultComponent(OSType componentType, OSType componentSubType);
OSErr OpenADefaultComponent(OSType componentType, OSType componentSubType, ComponentInstance* ci);
OSErr CloseComponent(ComponentInstance ci);
ComponentResult MovieImportFile(MovieImportComponent ci, const FSSpec* theFile, Movie theMovie,
                                Track targetTrack, Track* usedTrack, TimeValue atTime,
                                TimeValue* addedDuration, long inFlags, long* outFlags);

// --- Queries ---
TimeValue GetMovieDuration(Movie theMovie);
TimeScale GetMovieTimeScale(Movie theMovie);
long GetMovieTrackCount(Movie theMovie);
Track GetMovieIndTrack(Movie theMovie, long index);
Track GetMovieIndTrackType(Movie theMovie, long index, OSType trackType, long flags);
void GetMovieMatrix(Movie theMovie, MatrixRecord* matrix);
void SetMovieMatrix(Movie theMovie, const MatrixRecord* matrix);
UserData GetMovieUserData(Movie theMovie);
TimeValue GetTrackDuration(Track theTrack);
TimeValue GetTrackOffset(Track theTrack);
Media GetTrackMedia(Track theTrack);
Movie GetTrackMovie(Track theTrack);
void GetTrackMatrix(Track theTrack, MatrixRecord* matrix);
void SetTrackMatrix(Track theTrack, const MatrixRecord* matrix);
UserData GetTrackUserData(Track theTrack);
long GetTrackReferenceCount(Track theTrack, OSType refType);
Track GetTrackReference(Track theTrack, OSType refType, long index);
Boolean GetTrackEnabled(Track theTrack);
void GetTrackNextInterestingTime(Track theTrack, SInt16 interestingTimeFlags, TimeValue time,
                                 Fixed rate, TimeValue* interestingTime,
                                 TimeValue* interestingDuration);
TimeValue TrackTimeToMediaTime(TimeValue value, Track theTrack);
TimeScale GetMediaTimeScale(Media theMedia);
TimeValue GetMediaDuration(Media theMedia);
MediaHandler GetMediaHandler(Media theMedia);
void GetMediaHandlerDescription(Media theMedia, OSType* mediaType, Str255 creatorName,
                                OSType* creatorManufacturer);
/// The handler's own name as a Pascal string ("Video", "Sound", ...).
ComponentResult MediaGetName(MediaHandler mh, Str255 name, long requestedLanguage,
                             long* actualLanguage);
long GetMediaSampleDescriptionCount(Media theMedia);
void GetMediaSampleDescription(Media theMedia, long index, SampleDescriptionHandle descH);
OSErr GetMediaSample(Media theMedia, Handle dataOut, long maxSizeToGrow, long* size,
                     TimeValue time, TimeValue* sampleTime, TimeValue* durationPerSample,
                     SampleDescriptionHandle sampleDescriptionH, long* sampleDescriptionIndex,
                     long maxNumberOfSamples, long* numberOfSamples, SInt16* sampleFlags);

// --- Editing (by reference; no sample data is read or copied) ---
void SetMovieTimeScale(Movie theMovie, TimeScale timeScale);
OSErr DeleteMovieSegment(Movie theMovie, TimeValue startTime, TimeValue duration);
OSErr ScaleMovieSegment(Movie theMovie, TimeValue startTime, TimeValue oldDuration,
                        TimeValue newDuration);
void DisposeMovieTrack(Track theTrack);
OSErr InsertMovieSegment(Movie srcMovie, Movie dstMovie, TimeValue srcIn, TimeValue srcDuration,
                         TimeValue dstIn);
OSErr InsertTrackSegment(Track srcTrack, Track dstTrack, TimeValue srcIn, TimeValue srcDuration,
                         TimeValue dstIn);
OSErr AddEmptyTrackToMovie(Track srcTrack, Movie dstMovie, Handle dataRef, OSType dataRefType,
                           Track* dstTrack);
void SetMovieSelection(Movie theMovie, TimeValue selectionTime, TimeValue selectionDuration);
void GetMovieSelection(Movie theMovie, TimeValue* selectionTime, TimeValue* selectionDuration);
void AddMovieSelection(Movie theMovie, Movie src);
OSErr CopyMovieSettings(Movie srcMovie, Movie dstMovie);

// --- Matrices (row vectors, y down; see platform/model/matrix.h) ---
void SetIdentityMatrix(MatrixRecord* matrix);
void ScaleMatrix(MatrixRecord* m, Fixed scaleX, Fixed scaleY, Fixed aboutX, Fixed aboutY);
void RotateMatrix(MatrixRecord* m, Fixed degrees, Fixed aboutX, Fixed aboutY);
void TranslateMatrix(MatrixRecord* m, Fixed deltaH, Fixed deltaV);
/// b = a x b: apply a, then b.
void ConcatMatrix(const MatrixRecord* a, MatrixRecord* b);
Boolean EqualMatrix(const MatrixRecord* m1, const MatrixRecord* m2);

// --- User data ---
OSErr GetUserData(UserData theUserData, Handle data, OSType udType, long index);
long CountUserDataType(UserData theUserData, OSType udType);
/// The next distinct type after udType (0 starts); 0 when none is left.
long GetNextUserDataType(UserData theUserData, OSType udType);
OSErr SetUserDataItem(UserData theUserData, void* data, long size, OSType udType, long index);
OSErr AddUserData(UserData theUserData, Handle data, OSType udType);
OSErr AddUserDataText(UserData theUserData, Handle data, OSType udType, long index,
                      SInt16 itlRegionTag);
OSErr RemoveUserData(UserData theUserData, OSType udType, long index);

// --- Storage and export ---
OSErr QTNewDataReferenceFromFullPathCFString(CFStringRef filePath, QTPathStyle pathStyle,
                                             UInt32 flags, Handle* outDataRef,
                                             OSType* outDataRefType);
OSErr CreateMovieStorage(Handle dataRef, OSType dataRefType, OSType creator, ScriptCode scriptTag,
                         long createMovieFileFlags, DataHandler* outDataHandler, Movie* newmovie);
OSErr AddMovieToStorage(Movie theMovie, DataHandler dh);
Movie FlattenMovieDataToDataRef(Movie theMovie, long movieFlattenFlags, Handle dataRef,
                                OSType dataRefType, OSType creator, ScriptCode scriptTag,
                                long createMovieFileFlags);
ComponentResult MovieExportSetSettingsFromAtomContainer(MovieExportComponent ci,
                                                        QTAtomContainer settings);
OSErr ConvertMovieToDataRef(Movie m, Track onlyTrack, Handle dataRef, OSType dataRefType,
                            OSType fileType, OSType creator, long flags, ComponentInstance userComp);
