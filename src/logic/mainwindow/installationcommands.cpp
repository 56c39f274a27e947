// The managed X-Plane installations: adding, removing, and launching the
// simulator of the selected one.
#include <optional>
#include <string>
#include <vector>

#include "logic/core/ansi.h"
#include "logic/core/asciitext.h"
#include "logic/core/errors.h"
#include "logic/core/folders.h"
#include "logic/core/interaction.h"
#include "logic/junction/reparsepoints.h"
#include "logic/links/addfolder.h"
#include "logic/mainwindow/ecrorvellalogic.h"
#include "logic/texts/textes.h"
#include "platform/winapi.h"

namespace orvella {

namespace {

// Parts appended to an installation path as they stand, so that a drive root
// (D:\) gives D:\\X-Plane.exe, which every file call accepts.
constexpr const char* kProgram = "\\X-Plane.exe";
constexpr const char* kCustom = "\\Custom Scenery";
constexpr const char* kOrderFile = "\\scenery_packs.ini";

// The Windows executable is a file; a native one may be a file or, on macOS,
// an application bundle (a folder).
bool Exists(const std::string& path) { return path.ends_with(".app") ? DirectoryExists(path) : FileExists(path); }

// What the shell's launch call answers on failure (32 and below). These
// texts are the shell's own, in English, and never translated.
std::string LaunchErrorText(win::INT_PTR code) {
  switch (code) {
    case 2:
      return "The specified file was not found.";
    case 3:
      return "The specified path was not found.";
    case 5:
      return "The operating system denied access to the specified file.";
    case 8:
      return "There was not enough memory to complete the operation.";
    case 11:
      return "The .exe file is invalid (non-Win32 .exe or error in .exe image).";
    case 26:
      return "A sharing violation occurred.";
    case 27:
      return "The file name association is incomplete or invalid.";
    case 28:
      return "The DDE transaction could not be completed because the request timed out.";
    case 29:
      return "The DDE transaction failed.";
    case 30:
      return "The DDE transaction could not be completed because other DDE transactions were being processed.";
    case 31:
      return "There is no application associated with the given file name extension.";
    case 32:
      return "The specified DLL was not found.";
    default:
      return "ShellExecute error #" + IntToStr(static_cast<long long>(code));
  }
}

// The simulator's executable in installation p: the native one of this
// system when it is there, else the Windows one (which is also what is
// launched, and reported missing, when neither is there).
std::string ProgrammeXPlane(const std::string& p) {
  for (const std::string& part : ProgrammesXPlane()) {
    if (part != kProgram && Exists(p + part)) return p + part;
  }
  return p + kProgram;
}

}  // namespace

std::vector<std::string> ProgrammesXPlane() {
  switch (platform::CurrentHostSystem()) {
    case platform::HostSystem::Linux:
      return {"\\X-Plane-x86_64", kProgram};
    case platform::HostSystem::MacOS:
      return {"\\X-Plane.app", kProgram};
    default:
      return {kProgram};
  }
}

bool EstInstallationXPlane(const std::string& p) {
  if (!DirectoryExists(p + kCustom)) return false;
  for (const std::string& part : ProgrammesXPlane()) {
    if (Exists(p + part)) return true;
  }
  return false;
}

void EcrOrvellaLogic::btnAjouteXPlaneClick() {
  Catalogue& t = Textes();
  const std::optional<std::string> picked = UI().PickFolder(t.AjouteXPlane.text);
  // An empty answer names no folder: taken as a cancel.
  if (!picked || picked->empty()) return;
  const std::string& p = *picked;
  if (!NameIsRepresentable(p)) {
    const UnreadableFolderScope unreadable;
    NoteDossierIllisible(p);
    SignaleDossiersIllisibles();
    return;
  }

  if (!EstInstallationXPlane(p)) {
    UI().ShowMessage(t.ErreurXPlane.text);
    return;
  }
  if (!VolumeSupportsReparsePoints(p)) {
    UI().ShowMessage(t.ErreurNoLnk.text);
    return;
  }
  for (const std::string& known : installations) {
    if (win::lstrcmpiA(known.c_str(), p.c_str()) == 0) {
      UI().ShowMessage(t.XPlaneDejaLa.text);
      return;
    }
  }
  installations.push_back(p);
  selectInstallation(static_cast<int>(installations.size()) - 1);
}

void EcrOrvellaLogic::btnOteXPlaneClick() {
  if (!UI().Confirm(Textes().OterXPlane.text)) return;
  const int i = selected_;
  const int n = static_cast<int>(installations.size());
  if (i < 0 || i >= n) throw EListError(i);

  // The next one, or the previous one for the last; none for the only one.
  const int next = n == 1 ? -1 : (i < n - 1 ? i + 1 : i - 1);
  // Selecting it re-targets and refreshes both trees; with none the trees
  // keep their scenery folders, nodes and states.
  selectInstallation(next);
  installations.erase(installations.begin() + i);
  selected_ = next > i ? next - 1 : next;
}

void EcrOrvellaLogic::btnOuvrirXPQuitterClick(const std::string& control) {
  if (selected_ < 0 || selected_ >= static_cast<int>(installations.size())) throw EListError(-1);
  const std::string p = installations[static_cast<size_t>(selected_)];

  if (effaceIni()) {
    // The simulator rebuilds its scenery order when the file is gone. A file
    // that cannot be deleted is left alone and the launch goes on.
    const std::string ini = p + kCustom + kOrderFile;
    if (FileExists(ini)) {
      win::DeleteFileA(ini.c_str());
      win::Sleep(100);
    }
  } else if (ordonneIni()) {
    // Written in order just before the start; a failure is said and the
    // launch goes on with the previous file. Cancelled while the packs are
    // read: nothing is written and the simulator is not started.
    if (EcritOrdreScenes() == OrderWrite::Cancelled) return;
  }

  const std::string exe = ProgrammeXPlane(p);
  const win::INT_PTR result = win::ShellExecuteA(nullptr, nullptr, exe.c_str(), nullptr, nullptr, win::SW_SHOWNORMAL);
  if (result <= 32) UI().ShowMessage(LaunchErrorText(result));

  if (control == "btnOuvrirXPQuitter") {
    if (host_) host_->close();
  } else {
    win::Sleep(200);
    if (host_) host_->bringToFront();
  }
}

}  // namespace orvella
