// Files over POSIX descriptors with the dispositions, access checks, sharing modes,
// positions and failure values of the Windows calls.
//
// Sharing is enforced between the handles of this process, as Windows does: an open
// succeeds only if every handle already open on the same file shares the access asked
// for, and the new handle shares the access those handles hold. A file whose write
// permission bits are all clear carries the read-only attribute and refuses writing
// access, also when the process runs as root.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <string>
#include <vector>

#include "platform/posix/kernel32/kernel_objects.h"
#include "platform/posix/standin.h"

namespace standin {
namespace {

struct OpenFile : KernelObject {
  int descriptor = -1;
  DWORD access = 0;
  DWORD share = 0;
  dev_t device = 0;
  ino_t inode = 0;
  ~OpenFile() override {
    if (descriptor >= 0) close(descriptor);
    Registry().erase(std::find(Registry().begin(), Registry().end(), this));
  }
  static std::vector<OpenFile*>& Registry() {
    static std::vector<OpenFile*> files;
    return files;
  }
};

DWORD ErrorFromErrno(int error) {
  switch (error) {
    case ENOENT:
      return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
      return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
      return ERROR_ACCESS_DENIED;
    case EEXIST:
      return ERROR_FILE_EXISTS;
    case EMFILE:
    case ENFILE:
      return ERROR_TOO_MANY_OPEN_FILES;
    default:
      return ERROR_INVALID_PARAMETER;
  }
}

bool Shares(DWORD share, DWORD access) {
  if ((access & GENERIC_READ) && !(share & FILE_SHARE_READ)) return false;
  if ((access & GENERIC_WRITE) && !(share & FILE_SHARE_WRITE)) return false;
  return true;
}

bool SharingAllows(dev_t device, ino_t inode, DWORD access, DWORD share) {
  for (OpenFile* other : OpenFile::Registry()) {
    if (other->device != device || other->inode != inode) continue;
    if (!Shares(other->share, access) || !Shares(share, other->access)) return false;
  }
  return true;
}

OpenFile* FindFile(HANDLE handle) {
  auto* file = Find<OpenFile>(handle);
  if (!file) SetLastError(ERROR_INVALID_HANDLE);
  return file;
}

// The parent directory of a host path exists (tells "file" from "path" not found).
bool ParentExists(const std::string& path) {
  auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return true;
  struct stat info;
  return stat(slash == 0 ? "/" : path.substr(0, slash).c_str(), &info) == 0 &&
         S_ISDIR(info.st_mode);
}

}  // namespace

std::string HostPath(const char* windowsPath) {
  std::string path = windowsPath ? windowsPath : "";
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

}  // namespace standin

using namespace standin;

HANDLE CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode, LPSECURITY_ATTRIBUTES,
                   DWORD creationDisposition, DWORD, HANDLE) {
  std::string path = HostPath(fileName);
  if (path.empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  if (creationDisposition < CREATE_NEW || creationDisposition > TRUNCATE_EXISTING) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  struct stat info;
  bool exists = stat(path.c_str(), &info) == 0;
  if (!exists && errno != ENOENT) {
    SetLastError(ErrorFromErrno(errno));
    return INVALID_HANDLE_VALUE;
  }
  bool truncates = creationDisposition == CREATE_ALWAYS || creationDisposition == TRUNCATE_EXISTING;
  if (exists) {
    if (S_ISDIR(info.st_mode)) {
      SetLastError(ERROR_ACCESS_DENIED);
      return INVALID_HANDLE_VALUE;
    }
    if (creationDisposition == CREATE_NEW) {
      SetLastError(ERROR_FILE_EXISTS);
      return INVALID_HANDLE_VALUE;
    }
    bool readOnly = (info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0;
    if (readOnly && ((desiredAccess & GENERIC_WRITE) || truncates)) {
      SetLastError(ERROR_ACCESS_DENIED);
      return INVALID_HANDLE_VALUE;
    }
    if (!SharingAllows(info.st_dev, info.st_ino, desiredAccess, shareMode)) {
      SetLastError(ERROR_SHARING_VIOLATION);
      return INVALID_HANDLE_VALUE;
    }
  } else {
    if (creationDisposition == OPEN_EXISTING || creationDisposition == TRUNCATE_EXISTING) {
      SetLastError(ParentExists(path) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
      return INVALID_HANDLE_VALUE;
    }
  }
  if (creationDisposition == TRUNCATE_EXISTING && !(desiredAccess & GENERIC_WRITE)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }

  int flags = O_CLOEXEC;
  bool reads = desiredAccess & GENERIC_READ;
  bool writes = desiredAccess & GENERIC_WRITE;
  flags |= (reads && writes) ? O_RDWR : writes ? O_WRONLY : O_RDONLY;
  if (!exists) flags |= O_CREAT | O_EXCL;
  int descriptor = open(path.c_str(), flags, 0666);
  if (descriptor < 0) {
    SetLastError(ErrorFromErrno(errno));
    return INVALID_HANDLE_VALUE;
  }
  // Truncation waits until the sharing check has passed and the open has succeeded.
  if (exists && truncates && ftruncate(descriptor, 0) != 0) {
    SetLastError(ErrorFromErrno(errno));
    close(descriptor);
    return INVALID_HANDLE_VALUE;
  }
  struct stat opened;
  fstat(descriptor, &opened);
  auto file = std::make_unique<OpenFile>();
  file->descriptor = descriptor;
  file->access = desiredAccess;
  file->share = shareMode;
  file->device = opened.st_dev;
  file->inode = opened.st_ino;
  OpenFile::Registry().push_back(file.get());
  SetLastError(exists &&
                       (creationDisposition == CREATE_ALWAYS || creationDisposition == OPEN_ALWAYS)
                   ? ERROR_ALREADY_EXISTS
                   : ERROR_SUCCESS);
  return AddObject(std::move(file));
}

BOOL ReadFile(HANDLE handle, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead, LPOVERLAPPED) {
  if (bytesRead) *bytesRead = 0;
  OpenFile* file = FindFile(handle);
  if (!file) return FALSE;
  if (!(file->access & GENERIC_READ)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  DWORD total = 0;
  while (total < bytesToRead) {
    ssize_t got = read(file->descriptor, static_cast<char*>(buffer) + total, bytesToRead - total);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      SetLastError(ErrorFromErrno(errno));
      if (bytesRead) *bytesRead = total;
      return FALSE;
    }
    if (got == 0) break;
    total += static_cast<DWORD>(got);
  }
  if (bytesRead) *bytesRead = total;
  return TRUE;
}

BOOL WriteFile(HANDLE handle, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten,
               LPOVERLAPPED) {
  if (bytesWritten) *bytesWritten = 0;
  OpenFile* file = FindFile(handle);
  if (!file) return FALSE;
  if (!(file->access & GENERIC_WRITE)) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  DWORD total = 0;
  while (total < bytesToWrite) {
    ssize_t put =
        write(file->descriptor, static_cast<const char*>(buffer) + total, bytesToWrite - total);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      SetLastError(put < 0 ? ErrorFromErrno(errno) : ERROR_ACCESS_DENIED);
      if (bytesWritten) *bytesWritten = total;
      return FALSE;
    }
    total += static_cast<DWORD>(put);
  }
  if (bytesWritten) *bytesWritten = total;
  return TRUE;
}

DWORD SetFilePointer(HANDLE handle, LONG distanceToMove, PLONG distanceToMoveHigh,
                     DWORD moveMethod) {
  OpenFile* file = FindFile(handle);
  if (!file) return INVALID_SET_FILE_POINTER;
  // Without a high part the distance is a signed 32-bit value; with one, the two make a
  // signed 64-bit distance.
  long long distance =
      distanceToMoveHigh
          ? static_cast<long long>((static_cast<unsigned long long>(*distanceToMoveHigh) << 32) |
                                   static_cast<DWORD>(distanceToMove))
          : distanceToMove;
  off_t base;
  switch (moveMethod) {
    case FILE_BEGIN:
      base = 0;
      break;
    case FILE_CURRENT:
      base = lseek(file->descriptor, 0, SEEK_CUR);
      break;
    case FILE_END: {
      struct stat info;
      fstat(file->descriptor, &info);
      base = info.st_size;
      break;
    }
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return INVALID_SET_FILE_POINTER;
  }
  long long target = static_cast<long long>(base) + distance;
  if (target < 0) {
    SetLastError(ERROR_NEGATIVE_SEEK);
    return INVALID_SET_FILE_POINTER;
  }
  if (lseek(file->descriptor, static_cast<off_t>(target), SEEK_SET) < 0) {
    SetLastError(ErrorFromErrno(errno));
    return INVALID_SET_FILE_POINTER;
  }
  if (distanceToMoveHigh) *distanceToMoveHigh = static_cast<LONG>(target >> 32);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(target);
}

DWORD GetFileSize(HANDLE handle, LPDWORD fileSizeHigh) {
  OpenFile* file = FindFile(handle);
  if (!file) return INVALID_FILE_SIZE;
  struct stat info;
  if (fstat(file->descriptor, &info) != 0) {
    SetLastError(ErrorFromErrno(errno));
    return INVALID_FILE_SIZE;
  }
  auto size = static_cast<unsigned long long>(info.st_size);
  if (fileSizeHigh) *fileSizeHigh = static_cast<DWORD>(size >> 32);
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(size);
}

BOOL CloseHandle(HANDLE handle) {
  if (!FindFile(handle)) return FALSE;
  RemoveObject(handle);
  return TRUE;
}

BOOL SetCurrentDirectoryA(LPCSTR pathName) {
  std::string path = HostPath(pathName);
  if (path.empty() || chdir(path.c_str()) != 0) {
    SetLastError(path.empty() ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(errno));
    return FALSE;
  }
  return TRUE;
}

DWORD GetCurrentDirectoryA(DWORD bufferLength, LPSTR buffer) {
  char host[PATH_MAX];
  if (!getcwd(host, sizeof host)) {
    SetLastError(ErrorFromErrno(errno));
    return 0;
  }
  std::string path = host;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  if (path.size() + 1 > bufferLength) return static_cast<DWORD>(path.size() + 1);
  std::memcpy(buffer, path.c_str(), path.size() + 1);
  return static_cast<DWORD>(path.size());
}

BOOL DeleteFileA(LPCSTR fileName) {
  std::string path = HostPath(fileName);
  if (unlink(path.c_str()) != 0) {
    SetLastError(ErrorFromErrno(errno));
    return FALSE;
  }
  return TRUE;
}
