#include "frontend/platform_execute.h"

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include <spawn.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <boost/filesystem/path.hpp>

#include "frontend/exit_status.h"
#include "frontend/signal_forwarding.h"

extern char** environ;

namespace qfmacro {

namespace {

// The host receives the folder qfmacro was started from, so relative paths in
// the description mean the same to it; a folder path this long is left out.
constexpr size_t kMaxBasePathBytes = 1024;

std::string ReadSymbolicLink(const char* link) {
  std::vector<char> buffer(256);
  for (;;) {
    const ssize_t length = ::readlink(link, buffer.data(), buffer.size());
    if (length < 0) return std::string();
    if (static_cast<size_t>(length) < buffer.size()) return std::string(buffer.data(), static_cast<size_t>(length));
    buffer.resize(buffer.size() * 2);  // possibly cut off: try again with more room
  }
}

}  // namespace

std::string HostExecutablePath() {
  // The kernel's record of the running executable is already absolute with
  // every symbolic link resolved, so a qfmacro that is a link into the host's
  // folder finds the host there.
  const std::string self = ReadSymbolicLink("/proc/self/exe");
  if (self.empty()) return self;
  return (boost::filesystem::path(self).parent_path() / "QuillFrame").string();
}

std::vector<std::string> BuildHostArguments(const std::string& hostPath, const QFMacroParams& params) {
  std::vector<std::string> arguments{hostPath, "-Console", "-Macro"};
  if (params.silent) arguments.emplace_back("-Silent");
  if (params.enqueue) arguments.emplace_back("-ExecuteSingleton");
  arguments.push_back("-MacroFile:" + params.tempMacroFile.string());
  arguments.push_back("-ThreadCount:" + std::to_string(params.threadCount));
  char currentDirectory[kMaxBasePathBytes];
  if (::getcwd(currentDirectory, sizeof currentDirectory) != nullptr) {
    arguments.push_back(std::string("-ExecutionBasePath:") + currentDirectory);
  }
  return arguments;
}

int platform_execute(QFMacroParams& params) {
  const std::string hostPath = HostExecutablePath();
  if (hostPath.empty()) return kStatusStartFailed;

  std::vector<std::string> arguments = BuildHostArguments(hostPath, params);
  std::vector<char*> argv;
  argv.reserve(arguments.size() + 1);
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);

  // The host writes to the same terminal; what qfmacro printed so far comes first.
  std::fflush(stdout);
  std::fflush(stderr);

  // From here until the host has ended, interrupt and termination signals go
  // to the host (which finishes or stops its batch and reports it) instead of
  // ending qfmacro with its temporary file left behind. The host starts with
  // the default dispositions, since handled signals are reset when it starts.
  SignalForwarding forwarding;
  pid_t pid = 0;
  if (::posix_spawn(&pid, hostPath.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
    return kStatusStartFailed;
  }
  forwarding.SetChild(pid);

  int status = 0;
  pid_t waited;
  do {
    waited = ::waitpid(pid, &status, 0);
  } while (waited < 0 && errno == EINTR);
  if (waited < 0) return kStatusWaitFailed;

  if (WIFEXITED(status)) return WEXITSTATUS(status);
  std::printf("QuillFrame process has been terminated by signal : %d\n", WTERMSIG(status));
  return kStatusHostSignalled;
}

}  // namespace qfmacro
