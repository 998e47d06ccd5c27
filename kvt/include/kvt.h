/* The utility library of the Veska classroom client (libkvt.so).
 *
 * Plain C exports under their own names; wide strings are UTF-16
 * (char16_t); HRESULT values, GUID layout, registry roots and rights are
 * those of Windows. kvt/README.md says what each export means on Linux. */
#ifndef KVT_H_
#define KVT_H_

#include <stdint.h>

#ifdef __cplusplus
#include <cstddef>
#else
#include <stdbool.h>
#include <stddef.h>
#include <uchar.h>
#endif

#ifdef __cplusplus
extern "C" {
#endif

#ifndef _HRESULT_DEFINED
#define _HRESULT_DEFINED
typedef int32_t HRESULT;
#endif

#ifndef GUID_DEFINED
#define GUID_DEFINED
typedef struct _GUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
} GUID;
#endif

#define KVT_S_OK ((HRESULT)0)
#define KVT_S_FALSE ((HRESULT)1)
#define KVT_E_NOTIMPL ((HRESULT)0x80004001)
#define KVT_E_NOINTERFACE ((HRESULT)0x80004002)
#define KVT_E_POINTER ((HRESULT)0x80004003)
#define KVT_E_FAIL ((HRESULT)0x80004005)
#define KVT_E_OUTOFMEMORY ((HRESULT)0x8007000E)
#define KVT_CLASS_E_CLASSNOTAVAILABLE ((HRESULT)0x80040111)

/* Module and thread handles (HMODULE, HANDLE). A module handle is what the
 * platform's loader returns for a shared object (dlopen). */
typedef void* KvtModule;
typedef void* KvtThread;

/* Registry roots (HKEY), sign-extended as 64-bit Windows defines them. */
typedef struct KvtRegistryKey_* KvtHKEY;
#define KVT_HKEY_CLASSES_ROOT ((KvtHKEY)(intptr_t)(int32_t)0x80000000)
#define KVT_HKEY_CURRENT_USER ((KvtHKEY)(intptr_t)(int32_t)0x80000001)
#define KVT_HKEY_LOCAL_MACHINE ((KvtHKEY)(intptr_t)(int32_t)0x80000002)
#define KVT_HKEY_USERS ((KvtHKEY)(intptr_t)(int32_t)0x80000003)

/* Library frame and object factory. */
HRESULT DllCanUnloadNow(void);
int32_t KvtVersion(void);
void KvtInitialize(void);
void KvtUninitialize(uint32_t flags);
HRESULT KvtCreateObject(uint32_t type, void** out);
HRESULT KvtCreateInstance(const char16_t* dllPath, const GUID* clsid, const GUID* iid, void** out);
int32_t KvtFreeLibrary(KvtModule module);

typedef uint32_t (*KvtThreadProc)(void* userData);
#define KVT_CREATE_SUSPENDED 0x00000004u
KvtThread KvtCreateThread(KvtThreadProc threadProc, void* userData, uint32_t* threadId,
                          const char16_t* name, int32_t comMode, uint32_t createFlags);
/* Linux additions: waiting on, reading and closing a thread handle
 * (WaitForSingleObject, GetExitCodeThread, CloseHandle). */
#define KVT_WAIT_OBJECT_0 0u
#define KVT_WAIT_TIMEOUT 258u
#define KVT_WAIT_FAILED 0xFFFFFFFFu
#define KVT_INFINITE 0xFFFFFFFFu
#define KVT_STILL_ACTIVE 259u
uint32_t KvtWaitForThread(KvtThread thread, uint32_t timeoutMs);
bool KvtGetThreadExitCode(KvtThread thread, uint32_t* exitCode);
bool KvtCloseThread(KvtThread thread);

/* Operating-system queries. */
int32_t KvtGetWindowsVersion(uint32_t* major, uint32_t* minor);
bool IsWindow2000(void);
bool IsWindowXP(void);
bool IsWindowVista(void);
bool IsWindow7(void);
bool IsWindow8(void);
bool IsWindow8_1(void);
bool IsWindows10(void);
bool IsWindowVistaLatter(void);
bool IsWindow7Latter(void);
bool IsWindow8Latter(void);
bool IsWindows10Later(void);
bool IsWindowServer(void);
bool IsWindow64(void);
bool Is64bitDLL(const char16_t* path);
bool IsVMVare(void);

/* Registry helpers. */
bool KvtRegGetBOOL(KvtHKEY root, const char16_t* subKey, const char16_t* valueName,
                   bool defaultValue);
bool KvtRegSetBOOL(KvtHKEY root, const char16_t* subKey, const char16_t* valueName, int32_t value);
uint32_t KvtRegGetDWORD(KvtHKEY root, const char16_t* subKey, const char16_t* valueName,
                        uint32_t defaultValue);
bool KvtRegSetDWORD(KvtHKEY root, const char16_t* subKey, const char16_t* valueName,
                    uint32_t value);
bool KvtRegGetString(KvtHKEY root, const char16_t* subKey, const char16_t* valueName,
                     char16_t* buffer, uint32_t bufferBytes);
bool KvtRegSetString(KvtHKEY root, const char16_t* subKey, const char16_t* valueName,
                     const char16_t* text);
bool KvtRegIsKeyExist(KvtHKEY root, const char16_t* subKey);
bool KvtRegDeleteKeyValue(KvtHKEY root, const char16_t* subKey, const char16_t* valueName);
bool GetDllPathForClsid(const char16_t* clsidText, char16_t* buffer, uint32_t bufferBytes);

/* Security, elevation and process helpers. Access masks are Windows'
 * (GENERIC_ALL 0x10000000 ...). */
#define KVT_GENERIC_READ 0x80000000u
#define KVT_GENERIC_WRITE 0x40000000u
#define KVT_GENERIC_EXECUTE 0x20000000u
#define KVT_GENERIC_ALL 0x10000000u
bool FileAddAccessRights(const char16_t* path, const char16_t* accountName, uint32_t accessMask);
bool IsHasUAC(void);
int32_t IsSystemUACEnable(void);
bool IsProcessVirtualized(void);
bool EnableVirtualized(bool enable);
int32_t UACAllowWindowMeesage(uint32_t message, int32_t allow);
bool KvtExecuteApp(const char16_t* applicationName, char16_t* commandLine, uint32_t waitMs);
bool KvtExecuteAppWithUAC(const char16_t* file, const char16_t* parameters, uint32_t waitMs);
bool UACExecuteApp(const char16_t* file, const char16_t* parameters, uint32_t waitMs);
bool GetDebugPrivilege(void);
bool ShutdownWindow(void);
bool KvtRegDll(const char16_t* path, bool registerServer);
int32_t MinimizeMemory(void);

/* File, directory and version helpers. A file handle (HANDLE) is the file
 * descriptor; close it with close(2). */
typedef void* KvtHANDLE;
#define KVT_INVALID_HANDLE_VALUE ((KvtHANDLE)(intptr_t)-1)
typedef struct KvtSECURITY_ATTRIBUTES {
  uint32_t nLength;
  void* lpSecurityDescriptor;
  int32_t bInheritHandle;
} KvtSECURITY_ATTRIBUTES;
#define KVT_FILE_SHARE_READ 0x1u
#define KVT_FILE_SHARE_WRITE 0x2u
#define KVT_FILE_SHARE_DELETE 0x4u
#define KVT_CREATE_NEW 1u
#define KVT_CREATE_ALWAYS 2u
#define KVT_OPEN_EXISTING 3u
#define KVT_OPEN_ALWAYS 4u
#define KVT_TRUNCATE_EXISTING 5u
#define KVT_MOVEFILE_REPLACE_EXISTING 0x1u
#define KVT_MOVEFILE_COPY_ALLOWED 0x2u
#define KVT_MOVEFILE_DELAY_UNTIL_REBOOT 0x4u

#ifndef _FILETIME_
#define _FILETIME_
typedef struct _FILETIME {
  uint32_t dwLowDateTime;
  uint32_t dwHighDateTime;
} FILETIME;
#endif

/* A file version, four 16-bit parts stored low byte first. */
typedef struct FileVersion {
  uint16_t major;
  uint16_t minor;
  uint16_t build;
  uint16_t revision;
} FileVersion;

KvtHANDLE KvtCreateFileW(const char16_t* path, uint32_t desiredAccess, uint32_t shareMode,
                         KvtSECURITY_ATTRIBUTES* securityAttributes, uint32_t creationDisposition,
                         uint32_t flagsAndAttributes, KvtHANDLE templateFile, bool createFolders);
KvtHANDLE KvtCreateFileA(const char* path, uint32_t desiredAccess, uint32_t shareMode,
                         KvtSECURITY_ATTRIBUTES* securityAttributes, uint32_t creationDisposition,
                         uint32_t flagsAndAttributes, KvtHANDLE templateFile);
int32_t KvtCreateDirectoryW(const char16_t* path, bool createParents);
int32_t KvtCreateDirectoryA(const char* path);
int32_t KvtCopyFile(const char16_t* source, const char16_t* target, int32_t failIfExists);
int32_t KvtMoveFile(const char16_t* source, const char16_t* target);
int32_t KvtMoveFileEx(const char16_t* source, const char16_t* target, uint32_t flags);
void PathCreateDirectory(const char16_t* path);
int32_t PathCreateDirectoryFromFile(const char16_t* filePath);
bool RecurseRemoveDirectory(const char16_t* path, int32_t mode);
bool IsFileWritable(const char16_t* path);
bool KvtGetFileSize(const char16_t* path, uint64_t* size);
bool GetFileTimeString(const char16_t* path, bool dateOnly, char16_t* buffer, uint32_t count);
bool TimeStringToFileTime(const char16_t* text, FILETIME* out);
bool GetFileVersionString(const char16_t* path, char16_t* buffer);
bool GetFileVersionStringEx(const char16_t* path, const char16_t* format, char16_t* buffer);
bool KvtDllGetVersion(const char16_t* path, FileVersion* out);
bool KvtDllGetVersionString(const char16_t* path, char16_t* buffer, uint32_t count);
bool GetFileInfomationString(const char16_t* path, char16_t* descriptionBuffer, uint32_t descriptionCount,
                             char16_t* companyBuffer, uint32_t companyCount);

/* Hashing and encoding. Digest texts need at least 42 characters. */
bool KvtGetStringMD5A(const char* data, uint32_t length, char16_t* text, uint32_t count);
bool KvtGetStringMD5W(const char16_t* data, uint32_t length, char16_t* text, uint32_t count);
bool KvtGetFileMD5String(const char16_t* path, char16_t* text, uint32_t count);
bool KvtGetVideoMD5String(const char16_t* path, char16_t* text, uint32_t count);
uint32_t KvtGetCRC32(const void* data, uint32_t length);
int32_t KvtUrlEncodeW(const char16_t* text, char16_t* out);
int32_t KvtUrlEncodeA(const char* text, char* out);

/* Resources, archive extraction and network. A module is named by its
 * image start (what an HMODULE is), by the loader's handle (dlopen), or by
 * null for the program itself; an integer type (MAKEINTRESOURCE, e.g.
 * KVT_RT_RCDATA) is cast to the type pointer. */
typedef char16_t* KvtBSTR;
#define KVT_MAKEINTRESOURCE(id) ((const char16_t*)(uintptr_t)(uint16_t)(id))
#define KVT_RT_RCDATA KVT_MAKEINTRESOURCE(10)
uint32_t KvtGetResourceSize(KvtModule module, uint32_t id, const char16_t* type);
const void* KvtGetResource(KvtModule module, uint32_t id, const char16_t* type, uint32_t* size);
bool ExtractResourceToFile(const char16_t* path, KvtModule module, uint32_t id, const char16_t* type);
bool ExtractResourceToXMLString(KvtBSTR* text, KvtModule module, uint32_t id, const char16_t* type);
/* Linux addition: frees a system string the library made (SysFreeString). */
void KvtSysFreeString(KvtBSTR text);
int32_t UnZipFileToDirectory(intptr_t a, intptr_t b, intptr_t c);
bool IsHasInternetConnection(void);
bool KvtIERunUrl(const char16_t* url, bool preferBrowserExe);
bool IsConnectProjector(void);

#ifdef __cplusplus
}  /* extern "C" */

/* COM-style interfaces: the slot order is the ABI. */

inline constexpr GUID IID_IUnknown = {0x00000000, 0x0000, 0x0000,
                                      {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr GUID IID_IClassFactory = {0x00000001, 0x0000, 0x0000,
                                           {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr GUID IID_IKvtMD5 = {0xF478EA6A, 0xE476, 0x48F3,
                                     {0xA8, 0x04, 0x1C, 0xA8, 0xA8, 0x13, 0x96, 0x97}};
inline constexpr GUID IID_IKvtCPU = {0x1D6499ED, 0x77D4, 0x4E9B,
                                     {0xAD, 0xD4, 0xC8, 0xEC, 0x70, 0x6E, 0x4F, 0x9D}};
inline constexpr GUID IID_IKvtGPU = {0x9CF1B59A, 0x8453, 0x47E5,
                                     {0xAB, 0xA2, 0x05, 0xEA, 0x44, 0x62, 0xF1, 0x01}};
inline constexpr GUID IID_IKvtFileVer = {0x28C96B70, 0x7A2A, 0x464C,
                                         {0xA6, 0x25, 0x19, 0xF4, 0x67, 0xED, 0x71, 0x34}};

inline bool operator==(const GUID& a, const GUID& b) {
  if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
  for (int i = 0; i < 8; ++i) {
    if (a.Data4[i] != b.Data4[i]) return false;
  }
  return true;
}

struct IUnknown {
  virtual HRESULT QueryInterface(const GUID& iid, void** out) = 0;
  virtual uint32_t AddRef() = 0;
  virtual uint32_t Release() = 0;

 protected:
  ~IUnknown() = default;
};

struct IClassFactory : IUnknown {
  virtual HRESULT CreateInstance(IUnknown* outer, const GUID& iid, void** out) = 0;
  virtual HRESULT LockServer(int32_t lock) = 0;

 protected:
  ~IClassFactory() = default;
};

struct IKvtMD5 : IUnknown {
  virtual HRESULT GetDataDigest(const void* data, uint32_t length, uint8_t* digest,
                                uint32_t digestSize) = 0;
  virtual HRESULT GetDataDigestText(const void* data, uint32_t length, char16_t* text,
                                    uint32_t count) = 0;
  virtual HRESULT GetFileDigestText(const char16_t* path, char16_t* text, uint32_t count) = 0;
  virtual HRESULT GetFileDigest(const char16_t* path, uint8_t* digest, uint32_t digestSize) = 0;
  virtual HRESULT GetVideoDigestText(const char16_t* path, char16_t* text, uint32_t count) = 0;
  virtual HRESULT GetVideoDigest(const char16_t* path, uint8_t* digest, uint32_t digestSize) = 0;

 protected:
  ~IKvtMD5() = default;
};

struct IKvtCPU : IUnknown {
  virtual HRESULT HasFeature(uint32_t mask) = 0;
  virtual HRESULT GetBrandString(char16_t* buffer, uint32_t count) = 0;
  virtual HRESULT GetVendorString(char16_t* buffer, uint32_t count) = 0;
  virtual int32_t GetVendor() = 0;
  virtual int32_t GetProcessorCount() = 0;

 protected:
  ~IKvtCPU() = default;
};

struct IKvtGPU : IUnknown {
  virtual HRESULT GetDescription(char16_t* buffer, uint32_t count) = 0;
  virtual int32_t GetVendor() = 0;
  virtual HRESULT GetVendorId(char16_t* buffer, uint32_t count) = 0;
  virtual bool Reserved6() = 0;
  virtual bool IsHardwareAccelerated() = 0;
  virtual bool IsMicrosoftAdapter() = 0;
  virtual HRESULT Reserved9(int32_t a, int32_t b) = 0;
  virtual HRESULT Reserved10(int32_t a, int32_t b) = 0;
  virtual bool Reserved11() = 0;

 protected:
  ~IKvtGPU() = default;
};

struct IKvtFileVer : IUnknown {
  virtual HRESULT Load(const char16_t* path) = 0;
  virtual HRESULT Clear() = 0;
  virtual HRESULT GetVersion(FileVersion* out) = 0;
  virtual HRESULT GetVersionString(char16_t* buffer, uint32_t count) = 0;
  virtual HRESULT FormatVersion(const char16_t* format, char16_t* buffer, uint32_t count) = 0;
  virtual int32_t CompareWithFile(const char16_t* path) = 0;
  virtual int32_t CompareWithVersion(const FileVersion* other) = 0;
  virtual int32_t CompareWithString(const char16_t* text) = 0;

 protected:
  ~IKvtFileVer() = default;
};

#endif /* __cplusplus */

#endif /* KVT_H_ */
