// The snapshot's output: a temporary file linked as the target or renamed over it, or a device,
// a FIFO or standard output written directly.
#include "snapshot/output_file.h"

#include "app/process.h"
#include "image/png_io.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kMaxLinkHops = 40;  // the kernel's own limit on a chain of symbolic links
constexpr int kMaxNameAttempts = 100;
constexpr mode_t kNewFileMode = 0666;  // what fopen would create, before the umask
// Signals whose default action ends the process while the temporary file may have a name.
constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGXFSZ};

struct PendingOutput {
  int fd = -1;
  bool direct = false;     // a device, a FIFO or standard output, written in place
  bool standard = false;   // standard output: the PNG alone goes there
  bool anonymous = false;  // an unnamed temporary file (O_TMPFILE): nothing to clean up
  std::string target;      // the file to replace, symbolic links followed
  std::string directory;   // where target and the temporary file live
  std::string base;        // target's last component
  // The temporary file's name while it has one; read by signal handlers, hence a plain array.
  char temp_name[PATH_MAX];
};

PendingOutput g_output;

std::string failure(const char* what, const std::string& path, int error_number) {
  return std::string(what) + " " + path + " for writing: " + std::strerror(error_number);
}

std::string directory_of(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The file that a write through `path` would change: symbolic links are followed to their final
// target, which need not exist yet.
std::string follow_links(std::string path) {
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    char link[PATH_MAX];
    const ssize_t n = readlink(path.c_str(), link, sizeof link - 1);
    if (n < 0) break;  // not a link, or nothing there yet
    link[n] = '\0';
    path = link[0] == '/' ? std::string(link) : directory_of(path) + "/" + link;
  }
  return path;
}

void abandon_and_die(int signal_number) {
  abandon_output();
  signal(signal_number, SIG_DFL);
  raise(signal_number);
}

// While a temporary file may carry a name, a signal that ends the process removes it first.
// A signal the user has chosen to ignore or handle keeps that choice.
void remove_temp_file_on_ending_signals() {
  for (int s : kEndingSignals) handle_if_default(s, abandon_and_die, 0);
}

bool open_directly(const char* path, bool fifo, std::string* error) {
  // A FIFO without a reader would block the open, silently, until one comes; asking without
  // waiting turns that into an error before any drawing.
  const int fd = open(path, O_WRONLY | O_CLOEXEC | (fifo ? O_NONBLOCK : 0));
  if (fd < 0) {
    *error = fifo && errno == ENXIO
                 ? std::string(path) + " is a FIFO that nobody reads: start its reader first"
                 : failure("cannot open", path, errno);
    return false;
  }
  if (fifo) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  g_output.fd = fd;
  g_output.direct = true;
  return true;
}

// A named temporary file next to the target, for file systems without unnamed ones.
int create_named_temp_file() {
  std::snprintf(g_output.temp_name, sizeof g_output.temp_name, "%s/.%s.XXXXXX",
                g_output.directory.c_str(), g_output.base.c_str());
  return mkostemp(g_output.temp_name, O_CLOEXEC);
}

// Gives the unnamed temporary file its name. A target that does not exist is linked in place, so
// no other name ever appears and `*in_place` is set. linkat cannot replace a file, so an existing
// target gets a hidden name next to it, which the rename that follows puts over it.
bool name_temp_file(bool* in_place, std::string* error) {
  char self[64];
  std::snprintf(self, sizeof self, "/proc/self/fd/%d", g_output.fd);
  *in_place = linkat(AT_FDCWD, self, AT_FDCWD, g_output.target.c_str(), AT_SYMLINK_FOLLOW) == 0;
  if (*in_place) return true;
  for (int attempt = 0; attempt < kMaxNameAttempts; ++attempt) {
    std::snprintf(g_output.temp_name, sizeof g_output.temp_name, "%s/.%s.%d.%d",
                  g_output.directory.c_str(), g_output.base.c_str(), static_cast<int>(getpid()),
                  attempt);
    if (linkat(AT_FDCWD, self, AT_FDCWD, g_output.temp_name, AT_SYMLINK_FOLLOW) == 0) return true;
    if (errno != EEXIST) break;
  }
  *error = failure("cannot name the new picture in", g_output.directory, errno);
  g_output.temp_name[0] = '\0';
  return false;
}

}  // namespace

bool names_standard_output(const char* path) {
  if (std::strcmp(path, "-") == 0) return true;
  struct stat out, named;
  return !standard_stream_was_closed(STDOUT_FILENO) && fstat(STDOUT_FILENO, &out) == 0 &&
         stat(path, &named) == 0 && out.st_dev == named.st_dev && out.st_ino == named.st_ino;
}

bool prepare_standard_output(std::string* error) {
  if (standard_stream_was_closed(STDOUT_FILENO)) {
    *error = "standard output is closed: name a file for the picture instead of -";
    return false;
  }
  // The picture keeps standard output's descriptor under another number; descriptor 1 becomes a
  // copy of standard error, so everything printed through stdout lands there instead.
  const int fd = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
  if (fd < 0 || dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
    *error = std::string("cannot keep standard output for the picture: ") + std::strerror(errno);
    return false;
  }
  g_output.fd = fd;
  g_output.direct = true;
  g_output.standard = true;
  return true;
}

bool prepare_output(const char* path, std::string* error) {
  struct stat st;
  bool replacing = false;
  mode_t mode = 0;
  if (stat(path, &st) == 0) {
    if (S_ISDIR(st.st_mode)) {
      *error = failure("cannot open", path, EISDIR);
      return false;
    }
    if (!S_ISREG(st.st_mode)) return open_directly(path, S_ISFIFO(st.st_mode), error);
    // A file the user may not write to stays refused, as writing it in place would be; opening
    // it without truncating asks the question and changes nothing.
    const int probe = open(path, O_WRONLY | O_CLOEXEC);
    if (probe < 0) {
      *error = failure("cannot open", path, errno);
      return false;
    }
    close(probe);
    replacing = true;
    mode = st.st_mode & 07777;
  } else if (errno != ENOENT) {
    *error = failure("cannot open", path, errno);
    return false;
  }

  g_output.target = follow_links(path);
  g_output.directory = directory_of(g_output.target);
  const size_t slash = g_output.target.rfind('/');
  g_output.base = slash == std::string::npos ? g_output.target : g_output.target.substr(slash + 1);

  if (!replacing) {  // a new file gets what fopen would give it
    const mode_t mask = umask(0);
    umask(mask);
    mode = kNewFileMode & ~mask;
  }

  // Unnamed first: it never appears in the directory, so no run, however it ends (SIGKILL
  // included), leaves it behind. Linking it needs /proc. File systems without unnamed files get
  // a named one, removed on every ending the process sees.
  int fd = -1;
  bool named = true;
  if (access("/proc/self/fd", X_OK) == 0) {
    fd = open(g_output.directory.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, kNewFileMode);
    g_output.anonymous = fd >= 0;
    named = fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL);
  }
  if (named) fd = create_named_temp_file();
  if (fd < 0) {  // a missing directory, or one the user may not write to
    *error = failure("cannot open", path, errno);
    g_output.temp_name[0] = '\0';
    return false;
  }
  fchmod(fd, mode);  // a replaced picture keeps the old one's permissions
  g_output.fd = fd;
  remove_temp_file_on_ending_signals();
  return true;
}

bool commit_output(const RgbImage& image, std::string* error) {
  // write_png_rgb closes the stream it is given; the descriptor itself is still needed.
  const int copy = dup(g_output.fd);
  FILE* stream = copy >= 0 ? fdopen(copy, "wb") : nullptr;
  if (!stream) {
    *error = std::string("cannot write the image: ") + std::strerror(errno);
    if (copy >= 0) close(copy);
    abandon_output();
    return false;
  }
  // A reader of standard output that has gone away is a write error with its message, not a
  // silent death by SIGPIPE.
  if (g_output.standard) handle_if_default(SIGPIPE, SIG_IGN, 0);
  // The fastest setting: the PNG is on the run's serial tail, after the picture is drawn.
  bool ok = write_png_rgb(stream, image, error, kPngFastest);
  if (ok && !g_output.direct && fsync(g_output.fd) != 0) {
    *error = std::string("cannot write the image: ") + std::strerror(errno);
    ok = false;
  }
  bool in_place = g_output.direct;
  if (ok && g_output.anonymous) ok = name_temp_file(&in_place, error);
  if (ok && !in_place && rename(g_output.temp_name, g_output.target.c_str()) != 0) {
    *error = failure("cannot replace", g_output.target, errno);
    ok = false;
  }
  if (ok) g_output.temp_name[0] = '\0';
  abandon_output();
  close(g_output.fd);
  g_output.fd = -1;
  return ok;
}

void abandon_output() {
  if (g_output.temp_name[0] != '\0') unlink(g_output.temp_name);
}
