// User data lists: ordered (type, bytes) items; text items hold records of u16 length,
// u16 language and the text, without terminator (QuickTime File Format, user data atoms).
#pragma once

#include <cstdint>
#include <vector>

#include "../model/movie_model.h"

namespace tvx {

/// The index-th (from 1) item of a type, or null.
const UserDataItem* FindUserDataItem(const UserData& ud, OSType type, long index);
UserDataItem* FindUserDataItem(UserData& ud, OSType type, long index);

long CountUserDataItems(const UserData& ud, OSType type);

/// The first type, in list order, after the first item of `type` that differs from every type
/// before it (0 starts the walk); 0 when no type is left.
OSType NextUserDataType(const UserData& ud, OSType type);

/// Replaces the index-th item of the type; index 0 (or one past the last) adds a new item.
OSErr SetUserDataBytes(UserData& ud, OSType type, long index, std::vector<std::uint8_t> bytes);

/// Puts a text record into the index-th item of the type (made when it is the next one),
/// replacing a record of the same language. paramErr, nothing changed, for text longer than a
/// record can hold or an existing item whose records do not add up.
OSErr SetUserDataText(UserData& ud, OSType type, long index, std::uint16_t language,
                      const std::vector<std::uint8_t>& text);

OSErr RemoveUserDataItem(UserData& ud, OSType type, long index);

}  // namespace tvx
