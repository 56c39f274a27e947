#include "reliability/settingsfixture.h"

#include <cstdlib>

#include "logic/model/nodestates.h"
#include "logic/texts/textes.h"

namespace orvella::test {

namespace {
void AddLines(const Node* node, int depth, std::vector<NodeLine>& out) {
  if (node->kind() == kKindGroup) {
    out.push_back({depth, node->expanded() ? '*' : '+', node->text()});
    for (int i = 0; i < node->childCount(); ++i) AddLines(node->child(i), depth + 1, out);
  } else {
    out.push_back({depth, '=', node->text()});
  }
}

bool StartsWith(const std::string& s, const std::string& prefix) { return s.compare(0, prefix.size(), prefix) == 0; }
}  // namespace

std::vector<NodeLine> Lines(const SceneryTree& tree) {
  std::vector<NodeLine> out;
  for (const Node* n = PremierNoeud(tree); n; n = n->nextSibling()) AddLines(n, 0, out);
  return out;
}

std::string Show(const std::vector<NodeLine>& lines) {
  std::string s;
  for (const NodeLine& l : lines) s += std::string(static_cast<size_t>(l.depth) * 2, ' ') + l.marker + l.text + "\n";
  return s;
}

bool IsCutShort(const std::vector<NodeLine>& part, const std::vector<NodeLine>& whole) {
  if (part.size() > whole.size()) return false;
  for (size_t i = 0; i < part.size(); ++i) {
    const bool last = i + 1 == part.size();
    if (part[i].depth != whole[i].depth) return false;
    // A group cut before its children were read may still be expanded or not.
    const bool group = part[i].marker != '=' && whole[i].marker != '=';
    if (part[i].marker != whole[i].marker && !(last && group)) return false;
    if (last ? !StartsWith(whole[i].text, part[i].text) : part[i].text != whole[i].text) return false;
  }
  return true;
}

bool IsCutShort(const std::vector<std::string>& part, const std::vector<std::string>& whole) {
  if (part.size() > whole.size()) return false;
  for (size_t i = 0; i < part.size(); ++i)
    if (i + 1 == part.size() ? !StartsWith(whole[i], part[i]) : part[i] != whole[i]) return false;
  return true;
}

void SettingsFixture::SetUp() {
  ResetTextes();
  SetLanguageFileOverride(dir.win("none.lng"));
#ifndef _WIN32
  // A start in a read-only folder keeps its settings in the configuration
  // folder: the test's own, never the user's.
  if (const char* old = std::getenv("XDG_CONFIG_HOME")) oldConfig_ = old;
  ::setenv("XDG_CONFIG_HOME", dir.host("config").c_str(), 1);
#endif
}

void SettingsFixture::TearDown() {
  SetLanguageFileOverride({});
#ifndef _WIN32
  if (oldConfig_) {
    ::setenv("XDG_CONFIG_HOME", oldConfig_->c_str(), 1);
  } else {
    ::unsetenv("XDG_CONFIG_HOME");
  }
#endif
}

std::unique_ptr<EcrOrvellaLogic> SettingsFixture::start() {
  auto w = std::make_unique<EcrOrvellaLogic>();
  w->FormCreate(dir.win("orvella.exe"));
  return w;
}

std::string SettingsFixture::realisticFile() {
  const std::string xp11 = dir.mkdir("Sims/X-Plane 11");
  const std::string xp12 = dir.mkdir("Sims/X-Plane 12");
  dir.mkdir("Sims/X-Plane 12/Custom Scenery");
  dir.mkdir("Sims/X-Plane 12/Global Scenery");
  const std::string lib = dir.win("Scenes");
  return "5\r\n-8 31 1024 768\r\n3 2\r\n" + xp11 + "\r\n" + dir.win("Sims/X-Plane 10") + "\r\n" + xp12 +
         "\r\n0 1 1\r\n"
         "*Europe\r\n+France\r\n=" +
         lib + "\\LFPG Paris\r\n=" + lib +
         "\\LFMN Nice\r\n-\r\n"
         "=" +
         lib +
         "\\EGLL London\r\n*Alpes\r\n-\r\n-\r\n"
         "+USA\r\n=" +
         lib + "\\KSFO\r\n-\r\n=" + lib +
         "\\Loose scene\r\n-\r\n"
         "*Airports\r\n=" +
         lib + "\\KSEA\r\n+Mesh\r\n=" + lib + "\\HD Mesh v4\r\n-\r\n-\r\n";
}

}  // namespace orvella::test
