// libarchive's two headers. On Windows archive_entry.h includes <windows.h>
// for one declaration, whose macros would replace the platform layer's names
// (CreateFileA, GENERIC_READ, FILE_BEGIN, ...) in whatever follows: that one
// type is declared here instead.
#pragma once

#ifdef _WIN32
#ifndef _WINDOWS_
#define _WINDOWS_
#define ORVELLA_LIBARCHIVE_HID_WINDOWS_H
#endif
typedef struct _BY_HANDLE_FILE_INFORMATION BY_HANDLE_FILE_INFORMATION;
#endif

#include <archive.h>
#include <archive_entry.h>

#ifdef ORVELLA_LIBARCHIVE_HID_WINDOWS_H
#undef _WINDOWS_
#undef ORVELLA_LIBARCHIVE_HID_WINDOWS_H
#endif
