#include "logic/core/errors.h"

#include <atomic>
#include <cstdio>

#include "logic/core/ansi.h"
#include "logic/core/asciitext.h"

namespace orvella {

namespace {
std::atomic<TextSource> source{nullptr};
constexpr const char* kErrors = "EcrOrvella";
}  // namespace

void SetTextSource(TextSource s) { source = s; }

std::string FillArguments(std::string_view pattern, std::initializer_list<std::string> args) {
  std::string out;
  auto arg = args.begin();
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 's' && arg != args.end()) {
      out += *arg++;
      ++i;
    } else {
      out += pattern[i];
    }
  }
  return out;
}

std::string CatalogueText(std::string_view section, std::string_view key, const char* french,
                          std::initializer_list<std::string> args) {
  const TextSource s = source;
  return FillArguments(s ? s(section, key) : Ansi(french), args);
}

std::string OSErrorMessage(win::DWORD code) {
  if (code == 0)
    return CatalogueText(kErrors, "ErreurSystemeInconnue",
                         "Un appel à une fonction du système d'exploitation a échoué");
  return CatalogueText(kErrors, "ErreurSysteme", "Erreur système.  Code : %s.\r\n%s",
                       {UIntToStr(code), win::FormatMessageA(code)});
}

EOSError::EOSError(win::DWORD code) : Error(OSErrorMessage(code)), code_(code) {}

void RaiseOSError(win::DWORD code) { throw EOSError(code); }

void RaiseLastOSError() { RaiseOSError(win::GetLastError()); }

std::string InOutErrorText(int errorCode) {
  switch (errorCode) {
    case kIoFileNotFound:
      return CatalogueText(kErrors, "FichierIntrouvable", "Fichier introuvable");
    case kIoPathNotFound:
      return CatalogueText(kErrors, "CheminIntrouvable", "Chemin d'accès introuvable");
    case kIoTooManyOpenFiles:
      return CatalogueText(kErrors, "TropDeFichiers", "Trop de fichiers ouverts");
    case kIoAccessDenied:
      return CatalogueText(kErrors, "AccesRefuse", "Accès au fichier refusé");
    case kIoReadPastEnd:
      return CatalogueText(kErrors, "LectureFinFichier", "Lecture au-delà de la fin du fichier");
    case kIoDiskFull:
      return CatalogueText(kErrors, "DisquePlein", "Disque plein");
    case kIoFileNotOpen:
      return CatalogueText(kErrors, "FichierNonOuvert", "Fichier non ouvert");
    case kIoInvalidNumber:
      return CatalogueText(kErrors, "SaisieNumerique", "Saisie numérique incorrecte");
    case 32:
      return CatalogueText(kErrors, "ViolationPartage", "Violation de partage");
    default:
      return CatalogueText(kErrors, "ErreurES", "Erreur d'E/S %s", {IntToStr(errorCode)});
  }
}

int InOutCodeFromWin32(win::DWORD code) {
  switch (code) {
    case win::ERROR_DISK_FULL:
    case win::ERROR_HANDLE_DISK_FULL:
      return kIoDiskFull;
    case win::ERROR_WRITE_PROTECT:
      return kIoAccessDenied;
    case win::ERROR_HANDLE_EOF:
      return kIoReadPastEnd;
    default:
      return static_cast<int>(code);
  }
}

EInOutError::EInOutError(int errorCode) : Error(InOutErrorText(errorCode)), errorCode_(errorCode) {}

EListError::EListError(int index)
    : Error(CatalogueText(kErrors, "IndiceHorsLimites", "Indice de liste hors limites (%s)", {IntToStr(index)})) {}

EReadError::EReadError() : Error(CatalogueText(kErrors, "ErreurLectureFlux", "Erreur de lecture du flux")) {}

}  // namespace orvella
