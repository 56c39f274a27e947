// Builds scenery packs on real folders for tests and measurements: DSF tiles
// written after the published layout (magic "XPLNEDSF", version 1, atoms of
// a four-character id stored little-endian and a length that counts the
// atom's own header, the header atom holding a property atom of zero-ended
// string pairs, then the other atoms and a 16-byte digest), plain or packed
// in a 7z archive, and apt.dat, library.txt, terrain and textures.
#pragma once

// ORVELLA_TEST_7Z: the test links libarchive (tests/CMakeLists.txt), and
// 7z tiles can be written.
#ifndef ORVELLA_TEST_7Z
#define ORVELLA_TEST_7Z 0
#endif
#if ORVELLA_TEST_7Z
#include "logic/order/libarchive.h"
#endif

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "logic/core/asciitext.h"
#include "platform/testhooks.h"
#include "support/testdir.h"

namespace orvella::test {

inline void PutU32(std::string& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// An atom: id as four characters ("HEAD"), payload after its 8-byte header.
inline std::string Atom(const char* id, const std::string& payload) {
  std::string out;
  const std::uint32_t code = static_cast<std::uint32_t>(static_cast<unsigned char>(id[0])) << 24 |
                             static_cast<std::uint32_t>(static_cast<unsigned char>(id[1])) << 16 |
                             static_cast<std::uint32_t>(static_cast<unsigned char>(id[2])) << 8 |
                             static_cast<std::uint32_t>(static_cast<unsigned char>(id[3]));
  PutU32(out, code);
  PutU32(out, static_cast<std::uint32_t>(payload.size() + 8));
  return out + payload;
}

inline std::string PropPayload(const std::vector<std::pair<std::string, std::string>>& props) {
  std::string p;
  for (const auto& [k, v] : props) {
    p += k;
    p += '\0';
    p += v;
    p += '\0';
  }
  return p;
}

// A whole DSF tile: header with properties, then `body` bytes of definitions
// and geometry stand-ins, then the digest (zeros: the reader never checks it).
inline std::string DsfFile(const std::vector<std::pair<std::string, std::string>>& props, size_t body = 1024) {
  std::string out = "XPLNEDSF";
  PutU32(out, 1);
  out += Atom("HEAD", Atom("PROP", PropPayload(props)));
  std::string filler(body, '\0');
  for (size_t i = 0; i < body; ++i) filler[i] = static_cast<char>((i * 7919u) >> 3);
  out += Atom("DEFN", Atom("TERT", PropPayload({{"lib/g10/terrain10/apt_grs.ter", ""}})));
  out += Atom("GEOD", filler);
  out += std::string(16, '\0');
  return out;
}

inline std::vector<std::pair<std::string, std::string>> TileProps(bool overlay, int west = 2, int south = 48) {
  std::vector<std::pair<std::string, std::string>> p = {{"sim/west", std::to_string(west)},
                                                        {"sim/east", std::to_string(west + 1)},
                                                        {"sim/south", std::to_string(south)},
                                                        {"sim/north", std::to_string(south + 1)},
                                                        {"sim/planet", "earth"},
                                                        {"sim/creation_agent", "test writer"}};
  if (overlay) p.insert(p.begin(), {"sim/overlay", "1"});
  return p;
}

// Writes `content` as the one file `entry` of a 7z archive at host path.
#if ORVELLA_TEST_7Z
inline void Write7z(const std::filesystem::path& host, const std::string& entry, const std::string& content) {
  std::filesystem::create_directories(host.parent_path());
  struct archive* a = archive_write_new();
  archive_write_set_format_7zip(a);
  if (archive_write_open_filename(a, host.string().c_str()) != ARCHIVE_OK) {
    archive_write_free(a);
    throw std::runtime_error("cannot open " + host.string());
  }
  struct archive_entry* e = archive_entry_new();
  archive_entry_set_pathname(e, entry.c_str());
  archive_entry_set_filetype(e, AE_IFREG);
  archive_entry_set_perm(e, 0644);
  archive_entry_set_size(e, static_cast<la_int64_t>(content.size()));
  archive_write_header(a, e);
  const la_ssize_t n = archive_write_data(a, content.data(), content.size());
  archive_entry_free(e);
  const int closed = archive_write_close(a);
  archive_write_free(a);
  if (n != static_cast<la_ssize_t>(content.size()) || closed != ARCHIVE_OK)
    throw std::runtime_error("cannot write " + host.string());
}
#else
inline void Write7z(const std::filesystem::path&, const std::string&, const std::string&) {
  throw std::runtime_error("7z archives cannot be written here");
}
#endif

// How many of the packs named had a file opened for reading since the last
// call (the platform's record of the files the test program opened, taken
// and cleared): a pack is read when one of its files is opened.
inline int PacksRead(const std::vector<std::string>& names) {
  std::vector<std::string> opened = platform::TakeOpenedForReading();
  for (std::string& p : opened) p = FoldAsciiCase(p);
  return static_cast<int>(std::count_if(names.begin(), names.end(), [&](const std::string& name) {
    const std::string part = FoldAsciiCase("\\" + name + "\\");
    return std::any_of(opened.begin(), opened.end(),
                       [&](const std::string& p) { return p.find(part) != std::string::npos; });
  }));
}

// Packs below a TestDir, each made at rel (a folder).
struct PackBuilder {
  const TestDir& dir;

  // One tile of a pack: rel/Earth nav data/+40-010/+48+002.dsf.
  void tile(const std::string& rel, const std::string& dsf, bool compressed,
            const std::string& name = "+48+002.dsf") const {
    const std::string at = rel + "/Earth nav data/+40+000/" + name;
    if (compressed)
      Write7z(dir.host(at), name, dsf);
    else
      dir.file(at, dsf);
  }
  void airport(const std::string& rel, const std::vector<std::string>& codes) const {
    std::string apt = "I\n1100 Generated by WorldEditor\n\n";
    for (const std::string& c : codes)
      apt += "1    354 0 0 " + c + " Airport " + c +
             "\n100 45.00 1 0 0.25 1 3 0 09 48.0 2.0 0 0 1 0 0 0 27 48.0 2.1 0 0 1 0 0 0\n";
    apt += "99\n";
    dir.file(rel + "/Earth nav data/apt.dat", apt);
    tile(rel, DsfFile(TileProps(true)), false);
  }
  void library(const std::string& rel) const {
    dir.file(rel + "/library.txt", "A\n800\nLIBRARY\n\nEXPORT lib/x.obj x.obj\n");
  }
  void overlay(const std::string& rel, bool compressed = false) const {
    tile(rel, DsfFile(TileProps(true)), compressed);
  }
  void ortho(const std::string& rel, bool compressed = false) const {
    tile(rel, DsfFile(TileProps(false)), compressed);
    dir.mkdir(rel + "/terrain");
    dir.mkdir(rel + "/textures");
  }
  void mesh(const std::string& rel, bool compressed = false) const { tile(rel, DsfFile(TileProps(false)), compressed); }
};

}  // namespace orvella::test
