// The snapshot's output on Windows: a temporary file beside the target, put over it with
// ReplaceFileW or MoveFileExW, or a device or standard output written directly. Names arrive as
// UTF-8 and reach the file system through the wide (W) functions only.
//
// Owns: the one pending output of the process, its temporary file and the handle the PNG goes to.
// May not: touch GL, write anything but the PNG it is given, or change standard output before
// prepare_standard_output is asked to.
#include "snapshot/output_file.h"

#include "app/process.h"
#include "image/png_io.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

namespace {

constexpr int kMaxNameAttempts = 100;
constexpr size_t kLongestPath = 32768;  // the longest name the wide functions take (\\?\ names)
constexpr size_t kMessageChars = 512;   // room for a system error message
constexpr int kStandardOutput = 1;      // the C runtime's descriptors
constexpr int kStandardError = 2;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// What cannot be carried over from the replaced file (its ACL, where the user may write the file
// but not its permissions) is left behind rather than failing the picture.
constexpr DWORD kReplaceFlags = REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS;
constexpr DWORD kMoveFlags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
// Endings the C runtime reports as signals (Ctrl+C, Ctrl+Break, abort, raise) while the temporary
// file has a name.
constexpr int kEndingSignals[] = {SIGINT, SIGBREAK, SIGTERM, SIGABRT};

struct PendingOutput {
  HANDLE handle = INVALID_HANDLE_VALUE;  // what the PNG is written to
  bool direct = false;                   // a device or standard output, written in place
  bool replacing = false;                // the target existed when the output was prepared
  std::string name;                      // as messages name the output: as the user gave it
  std::wstring target;                   // the file to replace, links followed, absolute
  // The temporary file's name while it has one; read by signal handlers (Ctrl+C's runs on a
  // thread of its own), hence a plain array.
  wchar_t temp_name[kLongestPath];
};

PendingOutput g_output;

std::string utf8_of(const wchar_t* wide) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return std::string();
  std::string text(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, text.data(), n, nullptr, nullptr);
  text.pop_back();  // the terminator
  return text;
}

// The system's text for an error, without the full stop and line end it comes with, so that it
// reads as the C library's strerror texts do in the same messages.
std::string system_message(DWORD code) {
  wchar_t text[kMessageChars];
  DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           code, 0, text, kMessageChars, nullptr);
  while (n > 0 && (text[n - 1] == L'\r' || text[n - 1] == L'\n' || text[n - 1] == L' ' ||
                   text[n - 1] == L'.'))
    --n;
  if (n == 0) return "Windows error " + std::to_string(code);
  text[n] = L'\0';
  return utf8_of(text);
}

std::string failure(const char* what, const char* path, const std::string& reason) {
  return std::string(what) + " " + path + " for writing: " + reason;
}

std::string failure(const char* what, const char* path, DWORD code) {
  return failure(what, path, system_message(code));
}

// A name not in UTF-8 is refused rather than guessed at in some code page.
bool to_wide(const char* utf8, std::wstring* wide) {
  const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, nullptr, 0);
  if (n <= 0) return false;
  wide->assign(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, wide->data(), n);
  wide->pop_back();  // the terminator
  return true;
}

bool valid(HANDLE handle) {
  return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

// The file an open handle reaches, symbolic links and junctions followed: replacing the link
// itself would leave the file it names as it was. Empty where the system cannot name it.
std::wstring final_path(HANDLE file) {
  constexpr DWORD kFlags = FILE_NAME_NORMALIZED | VOLUME_NAME_DOS;
  const DWORD size = GetFinalPathNameByHandleW(file, nullptr, 0, kFlags);
  if (size == 0) return std::wstring();
  std::wstring path(size, L'\0');
  const DWORD n = GetFinalPathNameByHandleW(file, path.data(), size, kFlags);
  if (n == 0 || n >= size) return std::wstring();
  path.resize(n);
  return path;
}

// The target by its absolute name: the temporary file goes in its directory, and ReplaceFileW
// wants one.
std::wstring full_path(const std::wstring& path) {
  const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return std::wstring();
  std::wstring full(size, L'\0');
  const DWORD n = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
  if (n == 0 || n >= size) return std::wstring();
  full.resize(n);
  return full;
}

void abandon_and_die(int signal_number) {
  abandon_output();
  signal(signal_number, SIG_DFL);
  raise(signal_number);
}

// While the temporary file has a name, an ending the C runtime reports as a signal removes it
// first. A signal the user has chosen to ignore or handle keeps that choice.
void remove_temp_file_on_ending_signals() {
  for (int s : kEndingSignals) handle_if_default(s, abandon_and_die, 0);
}

// A new file beside the target, under a name no other file has: CREATE_NEW never opens one that
// is there. Deleting is shared so that abandon_output can remove it while it is still open.
bool create_temp_file(DWORD* error_code) {
  const size_t slash = g_output.target.find_last_of(L"\\/");
  const std::wstring directory = g_output.target.substr(0, slash + 1);
  const std::wstring base = g_output.target.substr(slash + 1);
  const std::wstring pid = std::to_wstring(GetCurrentProcessId());
  for (int attempt = 0; attempt < kMaxNameAttempts; ++attempt) {
    const std::wstring name =
        directory + L"." + base + L"." + pid + L"." + std::to_wstring(attempt);
    if (name.size() >= kLongestPath) {
      *error_code = ERROR_FILENAME_EXCED_RANGE;
      return false;
    }
    const HANDLE file = CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr,
                                    CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      // Named only once created: until then the name may be another file's.
      std::wmemcpy(g_output.temp_name, name.c_str(), name.size() + 1);
      g_output.handle = file;
      return true;
    }
    *error_code = GetLastError();
    if (*error_code != ERROR_FILE_EXISTS && *error_code != ERROR_ALREADY_EXISTS) return false;
  }
  return false;
}

// Wine's ReplaceFileW is no single replacement: it moves the old file aside under a name of its
// own (rfNNNN.tmp) and deletes it before it moves the new one in, so a run ended in between, or a
// last move that fails, leaves no file at all, and a first move that fails leaves the stray name
// behind. Its MoveFileExW is one rename(2).
bool running_on_wine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// ReplaceFileW keeps what the replaced file had (attributes, ACL, creation time). It fails on
// some file systems and for a target removed since it was seen; a plain rename then does.
bool put_in_place(std::string* error) {
  if (g_output.replacing && !running_on_wine() &&
      ReplaceFileW(g_output.target.c_str(), g_output.temp_name, nullptr, kReplaceFlags, nullptr,
                   nullptr))
    return true;
  if (MoveFileExW(g_output.temp_name, g_output.target.c_str(), kMoveFlags)) return true;
  *error = failure("cannot replace", g_output.name.c_str(), GetLastError());
  // A ReplaceFileW that got as far as removing OUT and no further (it says
  // ERROR_UNABLE_TO_MOVE_REPLACEMENT) leaves the new picture as the only copy: it is kept, under
  // its temporary name, and the message says where.
  if (g_output.replacing &&
      GetFileAttributesW(g_output.target.c_str()) == INVALID_FILE_ATTRIBUTES) {
    *error += "; the picture is in " + utf8_of(g_output.temp_name);
    g_output.temp_name[0] = L'\0';
  }
  return false;
}

}  // namespace

bool names_standard_output(const char* path) {
  if (std::strcmp(path, "-") == 0) return true;
  // Only a file has a name to compare: a pipe or a console has none the user could give.
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  std::wstring wide;
  if (standard_stream_was_closed(kStandardOutput) || !valid(out) ||
      GetFileType(out) != FILE_TYPE_DISK || !to_wide(path, &wide))
    return false;
  // No access asked: only the file's identity is wanted, and a directory opens too.
  const HANDLE named = CreateFileW(wide.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (named == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION a, b;
  const bool same = GetFileInformationByHandle(out, &a) && GetFileInformationByHandle(named, &b) &&
                    a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
                    a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
  CloseHandle(named);
  return same;
}

bool prepare_standard_output(std::string* error) {
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  if (standard_stream_was_closed(kStandardOutput) || !valid(out)) {
    *error = "standard output is closed: name a file for the picture instead of -";
    return false;
  }
  // The picture keeps standard output's handle in a copy; descriptor 1 and the process's standard
  // output handle become standard error's, so everything printed through either lands there.
  std::fflush(stdout);
  HANDLE kept = nullptr;
  const HANDLE self = GetCurrentProcess();
  if (!DuplicateHandle(self, out, self, &kept, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
    *error = "cannot keep standard output for the picture: " + system_message(GetLastError());
    return false;
  }
  if (_dup2(kStandardError, kStandardOutput) != 0) {
    *error = std::string("cannot keep standard output for the picture: ") + std::strerror(errno);
    CloseHandle(kept);
    return false;
  }
  SetStdHandle(STD_OUTPUT_HANDLE, GetStdHandle(STD_ERROR_HANDLE));  // whatever _dup2 did to it
  g_output.handle = kept;
  g_output.direct = true;
  return true;
}

bool prepare_output(const char* path, std::string* error) {
  std::wstring wide;
  if (!to_wide(path, &wide)) {
    *error = failure("cannot open", path, "the name is not valid UTF-8");
    return false;
  }
  g_output.direct = false;
  g_output.replacing = false;
  g_output.name = path;
  g_output.target.clear();
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    *error = failure("cannot open", path, std::strerror(EISDIR));
    return false;
  }
  // A file the user may not write to stays refused, as writing it in place would be; opening it
  // without truncating asks the question and changes nothing. A device (NUL, CON) or a pipe is
  // kept open and written directly.
  const HANDLE probe =
      CreateFileW(wide.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr);
  if (probe != INVALID_HANDLE_VALUE) {
    if (GetFileType(probe) != FILE_TYPE_DISK) {
      g_output.handle = probe;
      g_output.direct = true;
      return true;
    }
    g_output.target = final_path(probe);
    CloseHandle(probe);
    g_output.replacing = true;
  } else if (GetLastError() != ERROR_FILE_NOT_FOUND) {  // a missing directory among them
    *error = failure("cannot open", path, GetLastError());
    return false;
  }
  if (g_output.target.empty()) g_output.target = full_path(wide);
  DWORD code = ERROR_INVALID_NAME;
  if (g_output.target.empty() || !create_temp_file(&code)) {  // or an unwritable directory
    *error = failure("cannot open", path, code);
    return false;
  }
  remove_temp_file_on_ending_signals();
  return true;
}

bool commit_output(const RgbImage& image, std::string* error) {
  // write_png_rgb closes the stream it is given; the handle itself is still needed. The stream is
  // binary: a text one would put a carriage return before every line feed in the PNG.
  const HANDLE self = GetCurrentProcess();
  HANDLE copy = nullptr;
  const bool duplicated =
      DuplicateHandle(self, g_output.handle, self, &copy, 0, FALSE, DUPLICATE_SAME_ACCESS);
  const int fd =
      duplicated ? _open_osfhandle(reinterpret_cast<intptr_t>(copy), _O_WRONLY | _O_BINARY) : -1;
  FILE* stream = fd >= 0 ? _fdopen(fd, "wb") : nullptr;
  bool ok = stream != nullptr;
  if (!ok) {
    *error = "cannot write the image: " +
             (duplicated ? std::string(std::strerror(errno)) : system_message(GetLastError()));
    if (fd >= 0) {
      _close(fd);
    } else if (valid(copy)) {
      CloseHandle(copy);
    }
  }
  // The fastest setting: the PNG is on the run's serial tail, after the picture is drawn.
  if (ok) ok = write_png_rgb(stream, image, error, kPngFastest);
  if (ok && !g_output.direct && !FlushFileBuffers(g_output.handle)) {
    *error = "cannot write the image: " + system_message(GetLastError());
    ok = false;
  }
  CloseHandle(g_output.handle);  // ReplaceFileW opens the new file for itself alone
  g_output.handle = INVALID_HANDLE_VALUE;
  if (ok && !g_output.direct) ok = put_in_place(error);
  if (ok) g_output.temp_name[0] = L'\0';
  abandon_output();
  return ok;
}

void abandon_output() {
  if (g_output.temp_name[0] != L'\0') DeleteFileW(g_output.temp_name);
}
