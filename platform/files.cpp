// VelGame's file side and this desktop's paths: path mapping, whole-file reads, the state file and
// the hand-off of an address to xdg-open.
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/vel_game.h"

extern char** environ;

const char* const VelGame::kStateFile = "./.kestrelstate";
const char* const VelGame::kStateTempFile = "./.kestrelstate.tmp";

namespace {

// UTF-16 to UTF-8 for the C library's file calls, surrogate pairs combined.
std::string path_to_utf8(const String& s) {
  std::string out;
  const int n = s.Length();
  for (int i = 0; i < n; ++i) {
    unsigned c = s[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (s[++i] - 0xDC00);
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | c >> 6);
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | c >> 12);
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | c >> 18);
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

bool starts_with(const String& s, const char* prefix, int* length) {
  String p(prefix);
  *length = p.Length();
  return s.Length() >= p.Length() && s.Slice(0, p.Length()) == p;
}

}  // namespace

String VelGame::PathToFilePath(String path) { return path; }

String MapKestrelPath(String path) {
  static const char* const schemes[][2] = {{"kestrel://data/", "./data/"},
                                           {"kestrel://internal/", "./internal/"},
                                           {"kestrel://external/", "./external/"}};
  int n = 0;
  for (const auto& scheme : schemes)
    if (starts_with(path, scheme[0], &n)) return String(scheme[1]) + path.Slice(n);
  if (starts_with(path, "kestrel:", &n)) return String();
  return path;
}

FILE* VelGame::OpenFile(String path, String mode) {
  String file = PathToFilePath(path);
  if (!file.Length()) return nullptr;
  FILE* f = std::fopen(path_to_utf8(file).c_str(), path_to_utf8(mode).c_str());
  if (!f) return nullptr;
  // A directory opens for reading on this platform but is no file to read.
  struct stat st;
  if (fstat(fileno(f), &st) != 0 || S_ISDIR(st.st_mode)) {
    std::fclose(f);
    return nullptr;
  }
  return f;
}

String VelGame::LoadString(String path) {
  FILE* f = OpenFile(path, String("rb"));
  if (!f) return String();
  String text = String::Load(f);
  std::fclose(f);
  return text;
}

unsigned char* VelGame::LoadData(String path, int* length) {
  FILE* f = OpenFile(path, String("rb"));
  if (!f) return nullptr;
  // Read in 4096-byte blocks until a short read, then join them into one block.
  std::vector<unsigned char*> blocks;
  size_t total = 0, last = 0;
  for (;;) {
    unsigned char* block = static_cast<unsigned char*>(std::malloc(4096));
    last = std::fread(block, 1, 4096, f);
    blocks.push_back(block);
    total += last;
    if (last < 4096) break;
  }
  std::fclose(f);
  // At least one byte, so that an empty file still reads as a (zero-length) block.
  unsigned char* data = static_cast<unsigned char*>(std::malloc(total ? total : 1));
  for (size_t i = 0; i < blocks.size(); ++i) {
    size_t n = i + 1 < blocks.size() ? 4096 : last;
    std::memcpy(data + i * 4096, blocks[i], n);
    std::free(blocks[i]);
  }
  if (length) *length = static_cast<int>(total);
  return data;
}

int VelGame::SaveState(String state) { return WriteState(state.ToUtf8()); }

namespace {

// Creates the temporary file afresh. Whatever stands at its name (a temporary left by a
// crash, or a link planted to make the game write elsewhere) is removed, not followed, and
// O_EXCL refuses a link that appears in between. The file gets the permissions the state
// file has, so a player who keeps it private keeps it private.
FILE* create_temporary() {
  struct stat state;
  const mode_t mode = stat(VelGame::kStateFile, &state) == 0 ? (state.st_mode & 07777) : 0666;
  unlink(VelGame::kStateTempFile);
  const int fd = open(VelGame::kStateTempFile,
                      O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
  if (fd < 0) return nullptr;
  // open() applies the umask; an existing state file's own permissions win over it.
  if (mode != 0666) fchmod(fd, mode);
  FILE* f = fdopen(fd, "wb");
  if (!f) close(fd);
  return f;
}

}  // namespace

int VelGame::WriteState(const std::string& bytes) {
  FILE* f = create_temporary();
  if (!f) return -1;
  bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  ok = std::fflush(f) == 0 && ok;
  ok = fsync(fileno(f)) == 0 && ok;
  ok = std::fclose(f) == 0 && ok;
  ok = ok && std::rename(kStateTempFile, kStateFile) == 0;
  if (!ok) {
    std::remove(kStateTempFile);
    return -2;
  }
  // Make the rename itself durable.
  int dir = open(".", O_RDONLY | O_DIRECTORY);
  if (dir >= 0) {
    fsync(dir);
    close(dir);
  }
  return 0;
}

String VelGame::LoadState() {
  FILE* f = OpenFile(String(kStateFile), String("rb"));
  if (!f) return String();
  String text = String::Load(f);
  std::fclose(f);
  return text;
}

void VelGame::OpenUrl(String) {}

void XdgOpen(String url) {
  // Collect earlier helpers that have finished, so none lingers as a zombie.
  while (waitpid(-1, nullptr, WNOHANG) > 0) {
  }
  std::string address = url.ToNarrow();
  char program[] = "xdg-open";
  char* argv[] = {program, address.data(), nullptr};
  pid_t pid;
  posix_spawnp(&pid, program, nullptr, nullptr, argv, environ);  // failure is ignored
}

String vel_data_FixDataPath(String path) {
  int i = path.Find(String(":/"));
  if (i != -1 && path.Find(String("/")) == i + 1) return path;
  int n = 0;
  if (starts_with(path, "./", &n) || starts_with(path, "/", &n)) return path;
  return String("kestrel://data/") + path;
}
