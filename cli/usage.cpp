#include "cli/usage.h"

const char* const version_string = "1.1.1b1";
const char* const date_string = "May 11, 2005";

namespace {

// The lines are printed exactly as written, trailing spaces, tabs and old typos included:
// scripts and users compare this text.
constexpr const char* kOutputOptions[] = {
    "    -q                Be quiet: don't print informational messages",
    "    -self-contained   Make movie self-contained (copy all data into the output ",
    "        movie). Default is to make a reference movie (a small movie which ",
    "        points to data in other movies. Also makes movie fast-start with",
    "\t\tcompressed header, useful for web downloads.",
    "    -no-fast-start    When used in conjunction with -self-contained, does not",
    "        make the movie fast-start (quicker, and takes less disk space).",
    "    -no-compressed-header When used in conjuction with -self-contained, does not",
    "        compress the movie header.",
    "    -mp4              Try to output an MPEG-4 movie. Only works when all sources",
    "        contain only MPEG-4 video and/or AAC audio. Does not re-encode.",
};
constexpr const char* kTrackReuse[] = {
    "    -unique-tracks    Put each track from each movie into its own separate ",
    "        track in the output movie. Default is to reuse tracks when possible. ",
    "        This option sometimes helps with movies that 'skip'",
    "    -force-same-tracks  Sometimes tracks are not reused as one might expect.",
    "        Use this option to force the use of as few tracks as possible. Useful",
    "\t\tin conjunction with the -mp4 option.",
};
constexpr const char* kNamesFromStdin[] = {
    "    -names-from-stdin File names will be read from standard input instead of ",
    "        the command line, one file per line.",
};
constexpr const char* kNameFromStdinAndSaveInPlace[] = {
    "    -name-from-stdin The filename will be read from standard input instead of ",
    "        the command line.",
    "    -save-in-place   Save the changes to the same file.",
};
constexpr const char* kOutputFileAndEnd[] = {
    "    -o filename       Output to the specified file (defaults to ",
    "        ~/Desktop/out.mov or ~/Desktop/out.mp4).",
    "    -                 Terminate option processing (including file specific ",
    "        options). All other arguments are filenames.",
};
constexpr const char* kScopeNote[] = {
    "Global or file specific options:",
    "These options are global if they appear before any filenames and local if they",
    "appear after a filename.",
};
constexpr const char* kInputOptions[] = {
    "    -noresolve        Don't try to look for data in external files; helpful ",
    "        when trying to use reference movies some of whose original files have ",
    "        disappeared.",
    "    -use-settings     Use the settings of this movie for the output movie.",
    "    -no-convert-tags  Don't attempt to convert AAC tags.",
    "    -list             List the names of the tracks in the movie.",
    "    -nolist           Don't list the names of tracks (cancels a global -list).",
    "    -chaplist         List the names of the chapters in the movie.",
    "    -nochaplist       Don't list the names of chapters (cancels a global ",
    "        -chaplist).",
};
constexpr const char* kScaleToOutput[] = {
    "    -scale            Scale movie to the current length of the movie",
    "        (does not apply to first file).",
    "    -noscale          Don't scale movie. Cancels a global -scale.",
};
constexpr const char* kMatrixRateTrackChapter[] = {
    "    -sscale scalefactor Spatial Scale: scale the size of each visual track in ",
    "        the movie by a specific factor (can be an integer, floating point ",
    "        number, or fraction in the form n/d).",
    "    -vscale scalefactor Vertical Scale: scale the vertical size of each visual",
    "        track in the movie.",
    "    -hscale scalefactor Horizontal Scale: the horizontal size of each visual ",
    "        track in the movie.",
    "    -rotate degrees     Rotate each visual track clockwise",
    "    -about X Y          Rotation and scaling are normally centered at the",
    "        origin. Follow a -Xscale or -rotate argument by a -about argument",
    "        to center about a different point.",
    "    -vtranslate pixels  Vertical translation of each visual track in the movie.",
    "    -htranslate pixels  Horizontal translation of each visual track in the ",
    "        movie.",
    "    -resetmatrix        Reset track matrices to identity before applying ",
    "        scaling & translation options,",
    "    -msscale scalefactor  Movie Spatial Scale: scale the size of the movie.",
    "    -mvscale scalefactor  Movie Vertical Scale: scale the vertical size of the ",
    "        movie.",
    "    -mhscale scalefactor  Movie Horizontal Scale: the horizontal size of the ",
    "        movie.",
    "    -mrotate degrees\tRotate the movie clockwise",
    "    -about X Y          Rotation and scaling are normally centered at the",
    "        origin. Follow a -mXscale or -mrotate argument by a -about argument",
    "        to center about a different point.",
    "    -resetmmatrix     Reset movie matrix to identity before applying scaling ",
    "        options.",
    "    -rate f           Set playback rate to a fraction f of it's original value.",
    "    -track name       Only include the track with the specified name. You can ",
    "        issue multiple -track arguments. Use -list to find out what the track ",
    "        names are.",
    "    -notrack name     Include all tracks but the one with the specified name. ",
    "        You can issue multiple -notrack arguments.",
    "    Using both -track and -notrack on the same command line produces undefined",
    "        results.",
    "    -chapter name     Only include the chapter with the specified name. You ",
    "        can issue multiple -chapter arguments. Use -chaplist to find out what ",
    "        the chapter names are.",
    "    -nochapter name   Include all chapters but the one with the specified ",
    "        name. You can issue multiple -nochapter arguments.",
    "    Using both -chapter and -nochapter on the same command line produces ",
    "        undefined results.",
};

template <size_t N>
void PrintLines(std::ostream& out, const char* const (&lines)[N]) {
  for (const char* line : lines) out << line << '\n';
}

}  // namespace

void usage(std::string programPath, functionType function, std::string programName,
           std::ostream& out) {
  const bool modify = function == modifyFunction;
  out << programName << " version " << version_string << " (" << date_string << ")\n";
  out << "Type \"man " << programName << "\" or \"man Talvenix\" for more information\n";
  if (modify) {
    out << "Usage: " << programPath << " [options] filename [-o outfileName | -save-in-place]\n";
  } else {
    out << "Usage: " << programPath
        << " [global options] filename1 [file specific options] [filename2 [file specific "
           "options] ... ]\n";
    out << "Global options:\n";
  }
  PrintLines(out, kOutputOptions);
  if (function == concatenateFunction) PrintLines(out, kTrackReuse);
  if (modify) {
    PrintLines(out, kNameFromStdinAndSaveInPlace);
  } else {
    PrintLines(out, kNamesFromStdin);
  }
  PrintLines(out, kOutputFileAndEnd);
  if (!modify) PrintLines(out, kScopeNote);
  PrintLines(out, kInputOptions);
  if (function == multiplexFunction) PrintLines(out, kScaleToOutput);
  PrintLines(out, kMatrixRateTrackChapter);
  out.flush();
}
