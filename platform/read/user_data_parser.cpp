#include "user_data_parser.h"

#include "../io/atom_header.h"

namespace tvx {

void AddUserDataItem(OSType type, ByteReader payload, UserData* out) {
  UserDataItem item;
  item.type = type;
  item.data.assign(payload.Current(), payload.Current() + payload.Remaining());
  out->items.push_back(std::move(item));
}

OSErr ParseUserData(ByteReader udta, UserData* out) {
  while (udta.Remaining() >= 8) {
    ByteReader peek = udta;
    std::uint32_t size = 0;
    if (!peek.Read(size) || size == 0) break;  // the terminating zero
    AtomHeader h;
    ByteReader payload;
    if (OSErr err = ReadChildAtom(udta, &h, &payload, nullptr)) return err;
    AddUserDataItem(h.type, payload, out);
  }
  return noErr;
}

}  // namespace tvx
