#include "afxwin.h"

#include <stdarg.h>
#include <stdlib.h>
#include <string.h>

struct CStringData {
    long nRefs;  // 0 for the shared empty string, which is never freed
    int nDataLength;
    int nAllocLength;
    char* data() { return reinterpret_cast<char*>(this + 1); }
};

namespace {

// The shared empty string, zero-initialised so that static objects may make
// strings before any constructor of this file has run.
struct EmptyString {
    CStringData header;
    char text[4];
};
EmptyString g_empty;

char* EmptyText() { return g_empty.text; }

// String resources are at most 65535 characters long.
const int kMaxResourceString = 65535;

// Formatting gives up beyond this size rather than wrap round.
const size_t kMaxFormatted = 0x7FFFFFF;

int SafeLength(LPCSTR text) { return text ? static_cast<int>(strlen(text)) : 0; }

}  // namespace

CString::CString() : m_pchData(EmptyText()) {}

CString::CString(const CString& other) : m_pchData(other.m_pchData)
{
    if (GetData()->nRefs > 0) ++GetData()->nRefs;
}

CString::CString(LPCSTR text) : m_pchData(EmptyText())
{
    int length = SafeLength(text);
    if (length != 0) {
        AllocBuffer(length);
        memcpy(m_pchData, text, length);
    }
}

CString::~CString() { Release(); }

CStringData* CString::GetData() const { return reinterpret_cast<CStringData*>(m_pchData) - 1; }

int CString::GetLength() const { return GetData()->nDataLength; }

BOOL CString::IsEmpty() const { return GetData()->nDataLength == 0; }

void CString::Empty() { Release(); }

void CString::Release()
{
    CStringData* data = GetData();
    if (data->nRefs > 0 && --data->nRefs == 0) free(data);
    m_pchData = EmptyText();
}

// Makes a fresh, unshared buffer of the given length. Running out of memory
// ends the process: no caller could carry on with a cut-off string.
void CString::AllocBuffer(int length)
{
    if (length == 0) {
        m_pchData = EmptyText();
        return;
    }
    CStringData* data = static_cast<CStringData*>(malloc(sizeof(CStringData) + length + 1));
    if (data == NULL) abort();
    data->nRefs = 1;
    data->nDataLength = length;
    data->nAllocLength = length;
    data->data()[length] = '\0';
    m_pchData = data->data();
}

void CString::AssignCopy(int length, LPCSTR text)
{
    if (length == 0) {
        Release();
        return;
    }
    CStringData* data = GetData();
    if (data->nRefs != 1 || length > data->nAllocLength) {
        // text may point into the buffer being let go: copy it out first.
        CString fresh;
        fresh.AllocBuffer(length);
        memcpy(fresh.m_pchData, text, length);
        *this = fresh;
        return;
    }
    memmove(m_pchData, text, length);
    data->nDataLength = length;
    m_pchData[length] = '\0';
}

CString& CString::operator=(const CString& other)
{
    if (m_pchData == other.m_pchData) return *this;
    CStringData* theirs = other.GetData();
    if (theirs->nRefs == 0) {
        Release();
    } else {
        ++theirs->nRefs;  // before Release, in case we held the last reference
        Release();
        m_pchData = other.m_pchData;
    }
    return *this;
}

CString& CString::operator=(LPCSTR text)
{
    AssignCopy(SafeLength(text), text);
    return *this;
}

void CString::ConcatInPlace(int length, LPCSTR text)
{
    if (length == 0) return;
    int oldLength = GetLength();
    CStringData* old = GetData();
    if (old->nRefs == 1 && oldLength + length <= old->nAllocLength) {
        memcpy(m_pchData + oldLength, text, length);
    } else {
        // text may point into this string: copy from the old buffer before freeing it.
        CString grown;
        grown.AllocBuffer(oldLength + length);
        memcpy(grown.m_pchData, m_pchData, oldLength);
        memcpy(grown.m_pchData + oldLength, text, length);
        *this = grown;
    }
    GetData()->nDataLength = oldLength + length;
    m_pchData[oldLength + length] = '\0';
}

CString& CString::operator+=(const CString& other)
{
    ConcatInPlace(other.GetLength(), other.m_pchData);
    return *this;
}

CString& CString::operator+=(LPCSTR text)
{
    ConcatInPlace(SafeLength(text), text);
    return *this;
}

CString operator+(const CString& left, const CString& right)
{
    CString result(left);
    result += right;
    return result;
}

CString operator+(const CString& left, LPCSTR right)
{
    CString result(left);
    result += right;
    return result;
}

CString operator+(LPCSTR left, const CString& right)
{
    CString result(left);
    result += right;
    return result;
}

void CString::CopyBeforeWrite()
{
    CStringData* data = GetData();
    if (data->nRefs > 1) {
        int length = data->nDataLength;
        const char* shared = m_pchData;
        --data->nRefs;
        AllocBuffer(length);
        memcpy(m_pchData, shared, length + 1);
    }
}

LPSTR CString::GetBuffer(int minLength)
{
    CStringData* data = GetData();
    int length = data->nDataLength;
    if (minLength < length) minLength = length;
    if (minLength == 0) return m_pchData;  // the shared empty text
    if (data->nRefs != 1 || minLength > data->nAllocLength) {
        CString grown;
        grown.AllocBuffer(minLength);
        memcpy(grown.m_pchData, m_pchData, length + 1);
        grown.GetData()->nDataLength = length;
        *this = grown;
    }
    return m_pchData;
}

void CString::ReleaseBuffer(int newLength)
{
    CopyBeforeWrite();
    CStringData* data = GetData();
    if (data->nRefs == 0) return;  // empty, nothing was ever written
    if (newLength < 0) {
        const void* end = memchr(m_pchData, '\0', data->nAllocLength);
        newLength = end ? static_cast<int>(static_cast<const char*>(end) - m_pchData) : data->nAllocLength;
    }
    if (newLength > data->nAllocLength) newLength = data->nAllocLength;
    data->nDataLength = newLength;
    m_pchData[newLength] = '\0';
}

BOOL CString::LoadString(UINT id)
{
    HINSTANCE module = AfxGetResourceHandle();
    // LoadStringA cuts a long string to the buffer without saying so: a
    // length that reaches the buffer's size less 2 may have been cut.
    for (int size = 256;; size += 256) {
        LPSTR buffer = GetBuffer(size - 1);
        int length = AFX_SYS(LoadStringA)(module, id, buffer, size);
        if (length < 0) length = 0;
        if (length > size - 1) length = size - 1;
        if (length < size - 2 || size > kMaxResourceString + 2) {
            ReleaseBuffer(length);
            return length > 0;
        }
    }
}

void CString::Format(LPCSTR format, ...)
{
    if (format == NULL) {
        Empty();
        return;
    }
    // msvcrt's _vsnprintf returns -1 when the text does not fit and leaves
    // it unterminated when it fills the buffer exactly: either way, try a
    // larger buffer.
    for (size_t size = 256; size <= kMaxFormatted;) {
        CString text;
        LPSTR buffer = text.GetBuffer(static_cast<int>(size));
        va_list args;
        va_start(args, format);
        int written = AFX_SYS(_vsnprintf)(buffer, size, format, args);
        va_end(args);
        if (written >= 0 && static_cast<size_t>(written) < size) {
            text.ReleaseBuffer(written);
            *this = text;
            return;
        }
        size = (written >= 0) ? static_cast<size_t>(written) + 1 : size * 2;
    }
    Empty();
}
