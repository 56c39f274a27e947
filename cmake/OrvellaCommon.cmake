# One interface target carries the language standard, the warnings and the Qt
# strictness defines; every target of the project links it. No directory-wide
# flags.
add_library(orvella_options INTERFACE)
target_compile_features(orvella_options INTERFACE cxx_std_20)
# Position-independent code in every target: the libraries also go into the
# loadable DM3 image plugin, and the executables are position-independent
# anyway (Qt asks for it, Debian's compilers default to it).
set_property(TARGET orvella_options PROPERTY INTERFACE_POSITION_INDEPENDENT_CODE ON)
set(CMAKE_CXX_EXTENSIONS OFF)
if(MSVC)
  target_compile_options(orvella_options INTERFACE /W4 /utf-8)
else()
  target_compile_options(orvella_options INTERFACE -Wall -Wextra -Wpedantic -Wshadow
    -Wnon-virtual-dtor -Wcast-align -Woverloaded-virtual -Wno-unused-parameter -Wno-missing-field-initializers)
endif()
target_compile_definitions(orvella_options INTERFACE
  QT_NO_CAST_FROM_ASCII
  QT_NO_CAST_TO_ASCII
  QT_NO_CONTEXTLESS_CONNECT
  QT_NO_URL_CAST_FROM_STRING
  QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
  QT_NO_FOREACH)

# A fuzzing build (ORVELLA_FUZZ, clang): every library the fuzz targets reach
# is instrumented for libFuzzer and the sanitizers.
if(ORVELLA_FUZZ AND CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  set(_sanitizers -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_compile_options(orvella_options INTERFACE -fsanitize=fuzzer-no-link ${_sanitizers})
  # libFuzzer's convention: checksums that no mutation could keep right are
  # not enforced, so that what lies behind them is fuzzed too.
  target_compile_definitions(orvella_options INTERFACE FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION)
  target_link_options(orvella_options INTERFACE ${_sanitizers})
endif()
