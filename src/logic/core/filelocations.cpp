#include "logic/core/filelocations.h"

#include <atomic>
#include <chrono>

#include "logic/core/asciitext.h"
#include "logic/core/folders.h"
#include "logic/core/pathnames.h"
#include "platform/handle.h"
#include "platform/winapi.h"

namespace orvella {

std::string DossierConfiguration() {
  const std::string base = platform::UserConfigFolder();
  if (base.empty()) return {};
  // Windows names application folders in capitals, Unix in lower case.
  const char* name = platform::CurrentHostSystem() == platform::HostSystem::Windows ? "Orvella" : "orvella";
  return (base.back() == '\\' ? base : base + "\\") + name;
}

bool DossierInscriptible(const std::string& folder) {
  if (folder.empty() || !DirectoryExists(folder)) return false;
  static std::atomic<unsigned> counter{0};
  const std::string prefix = folder.back() == '\\' ? folder : folder + "\\";
  const auto stamp = static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
  for (int attempt = 0; attempt < 8; ++attempt) {
    const std::string probe = prefix + ".orvella-probe-" + UIntToStr(stamp) + "-" + UIntToStr(counter++) + ".tmp";
    platform::FileHandle probeFile(
        win::CreateFileA(probe.c_str(), win::GENERIC_WRITE, 0, nullptr, win::CREATE_NEW, 0, nullptr));
    if (probeFile.valid()) {
      probeFile.close();
      win::DeleteFileA(probe.c_str());
      return true;
    }
    const win::DWORD e = win::GetLastError();
    if (e != win::ERROR_FILE_EXISTS && e != win::ERROR_ALREADY_EXISTS) return false;
  }
  return false;
}

bool CreeDossiers(const std::string& path) {
  std::string folder = path;
  while (folder.size() > 3 && folder.back() == '\\') folder.pop_back();
  if (folder.empty()) return false;
  if (DirectoryExists(folder)) return true;
  // Each prefix that ends before a backslash, past the drive ("Z:\").
  for (size_t i = folder.find('\\', 3);; i = folder.find('\\', i + 1)) {
    const std::string part = folder.substr(0, i);
    if (!part.empty() && part.back() != '\\' && part.back() != ':' && !DirectoryExists(part))
      win::CreateDirectoryA(part.c_str(), nullptr);
    if (i == std::string::npos) break;
  }
  return DirectoryExists(folder);
}

std::string CheminParametres(const std::string& exePath) {
  const std::string beside = ChangeExtension(exePath, ".ini");
  if (DossierInscriptible(FolderPart(exePath))) return beside;
  const std::string config = DossierConfiguration();
  if (config.empty()) return beside;
  return config + "\\" + LastComponent(beside);
}

std::string CheminLangue(const std::string& exePath) {
  const std::string beside = ChangeExtension(exePath, ".lng");
  if (FileExists(beside)) return beside;
  const std::string config = DossierConfiguration();
  if (config.empty()) return beside;
  const std::string inConfig = config + "\\" + LastComponent(beside);
  return FileExists(inConfig) ? inConfig : beside;
}

}  // namespace orvella
