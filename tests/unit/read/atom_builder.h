// Builds atoms in memory for reader tests: sizes filled in, or wrong on purpose.
#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

namespace readtest {

using Bytes = std::vector<std::uint8_t>;

inline void PutBE(Bytes& b, std::uint64_t v, int n) {
  for (int i = n - 1; i >= 0; --i) b.push_back(std::uint8_t(v >> (8 * i)));
}
inline Bytes U8(std::uint64_t v) { Bytes b; PutBE(b, v, 1); return b; }
inline Bytes U16(std::uint64_t v) { Bytes b; PutBE(b, v, 2); return b; }
inline Bytes U32(std::uint64_t v) { Bytes b; PutBE(b, v, 4); return b; }
inline Bytes U64(std::uint64_t v) { Bytes b; PutBE(b, v, 8); return b; }
inline Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }
inline Bytes Zeros(std::size_t n) { return Bytes(n, 0); }

inline Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

/// An atom with the 32-bit size of its contents.
inline Bytes Atom(const char* type, std::initializer_list<Bytes> parts = {}) {
  Bytes payload = Cat(parts);
  return Cat({U32(8 + payload.size()), Text(type), payload});
}
/// An atom whose size field says `size`, whatever it holds.
inline Bytes AtomSized(std::uint32_t size, const char* type, std::initializer_list<Bytes> parts = {}) {
  return Cat({U32(size), Text(type), Cat(parts)});
}
/// An atom with a 64-bit size (size field 1).
inline Bytes Atom64(const char* type, std::initializer_list<Bytes> parts = {}) {
  Bytes payload = Cat(parts);
  return Cat({U32(1), Text(type), U64(16 + payload.size()), payload});
}
/// A full atom: version and flags, then the contents.
inline Bytes Full(const char* type, int version, std::uint32_t flags,
                  std::initializer_list<Bytes> parts = {}) {
  Bytes payload = Cat(parts);
  Bytes flagBytes{std::uint8_t(flags >> 16), std::uint8_t(flags >> 8), std::uint8_t(flags)};
  return Atom(type, {U8(version), flagBytes, payload});
}

inline Bytes Matrix() {
  return Cat({U32(0x10000), U32(0), U32(0), U32(0), U32(0x10000), U32(0), U32(0), U32(0),
              U32(0x40000000)});
}

inline Bytes Mvhd(std::uint32_t timeScale = 600) {
  return Full("mvhd", 0, 0, {U32(0), U32(0), U32(timeScale), U32(0), U32(0x10000), U16(0x100),
                             Zeros(10), Matrix(), Zeros(24), U32(3)});
}
inline Bytes Tkhd(std::uint32_t id, std::uint32_t flags = 3) {
  return Full("tkhd", 0, flags, {U32(0), U32(0), U32(id), U32(0), U32(0), Zeros(8), U16(0),
                                 U16(0), U16(0), U16(0), Matrix(), U32(320 << 16), U32(240 << 16)});
}
inline Bytes Mdhd(std::uint32_t timeScale) {
  return Full("mdhd", 0, 0, {U32(0), U32(0), U32(timeScale), U32(0), U16(0x55c4), U16(0)});
}
/// QuickTime flavour: Pascal name; ISO flavour: C string.
inline Bytes Hdlr(const char* handler, const std::string& name, bool pascal) {
  Bytes n = pascal ? Cat({U8(name.size()), Text(name)}) : Cat({Text(name), U8(0)});
  return Full("hdlr", 0, 0, {pascal ? Text("mhlr") : U32(0), Text(handler), U32(0), U32(0),
                             U32(0), n});
}
/// A sample description entry: size, format, 6 reserved, data reference index, body.
inline Bytes Description(const char* format, std::size_t bodySize = 8) {
  return Atom(format, {Zeros(6), U16(1), Zeros(bodySize)});
}
inline Bytes Stsd(std::initializer_list<Bytes> entries) {
  return Full("stsd", 0, 0, {U32(entries.size()), Cat(entries)});
}
struct Run { std::uint32_t count, value; };
inline Bytes Stts(std::initializer_list<Run> runs) {
  Bytes b = U32(runs.size());
  for (const Run& r : runs) b = Cat({b, U32(r.count), U32(r.value)});
  return Full("stts", 0, 0, {b});
}
struct StscRow { std::uint32_t first, perChunk, desc; };
inline Bytes Stsc(std::initializer_list<StscRow> rows) {
  Bytes b = U32(rows.size());
  for (const StscRow& r : rows) b = Cat({b, U32(r.first), U32(r.perChunk), U32(r.desc)});
  return Full("stsc", 0, 0, {b});
}
inline Bytes Stsz(std::uint32_t constant, std::uint32_t count, const std::vector<std::uint32_t>& sizes = {}) {
  Bytes b = Cat({U32(constant), U32(count)});
  for (std::uint32_t s : sizes) b = Cat({b, U32(s)});
  return Full("stsz", 0, 0, {b});
}
inline Bytes Stco(const std::vector<std::uint32_t>& offsets) {
  Bytes b = U32(offsets.size());
  for (std::uint32_t o : offsets) b = Cat({b, U32(o)});
  return Full("stco", 0, 0, {b});
}
inline Bytes Co64(const std::vector<std::uint64_t>& offsets) {
  Bytes b = U32(offsets.size());
  for (std::uint64_t o : offsets) b = Cat({b, U64(o)});
  return Full("co64", 0, 0, {b});
}
inline Bytes Dref(std::initializer_list<Bytes> entries) {
  return Atom("dinf", {Full("dref", 0, 0, {U32(entries.size()), Cat(entries)})});
}
inline Bytes SelfRef() { return Full("alis", 0, 1); }

/// Four samples of 100 bytes in two chunks, 10 units each.
inline Bytes DefaultStbl() {
  return Atom("stbl", {Stsd({Description("avc1")}), Stts({{4, 10}}), Stsc({{1, 2, 1}}),
                       Stsz(100, 4), Stco({1000, 1200})});
}
inline Bytes VideoTrak(std::uint32_t id, const Bytes& stbl, std::initializer_list<Bytes> extra = {}) {
  return Atom("trak", {Tkhd(id), Cat(extra),
                       Atom("mdia", {Mdhd(30), Hdlr("vide", "Video", true),
                                     Atom("minf", {Full("vmhd", 0, 1, {Zeros(8)}), Dref({SelfRef()}),
                                                   stbl})})});
}
inline Bytes Moov(std::initializer_list<Bytes> children) { return Atom("moov", children); }
/// A QuickTime file: ftyp 'qt  ' then the given atoms.
inline Bytes QuickTimeFile(std::initializer_list<Bytes> atoms) {
  return Cat({Atom("ftyp", {Text("qt  "), U32(0x200), Text("qt  ")}), Cat(atoms)});
}

}  // namespace readtest
