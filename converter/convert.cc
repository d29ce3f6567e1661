#include "converter/convert.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <csignal>
#include <cstring>
#include <memory>
#include <vector>

#include "converter/bmp_decoder.h"
#include "converter/bmp_writer.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

constexpr std::size_t kStreamBuffer = 64 * 1024;
constexpr long long kMaxPaletteFileSize = 64LL * 1024 * 1024;

std::string SystemReason(int code) { return std::strerror(code); }

#ifdef _WIN32
// The system's text for a Windows error code, on one line.
std::string WindowsReason(DWORD code) {
  char text[512];
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                code, 0, text, sizeof text, nullptr);
  std::string reason(text, length);
  while (!reason.empty() && (reason.back() == '\r' || reason.back() == '\n' ||
                             reason.back() == ' ' || reason.back() == '.')) {
    reason.pop_back();
  }
  if (reason.empty()) reason = "Windows error " + std::to_string(code);
  return reason;
}
#endif

unsigned long ProcessId() {
#ifdef _WIN32
  return static_cast<unsigned long>(GetCurrentProcessId());
#else
  return static_cast<unsigned long>(getpid());
#endif
}

// ---------------------------------------------------------------------------------
// The temporary output file, and its removal when the process is interrupted.

// The temporary file being written, for the interrupt handlers. Set only while the
// file exists; the handlers remove it and let the interruption go on.
char g_temporaryPath[4096];
volatile std::sig_atomic_t g_temporaryActive = 0;

#ifdef _WIN32
BOOL WINAPI RemoveTemporaryOnControl(DWORD) {
  // The file is open with FILE_SHARE_DELETE, so it can be deleted while still open: it
  // goes away when the process ends.
  if (g_temporaryActive) DeleteFileA(g_temporaryPath);
  return FALSE;  // go on to the default handler, which ends the process
}

void InstallInterruptHandlers() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  SetConsoleCtrlHandler(RemoveTemporaryOnControl, TRUE);
}
#else
const int kInterrupts[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

extern "C" void RemoveTemporaryOnSignal(int signal) {
  if (g_temporaryActive) unlink(g_temporaryPath);
  // SA_RESETHAND has put the default action back: end the process as the signal would.
  raise(signal);
}

void InstallInterruptHandlers() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  for (int s : kInterrupts) {
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = RemoveTemporaryOnSignal;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    sigaction(s, &action, nullptr);
  }
}
#endif

// The temporary output file; removed when it goes out of scope unless it was renamed
// into place (so also when an exception leaves the conversion).
struct TemporaryFile {
  std::string path;
  std::FILE* file = nullptr;
  TemporaryFile() = default;
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile();
};

std::string FolderOf(const std::string& path) {
  std::size_t slash = path.find_last_of(
#ifdef _WIN32
      "/\\:"
#else
      "/"
#endif
  );
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Creates path exclusively (never an existing file). errno tells why it failed.
std::FILE* CreateExclusive(const std::string& path, const std::string& target) {
#ifdef _WIN32
  (void)target;
  HANDLE handle = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                              nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    DWORD code = GetLastError();
    errno = code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS ? EEXIST
            : code == ERROR_PATH_NOT_FOUND || code == ERROR_FILE_NOT_FOUND ? ENOENT
            : code == ERROR_ACCESS_DENIED ? EACCES
            : code == ERROR_FILENAME_EXCED_RANGE ? ENAMETOOLONG
            : EIO;
    return nullptr;
  }
  int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
  if (fd == -1) {
    CloseHandle(handle);
    DeleteFileA(path.c_str());
    errno = EMFILE;
    return nullptr;
  }
  std::FILE* file = _fdopen(fd, "wb");
  if (file == nullptr) {
    int code = errno;
    _close(fd);
    DeleteFileA(path.c_str());
    errno = code;
  }
  return file;
#else
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd == -1) return nullptr;
  // A conversion that replaces a file keeps that file's permissions.
  struct stat status;
  if (stat(target.c_str(), &status) == 0 && S_ISREG(status.st_mode)) {
    (void)fchmod(fd, status.st_mode & 07777);
  }
  std::FILE* file = fdopen(fd, "wb");
  if (file == nullptr) {
    int code = errno;
    close(fd);
    unlink(path.c_str());
    errno = code;
  }
  return file;
#endif
}

bool CreateTemporary(const std::string& output, TemporaryFile* temporary, std::string* error) {
  static unsigned counter = 0;
  InstallInterruptHandlers();
  const unsigned long pid = ProcessId();
  bool shortNames = false;
  for (int attempt = 0; attempt < 1000; ++attempt) {
    std::string path = shortNames ? FolderOf(output) + "hueswap." + std::to_string(pid) + "-" +
                                        std::to_string(counter) + ".tmp"
                                  : TemporaryNameFor(output, pid, counter);
    ++counter;
    if (path.size() >= sizeof g_temporaryPath) {
      if (shortNames) {
        *error = "path too long";
        return false;
      }
      shortNames = true;
      continue;
    }
    // The file and the handlers' note of it come into being together: no interruption
    // can fall between them.
#ifdef _WIN32
    // The console control handler runs in a thread of its own: note the name first.
    std::memcpy(g_temporaryPath, path.c_str(), path.size() + 1);
    g_temporaryActive = 1;
    errno = 0;
    std::FILE* file = CreateExclusive(path, output);
    if (file == nullptr) g_temporaryActive = 0;
#else
    sigset_t interrupts, previous;
    sigemptyset(&interrupts);
    for (int s : kInterrupts) sigaddset(&interrupts, s);
    sigprocmask(SIG_BLOCK, &interrupts, &previous);
    errno = 0;
    std::FILE* file = CreateExclusive(path, output);
    int code = errno;
    if (file != nullptr) {
      std::memcpy(g_temporaryPath, path.c_str(), path.size() + 1);
      g_temporaryActive = 1;
    }
    sigprocmask(SIG_SETMASK, &previous, nullptr);
    errno = code;
#endif
    if (file != nullptr) {
      temporary->path = path;
      temporary->file = file;
      return true;
    }
    if (errno == EEXIST) continue;
    if (errno == ENAMETOOLONG && !shortNames) {
      shortNames = true;
      continue;
    }
    *error = "cannot create a temporary file beside it: " + SystemReason(errno);
    return false;
  }
  *error = "cannot create a temporary file beside it: too many exist";
  return false;
}

// Closes (if still open) and removes the temporary file.
void DiscardTemporary(TemporaryFile* temporary) {
  if (temporary->file != nullptr) {
    std::fclose(temporary->file);
    temporary->file = nullptr;
  }
  if (!temporary->path.empty()) {
    std::remove(temporary->path.c_str());
    g_temporaryActive = 0;
    temporary->path.clear();
  }
}

TemporaryFile::~TemporaryFile() { DiscardTemporary(this); }

// Flushes, syncs and closes the temporary file and renames it over output.
bool FinishTemporary(TemporaryFile* temporary, const std::string& output, std::string* error) {
  std::FILE* file = temporary->file;
  errno = 0;
  if (std::fflush(file) != 0 || std::ferror(file)) {
    *error = "write error: " + SystemReason(errno != 0 ? errno : EIO);
    return false;
  }
#ifdef _WIN32
  if (_commit(_fileno(file)) != 0) {
#else
  if (fsync(fileno(file)) != 0 && errno != EINVAL && errno != EROFS) {
#endif
    *error = "write error: " + SystemReason(errno);
    return false;
  }
  temporary->file = nullptr;
  if (std::fclose(file) != 0) {
    *error = "write error: " + SystemReason(errno);
    return false;
  }
#ifdef _WIN32
  // rename does not replace an existing file on Windows.
  if (!MoveFileExA(temporary->path.c_str(), output.c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    *error = "cannot replace it: " + WindowsReason(GetLastError());
    return false;
  }
#else
  if (std::rename(temporary->path.c_str(), output.c_str()) != 0) {
    *error = "cannot replace it: " + SystemReason(errno);
    return false;
  }
  // The folder is not synced after the rename. Nothing can be lost without it: the
  // new contents are on disk before the rename, and the file system makes a rename
  // all or nothing, so after a crash the name holds either the old file or the
  // complete new one (at worst the conversion has to be run again). Syncing the
  // folder would only make the rename itself durable at once, and costs about as
  // much again as the file's own sync, for every file of a batch.
#endif
  g_temporaryActive = 0;
  temporary->path.clear();
  return true;
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePointer = std::unique_ptr<std::FILE, FileCloser>;

struct SearchDeleter {
  void operator()(NearestColourSearch* search) const { delete search; }
};

}  // namespace

std::string TemporaryNameFor(const std::string& output, unsigned long processId,
                             unsigned counter) {
  return output + "." + std::to_string(processId) + "-" + std::to_string(counter) + ".tmp";
}

namespace {

// A large output is handed to the disk in steps while the conversion goes on, so
// that the sync at the end (FinishTemporary) has little left to wait for: on this
// kind of disk that takes about half the sync's time off a 1 MB output. Only a hint:
// the sync at the end is what makes the file safe.
constexpr std::size_t kWritebackStep = 256 * 1024;

bool StartWriteback(std::FILE* out, std::string* error) {
  errno = 0;
  if (std::fflush(out) != 0) {
    *error = "write error: " + SystemReason(errno != 0 ? errno : EIO);
    return false;
  }
#ifdef __linux__
  (void)sync_file_range(fileno(out), 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
  return true;
}

// Converts a picture whose headers `decoder` has read (OpenBmp) to out.
bool ConvertOpenedBmp(BmpDecoder& decoder, NearestColourSearch* search, std::FILE* out,
                      std::string* error, bool* outputFault) {
  *outputFault = false;
  const BmpInfo& info = decoder.info;
  const std::size_t width = static_cast<std::size_t>(info.width);

  // An indexed picture: its colour table mapped once; the rest is a table look-up.
  unsigned char map[256] = {0};
  if (info.indexed) {
    for (int i = 0; i < info.colourCount; ++i) {
      map[i] = NearestIndexByScan(search, info.colours[i][0], info.colours[i][1], info.colours[i][2]);
    }
  }

  // A large indexed picture maps two pixels at a time through a table of every
  // pair of indices (128 KB, built in about the time 64 K pixels take one by one).
  std::vector<std::uint16_t> pairMap;
  if (info.indexed && std::uint64_t(info.width) * std::uint64_t(info.height) >= (1u << 18) &&
      info.width >= 2) {
    pairMap.resize(65536);
    for (unsigned i = 0; i < 65536; ++i) {
      // Keyed and filled by the two bytes as they lie in memory, whatever the byte order.
      const unsigned char key[2] = {static_cast<unsigned char>(i & 0xFF),
                                    static_cast<unsigned char>(i >> 8)};
      const unsigned char pair[2] = {map[key[0]], map[key[1]]};
      std::uint16_t at, value;
      std::memcpy(&at, key, 2);
      std::memcpy(&value, pair, 2);
      pairMap[at] = value;
    }
  }

  const std::size_t stride = BmpIndexedStride(info.width);
  std::size_t unwritten = 0;  // bytes written since the last StartWriteback
  if (!WriteBmpHeader(out, info.width, info.height, search->palette, error)) {
    *outputFault = true;
    return false;
  }
  // 24- and 32-bit rows go to the search as stored (B, G, R), without a copy.
  const bool stored = info.format == kBmpRgb24 || info.format == kBmpRgb32;
  const int storedBytes = info.format == kBmpRgb32 ? 4 : 3;
  std::vector<unsigned char> in(stored ? 0 : info.indexed ? width : width * 3);
  std::vector<unsigned char> row(BmpIndexedStride(info.width));
  for (int y = 0; y < info.height; ++y) {
    unsigned char* target = row.data();
    if (stored) {
      const unsigned char* pixels;
      if (!ReadBmpStoredRow(&decoder, &pixels, error)) return false;
      NearestIndicesBgr(search, pixels, storedBytes, info.width, target);
    } else {
      if (!ReadBmpRow(&decoder, in.data(), error)) return false;
      const unsigned char* pixel = in.data();
      if (info.indexed) {
        std::size_t x = 0;
        if (!pairMap.empty()) {
          for (; x + 2 <= width; x += 2) {
            std::uint16_t pair;
            std::memcpy(&pair, pixel + x, 2);
            std::memcpy(target + x, &pairMap[pair], 2);
          }
        }
        for (; x < width; ++x) target[x] = map[pixel[x]];
      } else {
        for (std::size_t x = 0; x < width; ++x, pixel += 3) {
          target[x] = NearestIndex(search, pixel[0], pixel[1], pixel[2]);
        }
      }
    }
    if (!WriteBmpRow(out, row.data(), info.width, error)) {
      *outputFault = true;
      return false;
    }
    unwritten += stride;
    if (unwritten >= kWritebackStep) {
      unwritten = 0;
      if (!StartWriteback(out, error)) {
        *outputFault = true;
        return false;
      }
    }
  }
  return true;
}

}  // namespace

bool ConvertBmp(ByteSource* source, NearestColourSearch* search, std::FILE* out,
                std::string* error, bool* outputFault) {
  *outputFault = false;
  BmpDecoder decoder;
  if (!OpenBmp(source, &decoder, error)) return false;
  return ConvertOpenedBmp(decoder, search, out, error, outputFault);
}

bool ReadPaletteFile(const std::string& path, Palette* palette, HueswapError* error) {
  error->file = path;
  FilePointer file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    error->reason = "cannot open: " + SystemReason(errno);
    return false;
  }
  // Read in one piece straight into `bytes`: no stream buffer (nor the stream's own
  // look at the file's size to choose one).
  std::setvbuf(file.get(), nullptr, _IONBF, 0);
  ByteSource source;
  if (!InitFileSource(&source, file.get(), &error->reason)) return false;
  if (source.size > static_cast<unsigned long long>(kMaxPaletteFileSize)) {
    error->reason = "too large for a palette file";
    return false;
  }
  std::vector<unsigned char> bytes(static_cast<std::size_t>(source.size));
  if (SourceRead(&source, bytes.data(), bytes.size()) != bytes.size()) {
    error->reason = "read error";
    return false;
  }
  return ParsePalette(bytes.data(), bytes.size(), palette, &error->reason);
}

bool ConvertBmpFile(const std::string& input, const std::string& output, const Palette& palette,
                    HueswapError* error) {
  error->file = input;
  FilePointer in(std::fopen(input.c_str(), "rb"));
  if (!in) {
    error->reason = "cannot open: " + SystemReason(errno);
    return false;
  }
  ByteSource source;
  if (!InitFileSource(&source, in.get(), &error->reason)) return false;
  // Own buffers, no larger than the files (a small picture is read in one call and
  // its buffer costs no more pages than it fills), and left uninitialised. Some C
  // libraries ignore the size asked for without a buffer of one's own. Declared
  // before the files use them, so they outlive those files.
  const std::size_t inSize = static_cast<std::size_t>(
      std::min<std::uint64_t>(std::max<std::uint64_t>(source.size, 1), kStreamBuffer));
  std::unique_ptr<char[]> inBuffer(new char[inSize]);
  std::setvbuf(in.get(), inBuffer.get(), _IOFBF, inSize);

  // The headers are checked before the output is touched at all.
  BmpDecoder decoder;
  if (!OpenBmp(&source, &decoder, &error->reason)) return false;

  std::unique_ptr<NearestColourSearch, SearchDeleter> search(new NearestColourSearch);
  InitNearestColourSearch(search.get(), palette);

  TemporaryFile temporary;
  if (!CreateTemporary(output, &temporary, &error->reason)) {
    error->file = output;
    return false;
  }
  const std::uint64_t outputBytes =
      14 + 40 + 4 * static_cast<std::uint64_t>(search->palette.count) +
      BmpIndexedStride(decoder.info.width) * static_cast<std::uint64_t>(decoder.info.height);
  const std::size_t outSize =
      static_cast<std::size_t>(std::min<std::uint64_t>(outputBytes, kStreamBuffer));
  std::unique_ptr<char[]> outBuffer(new char[outSize]);
  std::setvbuf(temporary.file, outBuffer.get(), _IOFBF, outSize);
  bool outputFault = false;
  if (!ConvertOpenedBmp(decoder, search.get(), temporary.file, &error->reason, &outputFault)) {
    if (outputFault) error->file = output;
    DiscardTemporary(&temporary);
    return false;
  }
  // Closed before the rename: Windows cannot replace a file that is open.
  in.reset();
  if (!FinishTemporary(&temporary, output, &error->reason)) {
    error->file = output;
    DiscardTemporary(&temporary);
    return false;
  }
  return true;
}
