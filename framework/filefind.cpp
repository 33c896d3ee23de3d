#include "afxwin.h"

#include <string.h>

CFileFind::CFileFind() : m_pFoundInfo(NULL), m_pNextInfo(NULL), m_hContext(NULL) {}

CFileFind::~CFileFind() { Close(); }

void CFileFind::Close()
{
    m_pFoundInfo = NULL;
    m_pNextInfo = NULL;
    if (m_hContext != NULL && m_hContext != INVALID_HANDLE_VALUE) AFX_SYS(FindClose)(m_hContext);
    m_hContext = NULL;
}

BOOL CFileFind::FindFile(LPCSTR pattern, DWORD /*unused*/)
{
    Close();
    if (pattern == NULL) pattern = "*.*";

    // The pattern travels in cFileName and the system search takes no longer
    // names either: refuse rather than cut it.
    size_t length = strlen(pattern);
    if (length >= MAX_PATH) {
        AFX_SYS(SetLastError)(ERROR_FILENAME_EXCED_RANGE);
        return FALSE;
    }
    m_pNextInfo = &m_records[0];
    memcpy(m_pNextInfo->cFileName, pattern, length + 1);

    // Fails with ERROR_FILE_NOT_FOUND when nothing matches, and with
    // ERROR_PATH_NOT_FOUND or ERROR_NOT_READY (no medium; the error mode keeps
    // the system's box away) when the folder itself cannot be read.
    m_hContext = AFX_SYS(FindFirstFileA)(pattern, m_pNextInfo);
    if (m_hContext == INVALID_HANDLE_VALUE) {
        DWORD error = AFX_SYS(GetLastError)();
        Close();
        AFX_SYS(SetLastError)(error);
        return FALSE;
    }

    // Windows' path limit counts characters, and an ANSI character may take
    // several bytes (two in a double-byte code page, up to four in UTF-8). The
    // return value counts the terminator only when the buffer was too small.
    CString fullPath;
    LPSTR filePart = NULL;
    DWORD size = 2 * MAX_PATH;
    DWORD fullLength = AFX_SYS(GetFullPathNameA)(pattern, size, fullPath.GetBuffer(size), &filePart);
    if (fullLength > size) {
        size = fullLength;
        fullLength = AFX_SYS(GetFullPathNameA)(pattern, size, fullPath.GetBuffer(size), &filePart);
    }
    if (fullLength == 0 || fullLength >= size ||
        AFX_SYS(MultiByteToWideChar)(CP_ACP, 0, fullPath, -1, NULL, 0) > MAX_PATH) {
        Close();
        AFX_SYS(SetLastError)(ERROR_INVALID_NAME);
        return FALSE;
    }
    fullPath.ReleaseBuffer(fullLength);
    LPCSTR separator = AfxFindLastOf(fullPath, "\\/", AFX_SYS(IsDBCSLeadByte));
    if (separator != NULL) fullPath.ReleaseBuffer(static_cast<int>(separator - static_cast<LPCSTR>(fullPath)));
    m_strRoot = fullPath;
    return TRUE;
}

BOOL CFileFind::FindNextFile()
{
    if (m_hContext == NULL || m_hContext == INVALID_HANDLE_VALUE) return FALSE;
    if (m_pFoundInfo == NULL) m_pFoundInfo = &m_records[1];

    WIN32_FIND_DATAA* readAhead = m_pNextInfo;
    m_pNextInfo = m_pFoundInfo;
    m_pFoundInfo = readAhead;
    return AFX_SYS(FindNextFileA)(m_hContext, m_pNextInfo);
}

CString CFileFind::GetFileName() const
{
    // A name whose ANSI spelling takes more than the record holds (one of
    // 255 characters, in a double-byte or UTF-8 code page) comes back cut off
    // and unterminated: it is no name of the entry's.
    if (m_pFoundInfo == NULL || memchr(m_pFoundInfo->cFileName, '\0', MAX_PATH) == NULL) return CString();
    return CString(m_pFoundInfo->cFileName);
}

CString CFileFind::GetShortFileName() const
{
    if (m_pFoundInfo == NULL) return CString();
    char name[sizeof(m_pFoundInfo->cAlternateFileName)];
    memcpy(name, m_pFoundInfo->cAlternateFileName, sizeof(name));
    name[sizeof(name) - 1] = '\0';
    return CString(name);
}
