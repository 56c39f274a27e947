// Errors, code pages, comparisons, launching, profile, shortcuts and the
// other system services of the POSIX backend.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <climits>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/collate.h"
#include "platform/ini.h"
#include "platform/posix/internal.h"
#include "platform/shelllink.h"
#include "platform/textcodec.h"
#include "platform/winapi.h"

extern char** environ;

namespace platform::posix {

namespace {
thread_local DWORD tLastError = 0;
}  // namespace

void SetError(DWORD code) { tLastError = code; }

DWORD Win32FromErrno(int e) {
  switch (e) {
    case 0:
      return win::ERROR_SUCCESS;
    case ENOENT:
      return win::ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
      return win::ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
      return win::ERROR_ACCESS_DENIED;
    case EEXIST:
      return win::ERROR_ALREADY_EXISTS;
    case ENOTEMPTY:
      return win::ERROR_DIR_NOT_EMPTY;
    case ENOSPC:
    case EDQUOT:
      return win::ERROR_DISK_FULL;
    case EROFS:
      return win::ERROR_WRITE_PROTECT;
    case EBUSY:
    case ETXTBSY:
      return win::ERROR_SHARING_VIOLATION;
    case EMFILE:
    case ENFILE:
      return win::ERROR_TOO_MANY_OPEN_FILES;
    case ENOMEM:
      return win::ERROR_NOT_ENOUGH_MEMORY;
    case EINVAL:
      return win::ERROR_INVALID_PARAMETER;
    case ENAMETOOLONG:
      return win::ERROR_FILENAME_EXCED_RANGE;
    case EXDEV:
      return win::ERROR_NOT_SAME_DEVICE;
    case EBADF:
      return win::ERROR_INVALID_HANDLE;
    case ELOOP:
      return win::ERROR_CANT_RESOLVE_FILENAME;
    case EFBIG:
      return win::ERROR_FILE_TOO_LARGE;
    case ENOSYS:
    case EOPNOTSUPP:
      return win::ERROR_NOT_SUPPORTED;
    case EPIPE:
      return win::ERROR_BROKEN_PIPE;
    case ENOEXEC:
      return win::ERROR_BAD_FORMAT;
    case ENXIO:
    case ENODEV:
      return win::ERROR_NOT_READY;
    default:
      return win::ERROR_GEN_FAILURE;
  }
}

}  // namespace platform::posix

namespace win {

using platform::posix::SetError;
namespace text = platform::text;

DWORD GetLastError() { return platform::posix::tLastError; }
void SetLastError(DWORD code) { platform::posix::tLastError = code; }

std::string FormatMessageA(DWORD code) {
  // The texts of a French system, for the codes the program can meet.
  struct Entry {
    DWORD code;
    const char* utf8;
  };
  static constexpr Entry kTexts[] = {
      {0, "L'opération a réussi."},
      {1, "Fonction incorrecte."},
      {2, "Le fichier spécifié est introuvable."},
      {3, "Le chemin d'accès spécifié est introuvable."},
      {4, "Le système ne peut pas ouvrir le fichier."},
      {5, "Accès refusé."},
      {6, "Descripteur non valide."},
      {8, "Espace de stockage insuffisant pour traiter cette commande."},
      {11, "Tentative de chargement d'un programme de format incorrect."},
      {13, "Données non valides."},
      {14, "Espace de stockage insuffisant pour exécuter cette opération."},
      {17, "Le fichier ne peut pas être déplacé vers un lecteur de disque différent."},
      {18, "Il n'y a plus de fichier."},
      {19, "Le support est protégé en écriture."},
      {21, "Le périphérique n'est pas prêt."},
      {24, "Le programme a émis une commande mais la longueur de la commande est incorrecte."},
      {29, "Le système ne peut pas écrire sur le périphérique spécifié."},
      {30, "Le système ne peut pas lire à partir du périphérique spécifié."},
      {31, "Un périphérique attaché au système ne fonctionne pas correctement."},
      {32, "Le processus ne peut pas accéder au fichier car ce fichier est utilisé par un autre processus."},
      {33, "Le processus ne peut pas accéder au fichier car un autre processus en a verrouillé une partie."},
      {38, "Fin de fichier atteinte."},
      {39, "Le disque est plein."},
      {50, "Cette demande n'est pas prise en charge."},
      {53, "Le chemin réseau n'a pas été trouvé."},
      {67, "Nom de réseau introuvable."},
      {80, "Le fichier existe."},
      {87, "Paramètre incorrect."},
      {109, "Le canal de communication a été fermé."},
      {112, "Espace insuffisant sur le disque."},
      {122, "La zone de données passée à un appel système est insuffisante."},
      {123, "La syntaxe du nom de fichier, de répertoire ou de volume est incorrecte."},
      {144, "Le répertoire n'est pas un sous-répertoire du répertoire racine."},
      {145, "Le répertoire n'est pas vide."},
      {161, "Le chemin d'accès spécifié n'est pas valide."},
      {183, "Impossible de créer un fichier déjà existant."},
      {206, "Le nom du fichier ou de l'extension est trop long."},
      {223, "La taille du fichier dépasse la limite autorisée et ne peut pas être enregistrée."},
      {234, "Plus de données sont disponibles."},
      {267, "Nom de répertoire non valide."},
      {1113, "Il n'existe pas d'affectation de ce caractère Unicode dans la page de codes multioctets cible."},
      {1921, "Le nom du fichier ne peut pas être résolu par le système."},
      {4390, "Le fichier ou le répertoire n'est pas un point d'analyse."},
      {4391, "L'attribut de point d'analyse ne peut pas être défini car il est en conflit avec un attribut existant."},
      {4392, "Les données présentes dans la mémoire tampon de point d'analyse ne sont pas valides."},
      {4393, "La balise présente dans la mémoire tampon de point d'analyse n'est pas valide."},
      {4394,
       "Il y a une différence entre la balise spécifiée dans la requête et la balise présente dans le point "
       "d'analyse."},
  };
  // The texts of an English system, answered when the interface speaks
  // neither French nor no language at all (C, POSIX), as a Windows in a
  // language it has no texts for answers in English.
  static constexpr Entry kEnglish[] = {
      {0, "The operation completed successfully."},
      {1, "Incorrect function."},
      {2, "The system cannot find the file specified."},
      {3, "The system cannot find the path specified."},
      {4, "The system cannot open the file."},
      {5, "Access is denied."},
      {6, "The handle is invalid."},
      {8, "Not enough memory resources are available to process this command."},
      {11, "An attempt was made to load a program with an incorrect format."},
      {13, "The data is invalid."},
      {14, "Not enough memory resources are available to complete this operation."},
      {17, "The system cannot move the file to a different disk drive."},
      {18, "There are no more files."},
      {19, "The media is write protected."},
      {21, "The device is not ready."},
      {24, "The program issued a command but the command length is incorrect."},
      {29, "The system cannot write to the specified device."},
      {30, "The system cannot read from the specified device."},
      {31, "A device attached to the system is not functioning."},
      {32, "The process cannot access the file because it is being used by another process."},
      {33, "The process cannot access the file because another process has locked a portion of the file."},
      {38, "Reached the end of the file."},
      {39, "The disk is full."},
      {50, "The request is not supported."},
      {53, "The network path was not found."},
      {67, "The network name cannot be found."},
      {80, "The file exists."},
      {87, "The parameter is incorrect."},
      {109, "The pipe has been ended."},
      {112, "There is not enough space on the disk."},
      {122, "The data area passed to a system call is too small."},
      {123, "The filename, directory name, or volume label syntax is incorrect."},
      {144, "The directory is not a subdirectory of the root directory."},
      {145, "The directory is not empty."},
      {161, "The specified path is invalid."},
      {183, "Cannot create a file when that file already exists."},
      {206, "The filename or extension is too long."},
      {223, "The file size exceeds the limit allowed and cannot be saved."},
      {234, "More data is available."},
      {267, "The directory name is invalid."},
      {1113, "No mapping for the Unicode character exists in the target multi-byte code page."},
      {1921, "The name of the file cannot be resolved by the system."},
      {4390, "The file or directory is not a reparse point."},
      {4391, "The reparse point attribute cannot be set because it conflicts with an existing attribute."},
      {4392, "The data present in the reparse point buffer is invalid."},
      {4393, "The tag present in the reparse point buffer is invalid."},
      {4394, "There is a mismatch between the tag specified in the request and the tag present in the reparse point."},
  };
  const WORD language = GetUserDefaultUILanguage() & 0x3FF;
  if (language != 0 && language != 0x0C) {
    for (const auto& e : kEnglish)
      if (e.code == code) return e.utf8;
  } else {
    for (const auto& e : kTexts)
      if (e.code == code) return e.utf8;  // the ANSI code page is UTF-8
  }
  SetError(ERROR_MR_MID_NOT_FOUND);
  return {};
}

// --- Code pages ------------------------------------------------------------------

namespace {
// CP_ACP and CP_THREAD_ACP are UTF-8 here; 1252 is the code page of files
// from Windows machines and earlier versions.
bool IsUtf8(UINT cp) { return cp == CP_ACP || cp == 3 /* CP_THREAD_ACP */ || cp == CP_UTF8; }
}  // namespace

UINT GetACP() { return CP_UTF8; }

WORD GetUserDefaultUILanguage() {
  // The first of these set decides, as for the C library's messages.
  const char* value = nullptr;
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    value = std::getenv(name);
    if (value && *value) break;
  }
  if (!value || !*value) return 0;
  // "de_AT.UTF-8@euro": the language is the letters before '_', '.' or '@'.
  std::string language;
  for (const char* c = value; *c && *c != '_' && *c != '.' && *c != '@'; ++c)
    language += static_cast<char>(std::tolower(static_cast<unsigned char>(*c)));
  struct Known {
    const char* code;
    WORD primary;
  };
  static constexpr Known kLanguages[] = {
      {"cs", 0x05}, {"da", 0x06}, {"de", 0x07}, {"el", 0x08}, {"en", 0x09}, {"es", 0x0A}, {"fi", 0x0B},
      {"fr", 0x0C}, {"hu", 0x0E}, {"it", 0x10}, {"ja", 0x11}, {"ko", 0x12}, {"nl", 0x13}, {"nb", 0x14},
      {"no", 0x14}, {"pl", 0x15}, {"pt", 0x16}, {"ru", 0x19}, {"sv", 0x1D}, {"tr", 0x1F}, {"zh", 0x04},
  };
  for (const Known& k : kLanguages)
    if (language == k.code) return static_cast<WORD>(k.primary | 0x400);  // the default sub-language
  return 0;
}

int MultiByteToWideChar(UINT codePage, DWORD flags, const char* src, int srcLength, WCHAR* dst, int dstLength) {
  if (!src || srcLength == 0 || srcLength < -1 || dstLength < 0 || (dstLength > 0 && !dst) ||
      (!IsUtf8(codePage) && codePage != 1252)) {
    SetError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const std::string_view in(src, srcLength == -1 ? std::strlen(src) + 1 : static_cast<size_t>(srcLength));
  std::u16string out;
  if (codePage == 1252) {
    out = text::Cp1252ToUtf16(in);
  } else {
    bool bad = false;
    for (size_t i = 0; i < in.size();) text::AppendUtf16(out, text::DecodeUtf8(in, i, &bad));
    if (bad && (flags & MB_ERR_INVALID_CHARS)) {
      SetError(ERROR_NO_UNICODE_TRANSLATION);
      return 0;
    }
  }
  if (dstLength == 0) return static_cast<int>(out.size());
  if (out.size() > static_cast<size_t>(dstLength)) {
    std::memcpy(dst, out.data(), static_cast<size_t>(dstLength) * sizeof(WCHAR));
    SetError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(dst, out.data(), out.size() * sizeof(WCHAR));
  return static_cast<int>(out.size());
}

int WideCharToMultiByte(UINT codePage, DWORD, const WCHAR* src, int srcLength, char* dst, int dstLength,
                        const char* defaultChar, BOOL* usedDefaultChar) {
  if (!src || srcLength == 0 || srcLength < -1 || dstLength < 0 || (dstLength > 0 && !dst) ||
      (!IsUtf8(codePage) && codePage != 1252) || (codePage == CP_UTF8 && (defaultChar || usedDefaultChar))) {
    SetError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t len = static_cast<size_t>(srcLength);
  if (srcLength == -1) {
    len = 0;
    while (src[len]) ++len;
    ++len;
  }
  const std::u16string_view in(src, len);
  std::string out;
  if (codePage == 1252) {
    bool lossy = false;
    out.reserve(in.size());
    // Unit by unit, as Windows converts: each half of a surrogate pair is one
    // default character. No "best fit" (Windows would write L for Ł): a
    // character 1252 cannot hold is the default character.
    for (char16_t u : in) {
      const int b = text::ToCp1252(u);
      if (b < 0) lossy = true;
      out += b < 0 ? (defaultChar ? *defaultChar : '?') : static_cast<char>(b);
    }
    if (usedDefaultChar) *usedDefaultChar = lossy ? TRUE_ : FALSE_;
  } else {
    // UTF-8 holds every character; only a lone surrogate has no form and
    // becomes U+FFFD.
    bool bad = false;
    for (size_t i = 0; i < in.size();) text::AppendUtf8(out, text::DecodeUtf16(in, i, &bad));
    if (usedDefaultChar) *usedDefaultChar = bad ? TRUE_ : FALSE_;
  }
  if (dstLength == 0) return static_cast<int>(out.size());
  if (out.size() > static_cast<size_t>(dstLength)) {
    std::memcpy(dst, out.data(), static_cast<size_t>(dstLength));
    SetError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(dst, out.data(), out.size());
  return static_cast<int>(out.size());
}

// --- Comparisons ------------------------------------------------------------------

int lstrcmpA(const char* a, const char* b) {
  if (!a || !b) return (a ? 1 : 0) - (b ? 1 : 0);
  return platform::collate::CompareWordSortUtf8(a, b, false);
}

int lstrcmpiA(const char* a, const char* b) {
  if (!a || !b) return (a ? 1 : 0) - (b ? 1 : 0);
  return platform::collate::CompareWordSortUtf8(a, b, true);
}

// --- Launch ------------------------------------------------------------------------

namespace {

// Splits a command line the way Windows programs read theirs: blanks
// separate, double quotes group, backslashes escape only before a quote.
std::vector<std::string> SplitArguments(const std::string& s) {
  std::vector<std::string> args;
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    if (i == s.size()) break;
    std::string a;
    bool quoted = false;
    while (i < s.size() && (quoted || (s[i] != ' ' && s[i] != '\t'))) {
      size_t slashes = 0;
      while (i < s.size() && s[i] == '\\') ++slashes, ++i;
      if (i < s.size() && s[i] == '"') {
        a.append(slashes / 2, '\\');
        if (slashes % 2) {
          a += '"';
        } else {
          quoted = !quoted;
        }
        ++i;
      } else {
        a.append(slashes, '\\');
        if (i < s.size() && (quoted || (s[i] != ' ' && s[i] != '\t'))) a += s[i++];
      }
    }
    args.push_back(a);
  }
  return args;
}

INT_PTR LaunchCode(int e) {
  switch (e) {
    case ENOENT:
      return 2;  // SE_ERR_FNF
    case ENOTDIR:
      return 3;  // SE_ERR_PNF
    case EACCES:
    case EPERM:
    case EISDIR:
      return 5;  // SE_ERR_ACCESSDENIED
    case ENOMEM:
    case E2BIG:
    case EAGAIN:
      return 8;  // SE_ERR_OOM
    case ENOEXEC:
    case ELIBBAD:
      return static_cast<INT_PTR>(ERROR_BAD_FORMAT);
    case ETXTBSY:
      return 26;  // SE_ERR_SHARE
    default:
      return 0;
  }
}

}  // namespace

INT_PTR ShellExecuteA(HANDLE, const char* operation, const char* file, const char* parameters, const char* directory,
                      int) {
  if (!file || !*file) return 2;
  if (operation && *operation && std::strcmp(operation, "open") != 0) return 31;  // SE_ERR_NOASSOC
  platform::posix::Resolved r;
  if (!platform::posix::ResolveAnsi(file, r)) return GetLastError() == ERROR_FILENAME_EXCED_RANGE ? 2 : 3;
  if (!r.exists) return r.missing == ERROR_FILE_NOT_FOUND ? 2 : 3;
  struct stat st;
  if (::stat(r.host.c_str(), &st) != 0) return 2;
  std::string program = r.host;
  std::vector<std::string> args{r.host};
  if (S_ISDIR(st.st_mode)) {
#if defined(__APPLE__)
    // An application bundle is started the way the Finder starts it.
    if (!r.host.ends_with(".app")) return 31;
    program = "/usr/bin/open";
    args = {program, "-a", r.host};
#else
    return 31;  // a folder would open in a file browser
#endif
  }
  std::string cwd;
  if (directory && *directory) {
    platform::posix::Resolved d;
    if (!platform::posix::ResolveAnsi(directory, d) || !d.exists) return 3;
    cwd = d.host;
  }
  if (parameters) {
    if (program != r.host && *parameters) args.push_back("--args");  // a bundle's own arguments
    for (auto& a : SplitArguments(parameters)) args.push_back(std::move(a));
  }
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!cwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  sigset_t none;
  sigset_t all;
  sigemptyset(&none);
  sigfillset(&all);
  posix_spawnattr_setsigmask(&attr, &none);
  posix_spawnattr_setsigdefault(&attr, &all);
  posix_spawnattr_setpgroup(&attr, 0);  // its own process group: the simulator outlives a Ctrl+C of ours
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
  pid_t pid = 0;
  const int rc = ::posix_spawn(&pid, program.c_str(), &actions, &attr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attr);
  if (rc != 0) return LaunchCode(rc);
  // Nobody waits for the program; a small thread collects its exit status
  // so that no zombie is left behind.
  std::thread([pid] {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return 42;
}

// --- Profile, time ------------------------------------------------------------------

DWORD GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue, char* returned,
                               DWORD size, const char* fileName) {
  return platform::ReadProfileString(section, key, defaultValue, returned, size, fileName);
}

void Sleep(DWORD milliseconds) {
  struct timespec ts {
    static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L
  };
  while (::nanosleep(&ts, &ts) != 0 && errno == EINTR) {
  }
}

}  // namespace win

namespace platform {

std::string ExecutablePath() {
  std::string buf(PATH_MAX, '\0');
  const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
  if (n <= 0) return {};
  buf.resize(static_cast<size_t>(n));
  return posix::WindowsFromHost(buf);
}

std::string ResolveShellLink(const std::string& lnkPath) {
  win::HANDLE h = win::CreateFileA(lnkPath.c_str(), win::GENERIC_READ, win::FILE_SHARE_READ, nullptr,
                                   win::OPEN_EXISTING, 0, nullptr);
  if (h == win::INVALID_HANDLE_VALUE) return {};
  std::string bytes;
  char buf[16384];
  win::DWORD n = 0;
  // Shortcuts are small; a file past 1 MiB is no shortcut.
  while (bytes.size() <= (1u << 20) && win::ReadFile(h, buf, sizeof buf, &n, nullptr) && n > 0) bytes.append(buf, n);
  win::CloseHandle(h);
  if (bytes.size() > (1u << 20)) return {};
  return ParseShellLink(bytes.data(), bytes.size());
}

HostSystem CurrentHostSystem() {
#if defined(__APPLE__)
  return HostSystem::MacOS;
#elif defined(__linux__)
  return HostSystem::Linux;
#else
  return HostSystem::OtherUnix;
#endif
}

char UserDecimalSeparator() {
  const std::lconv* lc = std::localeconv();
  if (lc && lc->decimal_point && lc->decimal_point[0] && !lc->decimal_point[1] &&
      static_cast<unsigned char>(lc->decimal_point[0]) < 0x80)
    return lc->decimal_point[0];
  return '.';
}

std::string UserConfigFolder() {
  std::string host;
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  // A relative value is invalid by the base-directory rules and is ignored.
  if (xdg && xdg[0] == '/') {
    host = xdg;
  } else {
    const char* home = std::getenv("HOME");
    if (!home || home[0] != '/') return {};
    host = std::string(home) + "/.config";
  }
  while (host.size() > 1 && host.back() == '/') host.pop_back();
  std::string path = text::Utf8ToCp1252(posix::WindowsFromHost(host));
  while (path.size() > 3 && path.back() == '\\') path.pop_back();
  return path;
}

void InitializeCom() {}
void UninitializeCom() {}

}  // namespace platform
