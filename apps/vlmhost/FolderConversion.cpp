#include "FolderConversion.h"

#include <poll.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <nlohmann/json.hpp>
#include <set>

#include "Hints.h"
#include "LeftOutFaces.h"
#include "Report.h"
#include "export/Export.h"
#include "export/FileNames.h"
#include "refhost/ValidUtf8.h"
#include "session/ImportSession.h"

namespace vlm::vlmhost {

namespace {

using Json = nlohmann::ordered_json;

// The line a worker ends its output with: this mark, then its result as JSON.
constexpr std::string_view kResultMark = "\x1evlmhost-result ";

constexpr const char* kConverted = "converted";
constexpr const char* kNoTriangles = "no triangles";
constexpr const char* kFailed = "failed";

unsigned processors() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (::sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0)
    return static_cast<unsigned>(CPU_COUNT(&set));
  return 1;
}

Json resultOf(const EachInput& input) {
  return Json{{"file", refhost::validUtf8(input.file)},
              {"output", nullptr},
              {"objects", 0},
              {"triangles", 0},
              {"status", kFailed},
              {"message", ""},
              {"crlf", false},
              {"leftOutFaces", 0}};
}

// One input imported into a scene of its own and, when it brought triangles, exported.
Json convertOne(const Options& options, const EachInput& input) {
  Json result = resultOf(input);
  try {
    if (input.format.empty()) {
      throw session::HostError("unknown format of '" + input.file +
                               "': name one with --format obj|dxf|3ds|inc|ply");
    }
    session::checkReadable(input.file);
    ImportRecord record;
    record.file = input.file;
    record.path = input.path;
    record.format = input.format;
    const FileSample sample = sampleFile(input.path);
    record.crlf = sample.hasLF && !sample.hasCR;  // asked for; DXF and POV-Ray files only
    refhost::ReferenceScene scene;
    {
      session::ImportSession session(options.plugin, options.trace, scene);
      session.run(record, importChoices(options));
    }
    result["objects"] = record.endObject - record.firstObject;
    result["triangles"] = record.triangles;
    result["crlf"] = record.crlf;
    const LeftOutFaces leftOut = countLeftOutFaces(input.path, input.format);
    result["leftOutFaces"] = leftOut.cut + leftOut.skipped;
    if (record.triangles == 0) {
      record.hints = hintsOf(record, scene);
      result["status"] = kNoTriangles;
      result["message"] = refhost::validUtf8(session::shortfallReason(record));
      return result;
    }
    exporter::exportScene(scene, input.output,
                          exporter::ExportOptions{std::string(exporter::fileNameOf(input.file)),
                                                  1.0f, options.embed});
    result["output"] = refhost::validUtf8(input.output);
    result["status"] = kConverted;
  } catch (const RuntimeError& e) {
    result["message"] = refhost::validUtf8(e.description());
  } catch (const std::exception& e) {
    result["message"] = refhost::validUtf8(e.what());
  }
  return result;
}

void writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
}

// A worker process converting one input, its stdout and stderr read through one pipe.
struct Worker {
  size_t input = 0;
  pid_t pid = -1;
  int fd = -1;
  std::string output;
  bool ended = false;  // its output is read to the end
};

// Starts the worker for inputs[index]: a forked copy of this process, which has not loaded
// the plug-in, so each import has a process to itself.
Worker startWorker(const Options& options, const std::vector<EachInput>& inputs, size_t index,
                   const std::vector<Worker>& running) {
  int ends[2];
  if (::pipe(ends) != 0) {
    throw session::HostError(std::string("cannot start a worker: ") + std::strerror(errno));
  }
  std::cout.flush();
  const pid_t pid = ::fork();
  if (pid < 0) {
    ::close(ends[0]);
    ::close(ends[1]);
    throw session::HostError(std::string("cannot start a worker: ") + std::strerror(errno));
  }
  if (pid == 0) {
    ::close(ends[0]);
    for (const Worker& other : running) ::close(other.fd);
    ::dup2(ends[1], STDOUT_FILENO);
    ::dup2(ends[1], STDERR_FILENO);
    ::close(ends[1]);
    const Json result = convertOne(options, inputs[index]);
    std::cerr.flush();
    writeAll(STDOUT_FILENO, std::string(kResultMark) + result.dump() + "\n");
    ::_exit(0);
  }
  ::close(ends[1]);
  return Worker{index, pid, ends[0], {}, false};
}

// The worker's result, from its last line; a worker that died without one failed.
Json finishWorker(Worker& worker, const EachInput& input, std::set<std::string>& notesShown) {
  ::close(worker.fd);
  int status = 0;
  while (::waitpid(worker.pid, &status, 0) < 0 && errno == EINTR) {
  }
  Json result = resultOf(input);
  size_t start = 0;
  while (start < worker.output.size()) {
    size_t end = worker.output.find('\n', start);
    if (end == std::string::npos) end = worker.output.size();
    const std::string_view line = std::string_view(worker.output).substr(start, end - start);
    start = end + 1;
    if (line.starts_with(kResultMark)) {
      result = Json::parse(line.substr(kResultMark.size()), nullptr, false);
    } else if (!line.empty() && notesShown.insert(std::string(line)).second) {
      std::cerr << line << '\n';  // what the components said, such as settings not saved
    }
  }
  if (result.is_discarded() || !result.contains("status")) result = resultOf(input);
  if (result["status"] == kFailed && result["message"] == "") {
    result["message"] = WIFSIGNALED(status) ? "the import ended the worker process (" +
                                                  std::string(::strsignal(WTERMSIG(status))) + ")"
                                            : std::string("the worker process gave no result");
  }
  return result;
}

void readFrom(std::vector<Worker>& running) {
  std::vector<pollfd> fds;
  for (const Worker& w : running) fds.push_back(pollfd{w.fd, POLLIN, 0});
  while (::poll(fds.data(), fds.size(), -1) < 0 && errno == EINTR) {
  }
  for (size_t i = 0; i < fds.size(); ++i) {
    if (fds[i].revents == 0) continue;
    char buffer[4096];
    const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
    if (n > 0) {
      running[i].output.append(buffer, static_cast<size_t>(n));
    } else if (n == 0 || errno != EINTR) {
      running[i].ended = true;
    }
  }
}

// "[k/n] name" on a terminal, over the line before.
void showProgress(size_t done, size_t total, const EachInput& input) {
  std::cerr << "\r\x1b[K[" << done << "/" << total << "] " << input.file << std::flush;
}

std::string summaryLine(const std::vector<Json>& results) {
  size_t converted = 0, empty = 0, failed = 0, crlf = 0, leftOut = 0;
  for (const Json& r : results) {
    converted += r["status"] == kConverted;
    empty += r["status"] == kNoTriangles;
    failed += r["status"] == kFailed;
    crlf += r["crlf"] == true && r["status"] == kConverted;
    leftOut += r["leftOutFaces"] != 0;
  }
  std::string line = std::to_string(results.size()) +
                     (results.size() == 1 ? " file: " : " files: ") + std::to_string(converted) +
                     " converted, " + std::to_string(empty) + " without triangles, " +
                     std::to_string(failed) + " failed";
  if (crlf > 0) line += "; " + std::to_string(crlf) + " read with CR LF line ends";
  if (leftOut > 0) line += "; " + std::to_string(leftOut) + " with faces the importer left out";
  return line;
}

}  // namespace

int convertEach(const Options& options) {
  const std::vector<EachInput> inputs = gatherInputs(options);
  std::error_code error;
  std::filesystem::create_directories(options.exportEach, error);
  if (error || !std::filesystem::is_directory(options.exportEach)) {
    throw session::HostError("cannot write to '" + options.exportEach +
                             "': " + (error ? error.message() : std::string("not a folder")));
  }
  const size_t jobs = options.jobs > 0 ? options.jobs : processors();
  const bool terminal = ::isatty(STDERR_FILENO);
  std::vector<Json> results(inputs.size());
  std::vector<Worker> running;
  std::set<std::string> notesShown;
  size_t next = 0, done = 0;
  while (done < inputs.size()) {
    while (running.size() < jobs && next < inputs.size())
      running.push_back(startWorker(options, inputs, next++, running));
    readFrom(running);
    for (auto it = running.begin(); it != running.end();) {
      if (!it->ended) {
        ++it;
        continue;
      }
      const EachInput& input = inputs[it->input];
      Json& result = results[it->input] = finishWorker(*it, input, notesShown);
      it = running.erase(it);
      if (terminal)
        showProgress(++done, inputs.size(), input);
      else
        ++done;
      if (result["status"] != kConverted) {
        if (terminal) std::cerr << "\r\x1b[K";
        std::cerr << shortfallLine(input.file, result["message"].get<std::string>()) << '\n';
      }
    }
  }
  if (terminal && !inputs.empty()) std::cerr << "\r\x1b[K";
  if (options.json) {
    std::cout << Json(results).dump(2) << '\n';
    std::cerr << summaryLine(results) << '\n';
  } else {
    std::cout << summaryLine(results) << '\n';
  }
  for (const Json& r : results) {
    if (r["status"] != kConverted) return 1;
  }
  return 0;
}

}  // namespace vlm::vlmhost
