// The ANSI code page as the program's files meet it: text written by
// earlier versions or on Windows machines is Windows-1252.
#include "platform/textcodec.h"
#include "platform/winapi.h"

namespace platform {

bool AnsiIsUtf8() { return win::GetACP() == win::CP_UTF8; }

std::string AnsiFromFileBytes(std::string_view bytes, bool* legacy) {
  if (legacy) *legacy = false;
  if (!AnsiIsUtf8() || text::IsValidUtf8(bytes)) return std::string(bytes);
  if (legacy) *legacy = true;
  return text::Cp1252ToUtf8(bytes);
}

}  // namespace platform
