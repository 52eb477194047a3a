// User data atoms ('udta', QuickTime File Format "User data atoms") read into ordered items.
#pragma once

#include "../MacTypes.h"
#include "../io/byte_reader.h"
#include "../model/movie_model.h"

namespace tvx {

/// Appends the items of a 'udta' payload, each as (type, payload bytes). A 'meta' item keeps its
/// version and flags. A 32-bit zero ends the list (QuickTime writes one).
OSErr ParseUserData(ByteReader udta, UserData* out);

/// Appends one item holding the payload of an atom (a movie-level 'meta', for instance).
void AddUserDataItem(OSType type, ByteReader payload, UserData* out);

}  // namespace tvx
