// Runs the real qfmacro program in a private folder beside a fake host.
//
// qfmacro finds the host through its own executable's path, so the sandbox
// holds a copy of qfmacro and (optionally) a copy of the fake host named
// "QuillFrame" in <root>/bin; qfmacro runs with <root>/work as its current
// directory. The fake host records its arguments and the merged description
// it was handed (see fake_host.cc).
#ifndef QFMACRO_TESTS_FRONTEND_QFMACRO_SANDBOX_H
#define QFMACRO_TESTS_FRONTEND_QFMACRO_SANDBOX_H

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/types.h>

struct TRunResult {
  int exitStatus = -1;  // -1 when qfmacro itself did not exit normally
  std::string out;      // standard output
  std::string err;      // standard error
};

class QfmacroSandbox {
 public:
  explicit QfmacroSandbox(bool withHost = true);
  ~QfmacroSandbox();
  QfmacroSandbox(const QfmacroSandbox&) = delete;
  QfmacroSandbox& operator=(const QfmacroSandbox&) = delete;

  const std::string& root() const { return root_; }
  const std::string& workFolder() const { return work_; }  // with symbolic links resolved
  std::string HostPath() const { return root_ + "/bin/QuillFrame"; }

  // "exit N" or "signal N".
  void SetHostBehaviour(const std::string& behaviour) const;
  // Writes a file below the work folder and returns its path relative to it.
  std::string WriteWorkFile(const std::string& relative, const std::string& content) const;

  // Runs qfmacro with argv[0] "qfmacro" and the given arguments, in cwd (the
  // work folder when empty). `program` replaces the copy in <root>/bin.
  TRunResult Run(const std::vector<std::string>& args, const std::string& cwd = std::string(),
                 const std::string& program = std::string()) const;
  // The same, calling `whileRunning` with qfmacro's process id before waiting
  // for it to end.
  TRunResult RunWith(const std::vector<std::string>& args, const std::function<void(pid_t)>& whileRunning) const;
  // Waits (up to a few seconds) until the fake host, told to "wait", runs.
  bool WaitForHostWaiting() const;

  bool HostStarted() const;
  std::vector<std::string> HostArguments() const;
  std::optional<std::string> HostMacro() const;  // the merged description the host read
  std::string HostMacroFile() const;             // the path after "-MacroFile:"

 private:
  TRunResult RunImpl(const std::vector<std::string>& args, const std::string& cwd, const std::string& programPath,
                     const std::function<void(pid_t)>& whileRunning) const;
  std::string root_;
  std::string work_;
};

// What qfmacro prints after every command-line error.
inline const char kUsageText[] =
    "\n"
    "マクロファイル名が指定されていないか、パラメーターが異常もしくは不足しています。\n"
    "パラメーターの詳細はドキュメントを参照してください。\n";

// The /tmp/qfmacro* entries that exist now.
std::set<std::string> ListQfmacroTempFiles();

// Succeeds when no /tmp/qfmacro* entry that is missing from `before` remains.
// Entries of qfmacro runs outside this test may come and go meanwhile; they
// are given a moment to disappear, while a file left behind stays for good.
::testing::AssertionResult NoNewTempFiles(const std::set<std::string>& before);

// A path as the JSON library writes it inside a string ("/" becomes "\/").
std::string JsonPath(const std::string& path);

#endif  // QFMACRO_TESTS_FRONTEND_QFMACRO_SANDBOX_H
