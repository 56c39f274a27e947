// The settings file read into the main window's model (LitParametres), then
// written and read again. Findings: a crash or sanitizer report, an error
// other than the run-time's input/output errors, more message boxes than the
// file has lines, or a file written from what was read that does not come
// back byte for byte when it is read and written once more.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "fuzzsupport.h"
#include "logic/app/ecrorvella.h"
#include "logic/core/errors.h"
#include "logic/core/interaction.h"
#include "logic/texts/textes.h"

namespace {

void WriteHostFile(const std::string& name, const std::uint8_t* data, std::size_t size) {
  std::ofstream out(orvella::fuzz::ScratchHost() / name, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  if (!out) std::abort();
}

std::string ReadHostFile(const std::string& name) {
  std::ifstream in(orvella::fuzz::ScratchHost() / name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

[[noreturn]] void Finding(const char* what) {
  std::fprintf(stderr, "fuzz_settings: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // No language file: the French texts.
  orvella::SetLanguageFileOverride(orvella::fuzz::ScratchWin("none.lng"));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace orvella;
  ScriptedInteraction ui;
  ScopedUI scope(ui);

  WriteHostFile("orvella.ini", data, size);
  std::size_t lines = 1;
  for (std::size_t i = 0; i < size; ++i) lines += data[i] == '\n' || data[i] == '\r';

  EcrOrvellaLogic first;
  try {
    first.LitParametres(fuzz::ScratchWin("orvella.ini"));
  } catch (const EInOutError&) {
  }
  if (ui.messages.size() > lines) Finding("more message boxes than lines in the file");

  // What was read, written and read again, comes back unchanged. After a
  // read that stopped on an error, the start that reads the written file
  // still selects an installation, so the fixed point comes one round later.
  first.EcritParametres(fuzz::ScratchWin("round0.ini"));
  const int rounds = first.readFailed() ? 2 : 1;
  std::string previous = ReadHostFile("round0.ini");
  for (int round = 1; round <= rounds; ++round) {
    const std::string in = "round" + std::to_string(round - 1) + ".ini";
    const std::string out = "round" + std::to_string(round) + ".ini";
    EcrOrvellaLogic again;
    try {
      again.LitParametres(fuzz::ScratchWin(in));
    } catch (const EInOutError&) {
      Finding("a file the program wrote cannot be read back");
    }
    again.EcritParametres(fuzz::ScratchWin(out));
    const std::string written = ReadHostFile(out);
    if (round == rounds && written != previous) Finding("a written file does not survive a read and a write");
    previous = written;
  }
  return 0;
}
