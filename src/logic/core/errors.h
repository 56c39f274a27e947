// The program's exceptions. Messages are 8-bit texts in the ANSI code page,
// the way the program shows them.
#pragma once

#include <initializer_list>
#include <stdexcept>
#include <string>
#include <string_view>

#include "platform/winapi.h"

namespace orvella {

// The texts of the messages below come from the program's text catalogue,
// which lies above this library and names itself here as soon as it is
// linked in; without it the French defaults given here show.
using TextSource = std::string (*)(std::string_view section, std::string_view key);
void SetTextSource(TextSource source);
// The catalogue's text of key in section, else french (UTF-8, in the ANSI
// code page once returned), with each "%s" replaced by the next argument.
std::string CatalogueText(std::string_view section, std::string_view key, const char* french,
                          std::initializer_list<std::string> args = {});
// pattern with each "%s" replaced by the next argument; an argument is not
// scanned again.
std::string FillArguments(std::string_view pattern, std::initializer_list<std::string> args);

// Base of every error the program reports to the user.
class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& message) : std::runtime_error(message) {}
};

// A failed system call: the last system error code and the message
// "Erreur système.  Code : %d.\r\n%s", or the generic text for code 0.
class EOSError : public Error {
 public:
  explicit EOSError(win::DWORD code);
  win::DWORD code() const { return code_; }

 private:
  win::DWORD code_;
};

// Raises EOSError with the calling thread's last system error.
[[noreturn]] void RaiseLastOSError();
[[noreturn]] void RaiseOSError(win::DWORD code);
std::string OSErrorMessage(win::DWORD code);

// Input/output error of a text file (the settings file, the tag dump), with
// the run-time library's standard texts.
class EInOutError : public Error {
 public:
  explicit EInOutError(int errorCode);
  EInOutError(int errorCode, const std::string& message) : Error(message), errorCode_(errorCode) {}
  int errorCode() const { return errorCode_; }

 private:
  int errorCode_;
};
// Run-time I/O error codes.
inline constexpr int kIoFileNotFound = 2;
inline constexpr int kIoPathNotFound = 3;
inline constexpr int kIoTooManyOpenFiles = 4;
inline constexpr int kIoAccessDenied = 5;
inline constexpr int kIoReadPastEnd = 100;
inline constexpr int kIoDiskFull = 101;
inline constexpr int kIoFileNotOpen = 103;
inline constexpr int kIoInvalidNumber = 106;
// The run-time text of an I/O error code ("Disque plein", ...).
std::string InOutErrorText(int errorCode);
// Maps a Win32 error code met while reading or writing a file to the run-time
// I/O error code (112 -> 101 "Disque plein", 5 -> 5, ...).
int InOutCodeFromWin32(win::DWORD code);

// The toolkit's list index error: "Indice de liste hors limites (%d)".
class EListError : public Error {
 public:
  explicit EListError(int index);
};

// The toolkit's conversion error: "'%s' n'est pas une valeur entière correcte".
class EConvertError : public Error {
 public:
  using Error::Error;
};

// A file-format error of a picture loader (the toolkit's file-open error).
class EFOpenError : public Error {
 public:
  using Error::Error;
};

// The toolkit's stream read error: "Erreur de lecture du flux".
class EReadError : public Error {
 public:
  EReadError();
};

}  // namespace orvella
