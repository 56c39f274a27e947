#include "logic/junction/reparsepoints.h"

#include "logic/core/ansi.h"
#include "logic/core/errors.h"
#include "logic/core/interaction.h"
#include "logic/core/pathnames.h"
#include "logic/texts/textes.h"
#include "platform/winapi.h"

namespace orvella {

bool VolumeSupportsReparsePoints(const std::string& path) {
  std::string drive;
  if (path.size() >= 2 && path[1] == ':') {
    drive = path.substr(0, 2);
  } else if (path.rfind("\\\\", 0) == 0) {
    // \\server\share
    const size_t server = path.find('\\', 2);
    if (server != std::string::npos) {
      const size_t share = path.find('\\', server + 1);
      drive = share == std::string::npos ? path : path.substr(0, share);
    } else {
      drive = path;
    }
  }
  const std::string root = drive + "\\";
  win::DWORD maxComponent = 0;
  win::DWORD flags = 0;
  char fsName[256] = {};
  if (!win::GetVolumeInformationA(root.c_str(), nullptr, 0, nullptr, &maxComponent, &flags, fsName, 255)) {
    UI().ShowMessage(Textes().ErrGetVolInfo.text);
    return false;
  }
  return (flags & win::FILE_SUPPORTS_REPARSE_POINTS) != 0;
}

bool CreateJunction(const std::string& linkPathIn, const std::string& targetPathIn, bool exactName) {
  std::string linkPath = linkPathIn;
  if (linkPath.size() > 3 && linkPath.back() == '\\') linkPath.pop_back();
  std::string target = targetPathIn;
  if (target.size() > 3 && target.back() == '\\' && target[target.size() - 2] != ':') target.pop_back();
  win::DWORD error = 0;
  const std::string full = FullPathName(target, &error);
  if (full.empty()) RaiseOSError(error);
  if (AnsiLength(full) >= win::MAX_PATH) RaiseOSError(win::ERROR_FILENAME_EXCED_RANGE);
  // The backend makes the link its own way (platform/winapi.h) and undoes
  // what it made when it fails.
  if (!platform::MakeDirectoryLink(linkPath, full, exactName)) RaiseLastOSError();
  return true;
}

bool IsReparsePoint(const std::string& path) {
  const win::DWORD a = win::GetFileAttributesA(path.c_str());
  if (a == win::INVALID_FILE_ATTRIBUTES) RaiseLastOSError();
  return (a & win::FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

}  // namespace orvella
