#include "frontend/qfmacro_main.h"

#include <cstdio>
#include <exception>

#include <boost/filesystem/exception.hpp>
#include <boost/filesystem/operations.hpp>
#include <boost/scope_exit.hpp>
#include <boost/system/error_code.hpp>

#include "frontend/command_line.h"
#include "frontend/exit_status.h"
#include "frontend/merge_options.h"
#include "frontend/platform_execute.h"
#include "frontend/qfmacro_params.h"

namespace qfmacro {

namespace {

// An empty or unreadable description is refused before anything is started.
int CheckMacroFile(const std::string& macroFile) {
  try {
    if (boost::filesystem::file_size(boost::filesystem::path(macroFile)) == 0) return kStatusMacroFileEmpty;
    return kStatusSuccess;
  } catch (const boost::filesystem::filesystem_error&) {
    return kStatusMacroFileSizeError;
  } catch (...) {
    return kStatusMacroFileOtherError;
  }
}

void RemoveTempFile(const boost::filesystem::path& file) {
  if (file.empty()) return;
  boost::system::error_code ignored;
  if (boost::filesystem::exists(file, ignored)) boost::filesystem::remove(file, ignored);
}

void Report(int status) {
  if (status == kStatusCancelled) {
    std::fputs("Cancelled.\n", stdout);
  } else if (status != kStatusSuccess) {
    std::printf("Error code: %d\n", status);
  }
  std::fflush(stdout);
}

int RunBatch(QFMacroParams& params) {
  const int checked = CheckMacroFile(params.macroFile);
  if (checked != kStatusSuccess) return checked;
  MergeOptions(params);
  return platform_execute(params);
}

}  // namespace

int qfmacro_main(int argc, char** argv) {
  QFMacroParams params;
  int status = kStatusSuccess;
  {
    // The merged description is the host's input only: it goes on every path.
    BOOST_SCOPE_EXIT_ALL(&params) { RemoveTempFile(params.tempMacroFile); };
    try {
      if (!ParseCommandLine(argc, argv, &params)) {
        std::fflush(stdout);
        return kStatusUsage;
      }
      status = RunBatch(params);
    } catch (const std::exception& error) {
      std::printf("%s\n", error.what());
      status = kStatusException;
    } catch (...) {
      std::fputs("Unknown error.\n", stdout);
      status = kStatusUnknownException;
    }
  }
  Report(status);
  return status;
}

}  // namespace qfmacro
