#include "logic/settings/settingsfile.h"

#include "logic/core/ansi.h"
#include "logic/core/asciitext.h"
#include "logic/core/textfile.h"
#include "platform/winapi.h"

namespace orvella {

namespace {
constexpr const char* kEol = "\r\n";

void WriteNode(std::string& out, const SettingsNode& node) {
  if (node.group) {
    out += node.expanded ? '*' : '+';
    out += node.text;
    out += kEol;
    for (const SettingsNode& child : node.children) WriteNode(out, child);
    out += '-';
    out += kEol;
  } else {
    out += '=';
    out += node.text;
    out += kEol;
  }
}

void WriteTree(std::string& out, const std::vector<SettingsNode>& nodes) {
  for (const SettingsNode& node : nodes) WriteNode(out, node);
}

// Reads one level of nodes into `level` (depth 0: the top level), up to its
// '-' line or the end of the file. Nodes are appended in place, so that what
// was read before an error stays in the record.
void ReadNodes(TextReader& in, std::vector<SettingsNode>& level, int depth) {
  do {
    const char marker = in.readChar();
    const bool lineEnd = marker == '\r' || marker == '\x1a';
    std::string text = lineEnd ? std::string() : in.readLine();
    in.skipLine();
    if (marker == '*' || marker == '+') {
      if (depth >= kMaxSettingsGroupDepth)
        throw EInOutError(kIoInvalidNumber,
                          CatalogueText("EcrOrvella", "ParametresEndommages",
                                        "Fichier de paramètres endommagé : groupes imbriqués sur plus de %s niveaux",
                                        {IntToStr(kMaxSettingsGroupDepth)}));
      SettingsNode& group = level.emplace_back();
      group.group = true;
      group.expanded = marker == '*';
      group.complete = false;
      group.text = std::move(text);
      ReadNodes(in, group.children, depth + 1);
      group.complete = true;
    } else if (marker == '-') {
      break;
    } else if (marker == '=') {
      SettingsNode& scene = level.emplace_back();
      scene.text = std::move(text);
    }
  } while (!in.eof());
}

void ReadInto(TextReader& in, SettingsFile& s) {
  s.version = static_cast<int>(in.readInt());
  in.skipLine();
  Rect b;
  b.left = static_cast<int>(in.readInt());
  b.top = static_cast<int>(in.readInt());
  b.width = static_cast<int>(in.readInt());
  b.height = static_cast<int>(in.readInt());
  s.bounds = b;
  const long long n = in.readInt();
  if (s.version >= 2) s.selected = static_cast<int>(in.readInt());
  in.skipLine();
  // A file that ends early lists no more installations, whatever its count
  // says.
  for (long long k = 0; k < n && !in.eof(); ++k) {
    s.installations.push_back(in.readLine());
    in.skipLine();
  }
  if (s.version >= 3) {
    s.triAuto = in.readInt() == 1;
    if (s.version >= 5) {
      s.panelShown = in.readInt() != 0;
      s.effaceIni = in.readInt() != 0;
    }
    in.skipLine();
  }
  if (!in.eof()) ReadNodes(in, s.custom, 0);
  if (s.version >= 3 && !in.eof()) ReadNodes(in, s.global, 0);
}
}  // namespace

SettingsRead ParseSettings(std::string_view bytes) {
  SettingsRead read;
  TextReader in(platform::AnsiFromFileBytes(bytes));
  try {
    ReadInto(in, read.settings);
  } catch (const EInOutError& e) {
    read.error = e;
  }
  return read;
}

std::string FormatSettings(const SettingsFile& s) {
  const Rect b = s.bounds.value_or(Rect{});
  std::string out;
  out += IntToStr(kSettingsVersion);
  out += kEol;
  out += IntToStr(b.left) + " " + IntToStr(b.top) + " " + IntToStr(b.width) + " " + IntToStr(b.height) + kEol;
  out += IntToStr(static_cast<long long>(s.installations.size())) + " " + IntToStr(s.selected) + kEol;
  for (const std::string& p : s.installations) out += p + kEol;
  out += std::string(s.triAuto.value_or(false) ? "1" : "0") + " " + (s.panelShown.value_or(true) ? "1" : "0") + " " +
         (s.effaceIni.value_or(false) ? "1" : "0") + kEol;
  WriteTree(out, s.custom);
  out += "-";
  out += kEol;
  WriteTree(out, s.global);
  return out;
}

}  // namespace orvella
