/* Scrivo.dll: writes files and folders to a recordable CD or DVD through a two-page
 * wizard ("Write Files to CD") shown modally over the host's window.
 *
 * Link against Scrivo.dll (or load it and look up "WriteFilesToCD"); the library needs
 * nothing but system DLLs. 32-bit (i686) only. */
#ifndef SCRIVO_H
#define SCRIVO_H

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The paths to write: Count items, each a zero-terminated string in the ANSI code page,
 * naming a file or a folder (a folder is written with everything below it). The library
 * copies the list and never keeps the pointers. */
typedef struct ScrivoFileList {
    int Count;
    const char* const* Items;
} ScrivoFileList;

/* Where plain files of the list go on the disc (AddMode). */
#define SCRIVO_ADD_TO_ROOT 0
#define SCRIVO_ADD_TO_DEST_FOLDER 2

/* Results of WriteFilesToCD. */
#define SCRIVO_RESULT_PREVIOUS 0 /* the user pressed "Previous" on the first page */
#define SCRIVO_RESULT_WRITTEN 1  /* closed after at least one recording without error */
#define SCRIVO_RESULT_NOT_WRITTEN 2 /* cancelled, failed, or any error */

/* Shows the wizard modally, owned by ParentWindow (may be NULL), and returns when it
 * closes. Must be called on a thread that runs the host's message loop; the host's
 * windows are disabled while the wizard is up. Not re-entrant.
 *
 * Files        the paths to write; NULL opens the wizard with an empty list.
 * AddMode      0 or 1: plain files go into the disc's root folder; 2: into DestFolder;
 *              any other value adds nothing.
 * DestFolder   folder on the disc for AddMode 2 ("Backup\\Today"); NULL reads as "".
 * VolLabel     the disc's volume label; NULL or "" uses the label stored last time
 *              (default "Ombrel CD").
 * RegistryKey  settings key under HKEY_CURRENT_USER; NULL or "" uses
 *              "Software\\Ombrel\\Scrivo\\".
 * ShowReviewFiles  non-zero shows the "Review Files..." button (the user may edit the list).
 * ShowPrevious     non-zero shows the "Previous" buttons (result 0 becomes possible).
 * WriteLog         non-zero writes ScrivoLog.txt beside the host's executable.
 *
 * Never raises: any failure inside ends the call with SCRIVO_RESULT_NOT_WRITTEN. */
int __stdcall WriteFilesToCD(HWND ParentWindow, const ScrivoFileList* Files, short AddMode,
                             const char* DestFolder, const char* VolLabel, const char* RegistryKey,
                             unsigned char ShowReviewFiles, unsigned char ShowPrevious,
                             unsigned char WriteLog);

/* The same as a pointer type, for hosts that load the library at run time. */
typedef int(__stdcall* ScrivoWriteFilesToCDProc)(HWND, const ScrivoFileList*, short, const char*,
                                                   const char*, const char*, unsigned char,
                                                   unsigned char, unsigned char);

#ifdef __cplusplus
}
#endif

#endif /* SCRIVO_H */
