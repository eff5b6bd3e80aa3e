#include "qfmacro_sandbox.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void CopyExecutable(const std::string& from, const std::string& to) {
  fs::copy_file(from, to, fs::copy_options::overwrite_existing);
  fs::permissions(to, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
}

}  // namespace

QfmacroSandbox::QfmacroSandbox(bool withHost) {
  std::string pattern = "/tmp/qfmtest-XXXXXX";
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  root_ = fs::canonical(pattern).string();
  fs::create_directory(root_ + "/bin");
  fs::create_directory(root_ + "/work");
  work_ = root_ + "/work";
  CopyExecutable(QFMACRO_EXE, root_ + "/bin/qfmacro");
  if (withHost) CopyExecutable(FAKE_HOST_EXE, HostPath());
}

QfmacroSandbox::~QfmacroSandbox() {
  std::error_code ignored;
  fs::remove_all(root_, ignored);
}

void QfmacroSandbox::SetHostBehaviour(const std::string& behaviour) const {
  std::ofstream(root_ + "/bin/behaviour") << behaviour;
}

std::string QfmacroSandbox::WriteWorkFile(const std::string& relative, const std::string& content) const {
  const fs::path path = fs::path(work_) / relative;
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << content;
  return relative;
}

TRunResult QfmacroSandbox::Run(const std::vector<std::string>& args, const std::string& cwd,
                               const std::string& programPath) const {
  return RunImpl(args, cwd, programPath, nullptr);
}

TRunResult QfmacroSandbox::RunWith(const std::vector<std::string>& args,
                                   const std::function<void(pid_t)>& whileRunning) const {
  return RunImpl(args, std::string(), std::string(), whileRunning);
}

bool QfmacroSandbox::WaitForHostWaiting() const {
  for (int i = 0; i < 1000; ++i) {
    if (fs::exists(root_ + "/bin/waiting")) return true;
    ::usleep(10000);
  }
  return false;
}

TRunResult QfmacroSandbox::RunImpl(const std::vector<std::string>& args, const std::string& cwd,
                                   const std::string& programPath,
                                   const std::function<void(pid_t)>& whileRunning) const {
  const std::string program = programPath.empty() ? root_ + "/bin/qfmacro" : programPath;
  const std::string outPath = root_ + "/stdout.txt";
  const std::string errPath = root_ + "/stderr.txt";
  const std::string folder = cwd.empty() ? work_ : cwd;

  std::vector<std::string> words{"qfmacro"};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    // Only async-signal-safe calls between fork and exec.
    if (::chdir(folder.c_str()) != 0) ::_exit(126);
    const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (out < 0 || err < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) ::_exit(126);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  if (whileRunning) whileRunning(pid);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) throw std::runtime_error("waitpid failed");
  }
  TRunResult result;
  result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.out = ReadAll(outPath);
  result.err = ReadAll(errPath);
  return result;
}

bool QfmacroSandbox::HostStarted() const {
  return fs::exists(root_ + "/bin/recorded_args");
}

std::vector<std::string> QfmacroSandbox::HostArguments() const {
  const std::string recorded = ReadAll(root_ + "/bin/recorded_args");
  std::vector<std::string> arguments;
  size_t start = 0;
  for (size_t end; (end = recorded.find('\0', start)) != std::string::npos; start = end + 1) {
    arguments.push_back(recorded.substr(start, end - start));
  }
  return arguments;
}

std::optional<std::string> QfmacroSandbox::HostMacro() const {
  const std::string path = root_ + "/bin/recorded_macro";
  if (!fs::exists(path)) return std::nullopt;
  return ReadAll(path);
}

std::string QfmacroSandbox::HostMacroFile() const {
  const std::string flag = "-MacroFile:";
  for (const std::string& argument : HostArguments()) {
    if (argument.compare(0, flag.size(), flag) == 0) return argument.substr(flag.size());
  }
  return std::string();
}

std::set<std::string> ListQfmacroTempFiles() {
  std::set<std::string> names;
  for (const fs::directory_entry& entry : fs::directory_iterator("/tmp")) {
    const std::string name = entry.path().filename().string();
    if (name.compare(0, 7, "qfmacro") == 0) names.insert(entry.path().string());
  }
  return names;
}

::testing::AssertionResult NoNewTempFiles(const std::set<std::string>& before) {
  std::set<std::string> remaining;
  for (int attempt = 0; attempt < 50; ++attempt) {
    remaining.clear();
    for (const std::string& name : ListQfmacroTempFiles()) {
      if (before.count(name) == 0) remaining.insert(name);
    }
    if (remaining.empty()) return ::testing::AssertionSuccess();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  ::testing::AssertionResult failure = ::testing::AssertionFailure() << "left behind:";
  for (const std::string& name : remaining) failure << " " << name;
  return failure;
}

std::string JsonPath(const std::string& path) {
  std::string escaped;
  for (char c : path) {
    if (c == '/') escaped += "\\/";
    else escaped += c;
  }
  return escaped;
}
