// The generator's unit of work: one job writes one or a few files. Jobs are
// independent of each other, so they run on worker threads in any order and
// still produce the same bytes.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace datagen {

struct Fonts;

struct Job {
  std::string label;
  std::function<bool(Fonts&)> run;  // false when a file could not be written
  int weight = 1;                   // rough cost, so that long jobs start first
};

// Creates the parent folders of path; returns false on failure.
bool makeParent(const std::string& path);

void addPictureJobs(std::vector<Job>& jobs, const std::string& outDir);
void addContactSheetJobs(std::vector<Job>& jobs, const std::string& dir);
// icon-48.png, icon-128.png and icon-256.png in dir.
void addIconJobs(std::vector<Job>& jobs, const std::string& dir);
void addEffectJobs(std::vector<Job>& jobs, const std::string& outDir);
void addInstrumentJobs(std::vector<Job>& jobs, const std::string& outDir);
void addTuneImageJobs(std::vector<Job>& jobs, const std::string& outDir);
void addStreamedTuneJob(std::vector<Job>& jobs, const std::string& outDir);

}  // namespace datagen
