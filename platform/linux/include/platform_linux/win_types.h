// Basic Win32 and COM types for the Linux build, laid out as the platform
// lays them out on x86-64 Windows (LONG and ULONG are 32-bit, WCHAR is a
// 16-bit unit).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#define WINAPI
#define STDMETHODCALLTYPE
#define STDAPICALLTYPE
#define CALLBACK
#define EXTERN_C extern "C"
#define STDAPI EXTERN_C HRESULT
#define STDAPI_(type) EXTERN_C type
#define STDMETHODIMP HRESULT
#define STDMETHODIMP_(type) type
#define CONST const
#define TRUE 1
#define FALSE 0

typedef int32_t LONG;
typedef uint32_t ULONG;
typedef uint32_t DWORD;
typedef int32_t BOOL;
typedef int32_t INT;
typedef uint32_t UINT;
typedef int16_t SHORT;
typedef uint16_t USHORT;
typedef uint16_t WORD;
typedef uint8_t BYTE;
typedef int64_t LONGLONG;
typedef uint64_t ULONGLONG;
typedef char CHAR;
typedef char16_t WCHAR;
typedef WCHAR OLECHAR;
typedef intptr_t INT_PTR;
typedef intptr_t LONG_PTR;
typedef uintptr_t UINT_PTR;
typedef uintptr_t ULONG_PTR;
typedef uintptr_t DWORD_PTR;
typedef size_t SIZE_T;
typedef LONG HRESULT;
typedef LONG SCODE;

typedef void* PVOID;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef void* HANDLE;
typedef BYTE* PBYTE;
typedef BYTE* LPBYTE;
typedef DWORD* LPDWORD;
typedef LONG* LPLONG;
typedef BOOL* LPBOOL;
typedef CHAR* LPSTR;
typedef const CHAR* LPCSTR;
typedef WCHAR* LPWSTR;
typedef const WCHAR* LPCWSTR;
typedef OLECHAR* LPOLESTR;
typedef const OLECHAR* LPCOLESTR;

#define OLESTR(str) u##str

struct HINSTANCE__;
typedef HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;

struct HKEY__;
typedef HKEY__* HKEY;
typedef HKEY* PHKEY;

typedef LONGLONG REFERENCE_TIME;

typedef INT_PTR(WINAPI* FARPROC)();
typedef DWORD(WINAPI* LPTHREAD_START_ROUTINE)(LPVOID parameter);

struct SECURITY_ATTRIBUTES {
  DWORD nLength;
  LPVOID lpSecurityDescriptor;
  BOOL bInheritHandle;
};
typedef SECURITY_ATTRIBUTES* LPSECURITY_ATTRIBUTES;

// The stand-in keeps a recursive mutex in this storage.
struct CRITICAL_SECTION {
  alignas(16) unsigned char Opaque[64];
};
typedef CRITICAL_SECTION* LPCRITICAL_SECTION;

struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};
typedef FILETIME* PFILETIME;

struct GUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
};
typedef GUID IID;
typedef GUID CLSID;
typedef GUID* LPGUID;
typedef IID* LPIID;
typedef CLSID* LPCLSID;
typedef const GUID& REFGUID;
typedef const IID& REFIID;
typedef const CLSID& REFCLSID;

inline bool IsEqualGUID(REFGUID a, REFGUID b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }
inline bool operator==(REFGUID a, REFGUID b) { return IsEqualGUID(a, b); }
inline bool operator!=(REFGUID a, REFGUID b) { return !IsEqualGUID(a, b); }
#define IsEqualIID(a, b) IsEqualGUID(a, b)
#define IsEqualCLSID(a, b) IsEqualGUID(a, b)

static_assert(sizeof(GUID) == 16);
static_assert(sizeof(WCHAR) == 2);
