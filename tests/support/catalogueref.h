// Every text key the program's windows and messages read from a language
// file, with its French default: the captions of the three designed windows,
// the 25 catalogue entries and the table of the program's other texts. Tests
// build language files from it and check the shipped ones against it.
#pragma once

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "logic/core/ansi.h"
#include "logic/mainwindow/ecrorvellalogic.h"
#include "logic/texts/textes.h"

namespace orvella::test {

struct KeyedText {
  std::string section;
  std::string key;
  std::string french;  // ANSI
};

inline std::vector<KeyedText> EveryKeyedText() {
  std::vector<KeyedText> out;
  for (const Form& f : {CreateEcrOrvellaForm(), CreateEcrBibliosForm(), CreateEcrConfirmeCopieForm()}) {
    out.push_back({f.name(), "caption", f.caption()});
    // Controls without a caption and menu separators are translated when a
    // file names them, but no file needs to.
    for (const Component& c : f.components())
      if (!c.caption.empty() && c.caption != "-") out.push_back({f.name(), c.name, c.caption});
  }
  Catalogue defaults;
  for (TTraduc* e : defaults.mainWindowEntries()) out.push_back({"EcrOrvella", e->key, e->text});
  out.push_back({"EcrBiblios", defaults.AjoutBiblio.key, defaults.AjoutBiblio.text});
  for (const TextDefault& t : ProgramTexts()) out.push_back({t.section, t.key, Ansi(t.french)});
  return out;
}

// The placeholders of a text in order ("%s", "%1".."%9"), which a
// translation must keep.
inline std::vector<std::string> Placeholders(const std::string& text) {
  std::vector<std::string> out;
  for (size_t i = 0; i + 1 < text.size(); ++i)
    if (text[i] == '%' && (text[i + 1] == 's' || (text[i + 1] >= '1' && text[i + 1] <= '9')))
      out.push_back(text.substr(i++, 2));
  return out;
}

// A language file (CRLF lines) that gives each key value(text), section by
// section.
inline std::string LanguageFileOf(const std::vector<KeyedText>& texts,
                                  const std::function<std::string(const KeyedText&)>& value) {
  std::vector<std::string> sections;
  for (const KeyedText& t : texts)
    if (std::find(sections.begin(), sections.end(), t.section) == sections.end()) sections.push_back(t.section);
  std::string file;
  for (const std::string& s : sections) {
    file += "[" + s + "]\r\n";
    for (const KeyedText& t : texts)
      if (t.section == s) file += t.key + "=" + value(t) + "\r\n";
  }
  return file;
}

}  // namespace orvella::test
