// orvella-check [--json] [--log] [--settings FILE] XPLANE_FOLDER
// What X-Plane will miss when it loads the installation, found before it
// starts. Exit 0: nothing found; 1: problems found; 2: the folder (or the
// settings named) could not be read.
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "logic/check/checktexts.h"
#include "logic/check/scenerycheck.h"
#include "logic/core/asciitext.h"
#include "logic/core/errors.h"
#include "logic/core/filelocations.h"
#include "logic/core/folders.h"
#include "logic/core/pathnames.h"
#include "logic/core/textfile.h"
#include "logic/settings/settingsfile.h"
#include "logic/texts/textes.h"
#include "platform/winapi.h"

namespace {

using namespace orvella;

constexpr int kNothingFound = 0;
constexpr int kProblemsFound = 1;
constexpr int kCannotCheck = 2;

// A path of the command line as the logic names it (a Windows path).
std::string LogicPath(const std::string& arg) {
#ifdef _WIN32
  char buffer[win::MAX_PATH * 4];
  const win::DWORD n = win::GetFullPathNameA(arg.c_str(), sizeof buffer, buffer, nullptr);
  return n > 0 && n < sizeof buffer ? std::string(buffer, n) : arg;
#else
  std::error_code ec;
  const std::string host = std::filesystem::absolute(arg, ec).lexically_normal().string();
  const int n = win::MultiByteToWideChar(win::CP_UTF8, 0, host.data(), static_cast<int>(host.size()), nullptr, 0);
  std::u16string wide(static_cast<size_t>(n > 0 ? n : 0), u'\0');
  if (n > 0) win::MultiByteToWideChar(win::CP_UTF8, 0, host.data(), static_cast<int>(host.size()), wide.data(), n);
  std::string path = platform::FromHostPath(wide);
  while (path.size() > 3 && path.back() == '\\') path.pop_back();
  return path.empty() ? arg : path;
#endif
}

// The settings file of the orvella program installed beside this one.
std::string DefaultSettingsPath() {
  const std::string self = platform::ExecutablePath();
  std::string program = FolderPart(self);
  if (!program.empty() && program.back() != '\\') program += '\\';
  program += "orvella";
  if (self.size() > 4 && EqualsAsciiNoCase(std::string_view(self).substr(self.size() - 4), ".exe")) program += ".exe";
  return SettingsFilePath(program);
}

void ScenesOf(const std::vector<SettingsNode>& nodes, std::vector<std::string>& out) {
  for (const SettingsNode& n : nodes) {
    if (n.group)
      ScenesOf(n.children, out);
    else if (!n.text.empty())
      out.push_back(n.text);
  }
}

// The scenes of the trees that have no link in the installation's folder.
void AddInactive(const std::vector<SettingsNode>& tree, const std::string& sceneryFolder,
                 std::vector<std::string>& out) {
  std::vector<std::string> scenes;
  ScenesOf(tree, scenes);
  for (const std::string& scene : scenes) {
    const std::string link = sceneryFolder + "\\" + LastComponent(scene);
    if (!DirectoryExists(link) && DirectoryExists(scene)) out.push_back(scene);
  }
}

void Print(const std::string& text, std::FILE* to) { std::fwrite(text.data(), 1, text.size(), to); }

}  // namespace

int main(int argc, char** argv) {
  UseLanguageFileOfOrvella();
  bool json = false;
  check::Options options;
  std::optional<std::string> settingsArg;
  std::string folderArg;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--json") {
      json = true;
    } else if (a == "--log") {
      options.readLog = true;
    } else if (a == "--settings" && i + 1 < argc) {
      settingsArg = argv[++i];
    } else if (a == "--help" || a == "-h") {
      Print(check::CheckText("Usage") + "\n", stdout);
      return kNothingFound;
    } else if (!a.empty() && a[0] == '-') {
      Print(check::CheckText("OptionInconnue", {a}) + "\n" + check::CheckText("Usage") + "\n", stderr);
      return kCannotCheck;
    } else if (folderArg.empty()) {
      folderArg = a;
    } else {
      Print(check::CheckText("Usage") + "\n", stderr);
      return kCannotCheck;
    }
  }
  if (folderArg.empty()) {
    Print(check::CheckText("Usage") + "\n", stderr);
    return kCannotCheck;
  }
  const std::string folder = LogicPath(folderArg);
  if (!DirectoryExists(folder + "\\Custom Scenery")) {
    Print(check::CheckText("ImpossibleVerifier", {folder, check::CheckText("PasXPlane")}) + "\n", stderr);
    return kCannotCheck;
  }

  // Orvella's trees: the scenes not active here may provide what is missing.
  const std::string settingsPath = settingsArg ? LogicPath(*settingsArg) : DefaultSettingsPath();
  if (settingsArg || FileExists(settingsPath)) {
    try {
      const SettingsRead read = ParseSettings(ReadWholeFile(settingsPath));
      // A damaged file would drop the scenes it lists past the damage.
      if (read.error) throw *read.error;
      AddInactive(read.settings.custom, folder + "\\Custom Scenery", options.inactiveScenes);
      AddInactive(read.settings.global, folder + "\\Global Scenery", options.inactiveScenes);
      options.memoryFile = FolderPart(settingsPath) + "orvella.check";
    } catch (const Error& e) {
      if (settingsArg) {
        Print(check::CheckText("ParametresIllisibles", {settingsPath, e.what()}) + "\n", stderr);
        return kCannotCheck;
      }
    }
  }

  check::Report report;
  try {
    report = check::CheckInstallation(folder, options);
  } catch (const Error& e) {
    Print(check::CheckText("ImpossibleVerifier", {folder, e.what()}) + "\n", stderr);
    return kCannotCheck;
  }
  Print(json ? check::ReportJson(report) : check::ReportText(report), stdout);
  std::fflush(stdout);
  return report.problems() ? kProblemsFound : kNothingFound;
}
