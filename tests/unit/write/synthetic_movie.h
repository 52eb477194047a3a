// Test helper: small in-memory movies for the writer tests.
#pragma once

#include <memory>
#include <string>

#include "platform/model/movie_model.h"

namespace write_test {

/// A description of the given format pointing at data reference dataRefIndex.
tvx::SampleDescription Description(const char (&format)[5], std::uint16_t dataRefIndex);

/// A video track: 6 samples of growing size in 3 chunks, B-frame offsets, sync at 1 and 4, one edit.
tvx::Track* AddVideoTrack(tvx::Movie& movie, const std::string& dataPath);
/// A sound track: 100 samples of size 4 in 2 chunks, all sync, one edit.
tvx::Track* AddSoundTrack(tvx::Movie& movie, const std::string& dataPath);

std::unique_ptr<tvx::Movie> NewMovie();

}  // namespace write_test
