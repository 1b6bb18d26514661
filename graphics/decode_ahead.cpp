#include "graphics/decode_ahead.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdlib>
#include <list>
#include <mutex>
#include <string>
#include <thread>

#include "graphics/image_data.h"
#include "graphics/surface.h"
#include "platform/files.h"
#include "platform/vel_game.h"

namespace {

struct Job {
  std::string file;  // absolute: the key, and what the worker opens
  enum { kQueued, kDecoding, kDone } state = kQueued;
  bool dropped = false;  // replaced while being decoded: the worker discards the result
  DecodedImage image;
};

// Allocated once and never destroyed: the worker may still run while the process ends.
struct Queue {
  std::mutex mutex;
  std::condition_variable changed;
  std::list<Job*> jobs;
  bool worker_started = false;
};

Queue& queue() {
  static Queue* q = new Queue;
  return *q;
}

// The file behind an image path, made absolute so that a queue left by a program that has
// since changed its working folder cannot answer for another folder's file. Empty when the
// path maps to no file.
std::string file_of(String path) {
  VelGame* host = VelGame::_game;
  if (!host) return std::string();
  const String mapped = host->PathToFilePath(vel_data_FixDataPath(path));
  if (!mapped.Length()) return std::string();
  std::string file = mapped.ToUtf8();
  if (file[0] != '/') {
    char cwd[PATH_MAX];
    if (!getcwd(cwd, sizeof cwd)) return std::string();
    file = std::string(cwd) + "/" + file;
  }
  return file;
}

DecodedImage decode(const std::string& file) {
  DecodedImage image;
  const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return image;
  struct stat st;
  // stb takes at most INT_MAX bytes; mmap refuses directories and empty files.
  if (fstat(fd, &st) == 0 && st.st_size <= INT_MAX) {
    void* bytes = mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    if (bytes != MAP_FAILED) {
      image.pixels = DecodeImageBytes(static_cast<const unsigned char*>(bytes),
                                      static_cast<int>(st.st_size), &image.width,
                                      &image.height, &image.depth);
      munmap(bytes, static_cast<size_t>(st.st_size));
    }
  }
  close(fd);
  if (image.pixels) PremultiplyPixels(image.pixels, image.width, image.height, image.depth);
  return image;
}

void work() {
  Queue& q = queue();
  std::unique_lock<std::mutex> lock(q.mutex);
  for (;;) {
    Job* job = nullptr;
    for (Job* j : q.jobs) {
      if (j->state == Job::kQueued) {
        job = j;
        break;
      }
    }
    if (!job) {
      q.changed.wait(lock);
      continue;
    }
    job->state = Job::kDecoding;
    const std::string file = job->file;
    lock.unlock();
    const DecodedImage image = decode(file);
    lock.lock();
    if (job->dropped) {
      std::free(image.pixels);
      delete job;
    } else {
      job->image = image;
      job->state = Job::kDone;
      q.changed.notify_all();
    }
  }
}

}  // namespace

void DecodeImagesAhead(const std::vector<String>& paths) {
  std::list<Job*> jobs;
  for (const String& path : paths) {
    Job* job = new Job;
    job->file = file_of(path);
    if (job->file.empty()) {
      delete job;
    } else {
      jobs.push_back(job);
    }
  }
  Queue& q = queue();
  std::lock_guard<std::mutex> lock(q.mutex);
  for (Job* job : q.jobs) {
    if (job->state == Job::kDecoding) {
      job->dropped = true;  // the worker holds it; it deletes it when done
    } else {
      std::free(job->image.pixels);
      delete job;
    }
  }
  q.jobs.swap(jobs);
  if (!q.jobs.empty() && !q.worker_started) {
    std::thread(work).detach();
    q.worker_started = true;
  }
  q.changed.notify_all();
}

bool TakeDecodedImage(String path, DecodedImage* image) {
  const std::string file = file_of(path);
  if (file.empty()) return false;
  Queue& q = queue();
  std::unique_lock<std::mutex> lock(q.mutex);
  auto at = q.jobs.begin();
  while (at != q.jobs.end() && (*at)->file != file) ++at;
  if (at == q.jobs.end()) return false;
  Job* job = *at;
  if (job->state == Job::kQueued) {
    // The worker is busy with files before it: decoding it here is quicker than waiting.
    q.jobs.erase(at);
    lock.unlock();
    *image = decode(file);
  } else {
    q.changed.wait(lock, [job] { return job->state == Job::kDone; });
    q.jobs.erase(at);
    *image = job->image;
  }
  delete job;
  return true;
}
