// The settings file: window bounds, installations, options and both trees,
// in the program's own line format (version 5 written, 1 to 5 read).
#include <string>

#include "logic/app/ecrorvella.h"
#include "logic/core/textfile.h"
#include "logic/core/ansi.h"
#include "logic/core/errors.h"
#include "logic/core/folders.h"
#include "logic/core/interaction.h"
#include "logic/model/etats.h"
#include "logic/texts/textes.h"
#include "platform/winapi.h"

namespace orvella {

namespace {
constexpr const char* kEol = "\r\n";

void EcritNoeud(std::string& out, const Node* node) {
  if (node->kind() == kKindGroup) {
    out += node->expanded() ? '*' : '+';
    out += node->text();
    out += kEol;
    for (int i = 0; i < node->childCount(); ++i) EcritNoeud(out, node->child(i));
    out += '-';
    out += kEol;
  } else {
    out += '=';
    out += node->text();
    out += kEol;
  }
}

void EcritArbre(std::string& out, const SceneryTree& tree) {
  for (const Node* node = PremierNoeud(tree); node; node = node->nextSibling()) EcritNoeud(out, node);
}

// Groups nest at most this deep. No arrangement comes near it; a file that
// goes deeper is damaged, and reading it on would exhaust the stack here and
// in every walk of the tree.
constexpr int kMaxGroupDepth = 256;

// Reads one level of nodes below parent (nullptr: the top level, depth 0).
void LitNoeuds(TextReader& in, SceneryTree& tree, Node* parent, bool triAuto, int depth) {
  do {
    const char marker = in.readChar();
    const bool lineEnd = marker == '\r' || marker == '\x1a';
    const std::string text = lineEnd ? std::string() : in.readLine();
    in.skipLine();
    if (marker == '*' || marker == '+') {
      if (depth >= kMaxGroupDepth)
        throw EInOutError(kIoInvalidNumber, Ansi("Fichier de paramètres endommagé : groupes imbriqués sur plus de ") +
                                                IntToStr(kMaxGroupDepth) + " niveaux");
      Node* group = tree.addChild(parent, text, kKindGroup);
      LitNoeuds(in, tree, group, triAuto, depth + 1);
      if (marker == '*') tree.setExpanded(group, true);
    } else if (marker == '-') {
      break;
    } else if (marker == '=') {
      tree.addChild(parent, text, kKindScene);
    }
  } while (!in.eof());
  if (parent && triAuto) TrieEnfants(tree, parent);
}

// The file as EcritParametres writes it, from the window's state.
std::string TexteParametres(const Rect& b, const std::vector<std::string>& installations, int selected,
                            bool triAuto, bool panelShown, bool effaceIni, const SceneryTree& custScn,
                            const SceneryTree& globScn) {
  std::string out;
  out += "5";
  out += kEol;
  out += IntToStr(b.left) + " " + IntToStr(b.top) + " " + IntToStr(b.width) + " " + IntToStr(b.height) + kEol;
  out += IntToStr(static_cast<long long>(installations.size())) + " " + IntToStr(selected) + kEol;
  for (const std::string& p : installations) out += p + kEol;
  out += std::string(triAuto ? "1" : "0") + " " + (panelShown ? "1" : "0") + " " + (effaceIni ? "1" : "0") + kEol;
  EcritArbre(out, custScn);
  out += "-";
  out += kEol;
  EcritArbre(out, globScn);
  return out;
}
}  // namespace

void EcrOrvellaLogic::EcritParametres(const std::string& path) {
  const std::string out = TexteParametres(windowBounds(), installations, selected_, triAuto_, panelShown(),
                                          effaceIni(), CustScn, GlobScn);
  // A file that was not taken in whole (damaged, cut short, of an older
  // version, naming vanished folders) is kept as it stood at start. That
  // copy is a safety net only: when it cannot be written (a read-only
  // leftover, say), the session is still saved.
  if (!originalSettings_.empty()) {
    try {
      WriteFileSafely(path + ".bak", originalSettings_);
    } catch (const EInOutError&) {
    }
  }
  // One that could not be read at all is moved aside whole, unread.
  if (readFailed_ && originalSettings_.empty() && FileExists(path) &&
      !win::MoveFileExA(path.c_str(), (path + ".bak").c_str(), win::MOVEFILE_REPLACE_EXISTING))
    throw EInOutError(InOutCodeFromWin32(win::GetLastError()));
  WriteFileSafely(path, out);
}

void EcrOrvellaLogic::LitParametres(const std::string& path) {
  int selected = -1;
  originalSettings_.clear();
  readFailed_ = true;  // until the whole file was read
  originalSettings_ = ReadWholeFile(path);
  // A file from an earlier version or a Windows machine may be in 1252; it
  // is written back in the code page of this system (and kept as it was).
  TextReader in(platform::AnsiFromFileBytes(originalSettings_));

  const long long version = in.readInt();
  in.skipLine();
  Rect b;
  b.left = static_cast<int>(in.readInt());
  b.top = static_cast<int>(in.readInt());
  b.width = static_cast<int>(in.readInt());
  b.height = static_cast<int>(in.readInt());
  setWindowBounds(b);
  const long long n = in.readInt();
  if (version >= 2) selected = static_cast<int>(in.readInt());
  in.skipLine();
  // A file that ends early lists no more installations, whatever its count
  // says: a damaged count shows no message box per missing line.
  for (long long k = 0; k < n && !in.eof(); ++k) {
    const std::string p = in.readLine();
    in.skipLine();
    if (DirectoryExists(p)) {
      installations.push_back(p);
    } else {
      UI().ShowMessage(p + " :\r\n" + Textes().XPlaneAbsent.text);
      if (k < selected) --selected;
    }
  }
  if (version >= 3) {
    setTriAuto(in.readInt() == 1);
    AfficheTriAuto();
    if (version >= 5) {
      if (in.readInt() == 0 && panelShown()) PM_BtnLatClick();
      form["cbEffaceIni"].checked = in.readInt() != 0;
    }
    in.skipLine();
  }
  if (!in.eof()) LitNoeuds(in, CustScn, nullptr, triAuto_, 0);
  if (version >= 3 && !in.eof()) LitNoeuds(in, GlobScn, nullptr, triAuto_, 0);
  readFailed_ = false;

  const int count = static_cast<int>(installations.size());
  if (selected != -1) selectInstallation(selected >= count ? count - 1 : (selected < 0 ? -1 : selected));
  if (count > 0 && selected_ < 0) selectInstallation(0);

  // Nothing to keep when writing what was read gives the file back as it is.
  if (TexteParametres(b, installations, selected_, triAuto_, panelShown(), effaceIni(), CustScn, GlobScn) ==
      originalSettings_)
    originalSettings_.clear();
}

}  // namespace orvella
