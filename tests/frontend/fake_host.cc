// Stands in for the QuillFrame console host in qfmacro's tests. A test copies
// it as "QuillFrame" beside a copy of qfmacro. It records, in its own folder,
//   recorded_args   every argument, each followed by a NUL byte;
//   recorded_macro  the bytes of the file named by "-MacroFile:" (absent when
//                   that file could not be read);
// and then behaves as the file "behaviour" in its folder says: "exit N" ends
// with status N, "signal N" ends by signal N, "wait" creates the file
// "waiting" and waits to be ended by a signal; any text on the following
// lines is written to standard output first. Without that file it exits 0.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include <unistd.h>

namespace {

std::string OwnFolder() {
  char buffer[4096];
  const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (length <= 0) std::exit(120);
  std::string path(buffer, static_cast<size_t>(length));
  return path.substr(0, path.find_last_of('/'));
}

bool ReadFile(const std::string& path, std::string* content) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  content->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
  if (!out.flush()) std::exit(121);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = OwnFolder();

  std::string args;
  const char kMacroFlag[] = "-MacroFile:";
  std::string macroFile;
  for (int i = 0; i < argc; ++i) {
    args.append(argv[i]);
    args.push_back('\0');
    if (std::strncmp(argv[i], kMacroFlag, sizeof kMacroFlag - 1) == 0) macroFile = argv[i] + sizeof kMacroFlag - 1;
  }
  WriteFile(folder + "/recorded_args", args);

  std::string macro;
  if (!macroFile.empty() && ReadFile(macroFile, &macro)) WriteFile(folder + "/recorded_macro", macro);

  std::string behaviour;
  if (!ReadFile(folder + "/behaviour", &behaviour)) return 0;
  const size_t lineEnd = behaviour.find('\n');
  if (lineEnd != std::string::npos) {
    std::fputs(behaviour.c_str() + lineEnd + 1, stdout);
    std::fflush(stdout);
  }
  std::istringstream words(behaviour.substr(0, lineEnd));
  std::string how;
  int number = 0;
  words >> how >> number;
  if (how == "wait") {
    WriteFile(folder + "/waiting", "");
    for (;;) ::pause();
  }
  if (how == "signal") {
    std::signal(number, SIG_DFL);
    std::raise(number);
    return 122;  // the signal did not end the process
  }
  return number;
}
