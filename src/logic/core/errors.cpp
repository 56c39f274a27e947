#include "logic/core/errors.h"

#include <cstdio>

#include "logic/core/ansi.h"
#include "logic/core/asciitext.h"

namespace orvella {

std::string OSErrorMessage(win::DWORD code) {
  if (code == 0) return Ansi("Un appel à une fonction du système d'exploitation a échoué");
  return Ansi("Erreur système.  Code : ") + UIntToStr(code) + ".\r\n" + win::FormatMessageA(code);
}

EOSError::EOSError(win::DWORD code) : Error(OSErrorMessage(code)), code_(code) {}

void RaiseOSError(win::DWORD code) { throw EOSError(code); }

void RaiseLastOSError() { RaiseOSError(win::GetLastError()); }

std::string InOutErrorText(int errorCode) {
  switch (errorCode) {
    case kIoFileNotFound:
      return Ansi("Fichier introuvable");
    case kIoPathNotFound:
      return Ansi("Chemin d'accès introuvable");
    case kIoTooManyOpenFiles:
      return Ansi("Trop de fichiers ouverts");
    case kIoAccessDenied:
      return Ansi("Accès au fichier refusé");
    case kIoReadPastEnd:
      return Ansi("Lecture au-delà de la fin du fichier");
    case kIoDiskFull:
      return Ansi("Disque plein");
    case kIoFileNotOpen:
      return Ansi("Fichier non ouvert");
    case kIoInvalidNumber:
      return Ansi("Saisie numérique incorrecte");
    case 32:
      return Ansi("Violation de partage");
    default:
      return Ansi("Erreur d'E/S ") + IntToStr(errorCode);
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

EListError::EListError(int index) : Error(Ansi("Indice de liste hors limites (") + IntToStr(index) + ")") {}

EReadError::EReadError() : Error(Ansi("Erreur de lecture du flux")) {}

}  // namespace orvella
