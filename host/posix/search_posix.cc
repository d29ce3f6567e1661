// Linux: the file search reads the mask's folder with opendir/readdir, matches the
// name part with the DOS wildcard rules and derives the attribute word from the
// file system.
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "host/host.h"
#include "host/paths.h"
#include "host/search_internal.h"

namespace {

unsigned long AttributesOf(int dirFd, const char* name) {
  unsigned long attributes = 0;
  if (name[0] == '.') attributes |= kAttributeHidden;
  struct stat st;
  if (fstatat(dirFd, name, &st, 0) != 0) return attributes | kAttributeSystem;  // dangling link
  if (S_ISDIR(st.st_mode)) {
    attributes |= kAttributeDirectory;
  } else if (S_ISREG(st.st_mode)) {
    attributes |= kAttributeArchive;
  } else {
    attributes |= kAttributeSystem;  // fifo, socket, device
  }
  if (faccessat(dirFd, name, W_OK, AT_EACCESS) != 0) attributes |= kAttributeReadOnly;
  return attributes;
}

}  // namespace

Status FindFirstMatch(const ShortText& pattern, unsigned long selection, SearchState* state) {
  BeginListing(state, selection);
  unsigned dirLength = DirectoryPartLength(pattern, false);
  char folder[kShortTextMax + 2];
  if (dirLength == 0) {
    folder[0] = '.';
    folder[1] = 0;
  } else {
    ToZeroTerminated(TextFromBytes(pattern.bytes, dirLength), folder);
  }
  const char* mask = pattern.bytes + dirLength;
  unsigned maskLength = pattern.length - dirLength;

  DIR* dir = opendir(folder);
  if (dir == nullptr) return static_cast<Status>(errno);
  bool anyMatched = false;
  Status failure = kStatusOk;
  for (;;) {
    errno = 0;
    struct dirent* entry = readdir(dir);
    if (entry == nullptr) break;  // the end, or an error: keep what was read
    unsigned nameLength = TextLength(entry->d_name);
    if (nameLength > kShortTextMax) continue;
    if (!MaskMatches(mask, maskLength, entry->d_name, nameLength)) continue;
    anyMatched = true;
    if (!EntryAccepted(AttributesOf(dirfd(dir), entry->d_name), selection)) continue;
    ShortText name = TextFromBytes(entry->d_name, nameLength);
    if (!AddName(&state->names, name, name)) {
      failure = ENOMEM;
      break;
    }
  }
  closedir(dir);
  if (failure != kStatusOk) {
    FreeNameList(&state->names);
    return failure;
  }
  if (!anyMatched) {
    FreeNameList(&state->names);
    return ENOENT;  // like a search that finds no file at all
  }
  return StartWalk(state);
}
