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

/* The paths to write: Count items, each a zero-terminated full path in the ANSI code
 * page. The library copies the list and never keeps the pointers.
 *
 * A file item adds that one file (see AddMode for where it goes).
 * A folder item adds the files lying directly in that folder, whether or not the path
 * ends with a backslash ("C:\Data" and "C:\Data\" are the same item): they go into the
 * disc's root folder, whatever AddMode says, and the folder itself does not appear on
 * the disc. Its subfolders, and everything in them, are not written: list each one that
 * should be.
 * Items that are neither files nor folders (devices such as NUL, AUX or COM1 in any
 * folder, "\\.\" paths, pipes) and items that do not exist are left out; with WriteLog
 * the log names each device left out. NULL items are ignored. */
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
 * AddMode      0 or 1: file items go into the disc's root folder; 2: into DestFolder;
 *              any other value adds nothing. Folder items always fill the root.
 * DestFolder   folder on the disc for the file items of AddMode 2 ("Backup\\Today"),
 *              made with its parents; NULL or "" reads as the root.
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
