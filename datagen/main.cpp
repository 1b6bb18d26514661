// zipkin_datagen: writes every data file the game reads.
//
//   zipkin_datagen OUTDIR [--font-dir DIR] [--threads N]
//   zipkin_datagen --contact-sheet DIR [--font-dir DIR]
//   zipkin_datagen --icons DIR [--font-dir DIR]
//
// The output is the same bytes on every run: all randomness is seeded, jobs
// never share state, and the Ogg stream serial is fixed.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <stb/stb_image_write.h>

#include "datagen/jobs.h"
#include "datagen/sheets.h"
#include "datagen/text.h"

#ifndef ZIPKIN_DATAGEN_FONT_DIR
#define ZIPKIN_DATAGEN_FONT_DIR "/usr/share/fonts/truetype/dejavu"
#endif

namespace {

int usage() {
  std::fprintf(stderr,
               "usage: zipkin_datagen OUTDIR [--font-dir DIR] [--threads N] [--verbose] [--only TEXT]\n"
               "       zipkin_datagen --contact-sheet DIR [--font-dir DIR] [--threads N]\n"
               "       zipkin_datagen --icons DIR [--font-dir DIR] [--threads N]\n");
  return 2;
}

uintmax_t folderBytes(const std::string& dir, int* files) {
  uintmax_t total = 0;
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(dir, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_regular_file()) {
      total += it->file_size();
      ++*files;
    }
  }
  return total;
}

}  // namespace

int main(int argc, char** argv) {
  std::string outDir, contactDir, iconDir, fontDir = ZIPKIN_DATAGEN_FONT_DIR;
  unsigned threads = std::max(1u, std::thread::hardware_concurrency());
  bool verbose = false;
  std::string only;  // run just the jobs whose label contains this text
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--contact-sheet" && i + 1 < argc) contactDir = argv[++i];
    else if (a == "--icons" && i + 1 < argc) iconDir = argv[++i];
    else if (a == "--font-dir" && i + 1 < argc) fontDir = argv[++i];
    else if (a == "--verbose") verbose = true;
    else if (a == "--only" && i + 1 < argc) only = argv[++i];
    else if (a == "--threads" && i + 1 < argc) threads = unsigned(std::max(1, std::atoi(argv[++i])));
    else if (!a.empty() && a[0] != '-' && outDir.empty()) outDir = a;
    else return usage();
  }
  const int modes = !outDir.empty() + !contactDir.empty() + !iconDir.empty();
  if (modes != 1) return usage();
  datagen::setFontDir(fontDir);
  // The PNG writer's deflate search depth: 5 keeps the files within a few
  // percent of the default's size at about half its time. Set once, before
  // any worker starts.
  stbi_write_png_compression_level = 5;
  // Rows without prediction: smaller files here, and the game's decoder undoes prediction
  // slowly.
  stbi_write_force_png_filter = 0;

  std::vector<datagen::Job> jobs;
  if (!contactDir.empty()) {
    datagen::addContactSheetJobs(jobs, contactDir);
  } else if (!iconDir.empty()) {
    datagen::addIconJobs(jobs, iconDir);
  } else {
    datagen::addStreamedTuneJob(jobs, outDir);
    datagen::addPictureJobs(jobs, outDir);
    datagen::addEffectJobs(jobs, outDir);
    datagen::addInstrumentJobs(jobs, outDir);
    datagen::addTuneImageJobs(jobs, outDir);
  }
  if (!only.empty())
    jobs.erase(std::remove_if(jobs.begin(), jobs.end(),
                              [&](const datagen::Job& j) { return j.label.find(only) == std::string::npos; }),
               jobs.end());
  // Long jobs first, so that the last ones to finish are short.
  std::stable_sort(jobs.begin(), jobs.end(),
                   [](const datagen::Job& a, const datagen::Job& b) { return a.weight > b.weight; });

  auto start = std::chrono::steady_clock::now();
  std::atomic<size_t> next{0};
  std::atomic<int> failures{0};
  std::mutex report;
  auto worker = [&]() {
    datagen::Fonts fonts;
    for (size_t i = next++; i < jobs.size(); i = next++) {
      bool ok = false;
      std::string why;
      auto t0 = std::chrono::steady_clock::now();
      try {
        ok = jobs[i].run(fonts);
      } catch (const std::exception& e) {
        why = e.what();
      }
      if (verbose) {
        double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        std::lock_guard<std::mutex> lock(report);
        std::printf("%8.1f ms  %s\n", ms, jobs[i].label.c_str());
      }
      if (!ok) {
        ++failures;
        std::lock_guard<std::mutex> lock(report);
        std::fprintf(stderr, "zipkin_datagen: %s failed%s%s\n", jobs[i].label.c_str(), why.empty() ? "" : ": ",
                     why.c_str());
      }
    }
  };
  std::vector<std::thread> pool;
  for (unsigned t = 1; t < std::min<unsigned>(threads, unsigned(jobs.size())); ++t) pool.emplace_back(worker);
  worker();
  for (std::thread& t : pool) t.join();
  double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  std::string dir = !contactDir.empty() ? contactDir : (!iconDir.empty() ? iconDir : outDir);
  int files = 0;
  uintmax_t bytes = folderBytes(dir, &files);
  std::printf("zipkin_datagen: %zu jobs, %d files, %.1f MB in %s, %.2f s on %u threads\n", jobs.size(), files,
              double(bytes) / 1e6, dir.c_str(), secs, threads);
  return failures == 0 ? 0 : 1;
}
