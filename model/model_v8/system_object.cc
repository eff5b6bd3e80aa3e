// The version 8 "System" object: environment variables, running programs,
// simple file management and the engine options. Failures are answered with
// null or false; nothing here raises a script exception of its own.
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <system_error>
#include <vector>

#include <boost/filesystem/operations.hpp>
#include <boost/process/args.hpp>
#include <boost/process/child.hpp>
#include <boost/process/exe.hpp>
#include <boost/process/extend.hpp>

#include "engine/callback_guard.h"
#include "engine/class_builder.h"
#include "engine/filter_context.h"
#include "engine/js_convert.h"
#include "model/model_v8/classes_v8.h"
#include "tools/command_line.h"
#include "tools/text_convert.h"

namespace qfjsbinding {

using v8::FunctionCallbackInfo;
using v8::Isolate;
using v8::Local;
using v8::PropertyCallbackInfo;
using v8::String;
using v8::Value;

namespace bp = boost::process;
namespace fs = boost::filesystem;

namespace {

enum SystemMember : int { kOSType, kExecutingScript };

#if defined(__APPLE__)
constexpr char kOSTypeName[] = "macOS";
#else
constexpr char kOSTypeName[] = "Linux";
#endif

constexpr char kClipOption[] = "Bitmap.GetPixel.Clip";

bool ToText(const FunctionCallbackInfo<Value>& info, int index, std::string* out) {
    Isolate* isolate = info.GetIsolate();
    return js::ToUtf8(isolate, isolate->GetCurrentContext(), info[index], out);
}

// The first N arguments as texts; false when there are fewer (the result is
// then null) or a conversion threw.
template <std::size_t N>
bool TextArgs(const FunctionCallbackInfo<Value>& info, std::string (&out)[N]) {
    info.GetReturnValue().SetNull();
    if (info.Length() < static_cast<int>(N)) return false;
    for (std::size_t i = 0; i < N; ++i) {
        if (!ToText(info, static_cast<int>(i), &out[i])) return false;
    }
    return true;
}

bool ReturnText(Isolate* isolate, const std::string& text, v8::ReturnValue<Value> result) {
    Local<String> value;
    if (!js::NewString(isolate, text, &value)) return false;
    result.Set(value);
    return true;
}

// The program argument of Execute and Spawn names nothing when it is blank.
bool BlankText(const std::string& text) {
    return text.find_first_not_of(' ') == std::string::npos;
}

// A program ready to start: its resolved path and its arguments.
struct Command {
    std::string program;
    std::vector<std::string> args;
};

// The arguments joined by single spaces and split again into words; the first
// word is looked up in PATH. False when a conversion threw or the line names
// nothing that can be started (an empty line, an unknown program).
bool ParseCommand(const FunctionCallbackInfo<Value>& info, Command* command) {
    std::string line;
    for (int i = 0; i < info.Length(); ++i) {
        std::string part;
        if (!ToText(info, i, &part)) return false;
        if (i == 0 && BlankText(part)) return false;
        if (i > 0) line += ' ';
        line += part;
    }
    if (ContainsNul(line)) return false;
    std::vector<std::string> words = SplitCommandLine(line);
    if (words.empty() || words.front().empty()) return false;
    command->program = FindProgramInPath(words.front());
    if (command->program.empty()) return false;
    command->args.assign(words.begin() + 1, words.end());
    return true;
}

// When the program cannot be started, the process library reports the error
// but drops the child it forked; reap that child so it does not linger.
auto ReapFailedChild() {
    return bp::extend::on_error([](auto& exec, const std::error_code&) {
        if (exec.pid <= 0) return;
        int status = 0;
        while (::waitpid(exec.pid, &status, 0) < 0 && errno == EINTR) {
        }
    });
}

pid_t ForkInChild() {
    // In the freshly forked child only async-signal-safe calls are allowed;
    // _Fork skips the fork handlers that other libraries of the host process
    // may have registered.
#if defined(__GLIBC__) && __GLIBC_PREREQ(2, 34)
    return _Fork();
#else
    return fork();
#endif
}

// Runs in the child between fork and exec: forks once more and lets the
// intermediate process exit at once. The grandchild goes on to exec the
// program; it belongs to no one in the host process, so the system adopts and
// reaps it, and the host, which only waits for the short-lived intermediate,
// never keeps a zombie whatever its handling of SIGCHLD. Errors of the
// grandchild's exec still travel back through the process library's pipe.
auto DetachInChild() {
    return bp::extend::on_exec_setup([](auto& exec) {
        const pid_t grandchild = ForkInChild();
        if (grandchild < 0) {
            exec.set_error(std::error_code(errno, std::system_category()), "fork failed");
            _exit(EXIT_FAILURE);
        }
        if (grandchild > 0) _exit(0);
    });
}

// The status of `path`; false when it cannot be found out (for lack of
// permission, say). A path that does not exist is an answer, not a failure.
bool StatusOf(const fs::path& path, fs::file_status* status) {
    boost::system::error_code error;
    *status = fs::status(path, error);
    return status->type() != fs::status_error;
}

// True unless `path` names something, a dangling symbolic link included.
bool MissingPath(const fs::path& path) {
    boost::system::error_code error;
    const fs::file_status status = fs::symlink_status(path, error);
    return status.type() == fs::status_error || !fs::exists(status);
}

}  // namespace

void System_GetMember(Local<v8::Name>, const PropertyCallbackInfo<Value>& info) {
    Isolate* isolate = info.GetIsolate();
    switch (MemberOf(info.Data())) {
        case kOSType:
            ReturnText(isolate, kOSTypeName, info.GetReturnValue());
            return;
        case kExecutingScript: {
            const std::string& script = ContextOf(isolate)->scriptFile;
            info.GetReturnValue().SetNull();
            if (!script.empty()) ReturnText(isolate, SlashedString(script), info.GetReturnValue());
            return;
        }
    }
}

void System_GetEnv(const FunctionCallbackInfo<Value>& info) {
    std::string args[1];
    if (!TextArgs(info, args)) return;
    const std::string& name = args[0];
    if (name.empty() || ContainsNul(name)) return;
    const char* value = std::getenv(name.c_str());
    if (value) ReturnText(info.GetIsolate(), value, info.GetReturnValue());
}

void System_Execute(const FunctionCallbackInfo<Value>& info) {
    info.GetReturnValue().SetNull();
    if (info.Length() < 1) return;
    Command command;
    if (!ParseCommand(info, &command)) return;

    std::error_code error;
    bp::child child(bp::exe = command.program, bp::args = command.args, ReapFailedChild(), error);
    if (error || !child.valid()) return;
    child.wait(error);
    const int status = child.native_exit_code();
    child.detach();
    if (error) return;
    if (WIFEXITED(status)) {
        info.GetReturnValue().Set(WEXITSTATUS(status));
    } else if (WIFSIGNALED(status)) {
        // As shells report it, so that a signal is not mistaken for an exit code.
        info.GetReturnValue().Set(128 + WTERMSIG(status));
    }
}

void System_Spawn(const FunctionCallbackInfo<Value>& info) {
    info.GetReturnValue().Set(false);
    if (info.Length() < 1) {
        info.GetReturnValue().SetNull();
        return;
    }
    Command command;
    if (!ParseCommand(info, &command)) return;

    std::error_code error;
    bp::child child(bp::exe = command.program, bp::args = command.args, ReapFailedChild(), DetachInChild(),
                    error);
    if (error || !child.valid()) return;
    // The intermediate process has already exited or is about to.
    child.wait(error);
    const int status = child.native_exit_code();
    child.detach();
    // A host that ignores SIGCHLD has its children reaped by the system, so
    // the wait finds none; the program was started all the same.
    if (error) {
        info.GetReturnValue().Set(error.value() == ECHILD);
        return;
    }
    info.GetReturnValue().Set(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

void System_DeleteFile(const FunctionCallbackInfo<Value>& info) {
    std::string args[1];
    if (!TextArgs(info, args)) return;
    info.GetReturnValue().Set(false);
    if (args[0].empty() || ContainsNul(args[0])) return;
    const fs::path path = PathFromU8String(args[0]);
    if (MissingPath(path)) return;
    boost::system::error_code error;
    const bool removed = fs::remove(path, error);
    info.GetReturnValue().Set(removed && !error);
}

void System_CopyFile(const FunctionCallbackInfo<Value>& info) {
    std::string args[2];
    if (!TextArgs(info, args)) return;
    const bool failIfExists =
        info.Length() > 2 && !info[2]->IsUndefined() ? js::ToBool(info.GetIsolate(), info[2]) : true;
    info.GetReturnValue().Set(false);
    for (const std::string& text : args) {
        if (text.empty() || ContainsNul(text)) return;
    }
    const fs::path source = PathFromU8String(args[0]);
    const fs::path target = PathFromU8String(args[1]);

    fs::file_status sourceStatus;
    fs::file_status targetStatus;
    if (!StatusOf(source, &sourceStatus) || !fs::exists(sourceStatus)) return;
    if (!StatusOf(target, &targetStatus)) return;
    const bool targetExists = fs::exists(targetStatus);
    if (targetExists && failIfExists) return;

    boost::system::error_code error;

    if (fs::is_directory(sourceStatus)) {
        // A directory is copied as an empty directory with the source's attributes.
        if (targetExists) {
            info.GetReturnValue().Set(fs::is_directory(targetStatus));
            return;
        }
        fs::create_directory(target, source, error);
        info.GetReturnValue().Set(!error);
        return;
    }
    // Copying a file onto itself with overwriting would truncate it first.
    if (targetExists && fs::equivalent(source, target, error)) return;
    if (error) return;
    const fs::copy_options options = targetExists ? fs::copy_options::overwrite_existing : fs::copy_options::none;
    const bool copied = fs::copy_file(source, target, options, error);
    info.GetReturnValue().Set(copied && !error);
}

void System_MoveFile(const FunctionCallbackInfo<Value>& info) {
    std::string args[2];
    if (!TextArgs(info, args)) return;
    info.GetReturnValue().Set(false);
    for (const std::string& text : args) {
        if (text.empty() || ContainsNul(text)) return;
    }
    const fs::path source = PathFromU8String(args[0]);
    if (MissingPath(source)) return;
    boost::system::error_code error;
    fs::rename(source, PathFromU8String(args[1]), error);
    info.GetReturnValue().Set(!error);
}

void System_Exists(const FunctionCallbackInfo<Value>& info) {
    std::string args[1];
    if (!TextArgs(info, args)) return;
    if (ContainsNul(args[0])) return;
    fs::file_status status;
    if (StatusOf(PathFromU8String(args[0]), &status)) info.GetReturnValue().Set(fs::exists(status));
}

void System_IsDirectory(const FunctionCallbackInfo<Value>& info) {
    std::string args[1];
    if (!TextArgs(info, args)) return;
    if (ContainsNul(args[0])) return;
    fs::file_status status;
    if (StatusOf(PathFromU8String(args[0]), &status)) info.GetReturnValue().Set(fs::is_directory(status));
}

void System_SetOption(const FunctionCallbackInfo<Value>& info) {
    Isolate* isolate = info.GetIsolate();
    if (info.Length() < 2) return;
    std::string key;
    if (!ToText(info, 0, &key)) return;
    if (key == kClipOption) ContextOf(isolate)->getPixelClip = js::ToBool(isolate, info[1]);
}

Local<v8::FunctionTemplate> NewSystemClass(Isolate* isolate) {
    static const AccessorDef kAccessors[] = {
        {"OSType", GuardedGetter<System_GetMember>, nullptr, kOSType},
        {"ExecutingScript", GuardedGetter<System_GetMember>, nullptr, kExecutingScript},
    };
    static const MethodDef kMethods[] = {
        {"GetEnv", Guarded<System_GetEnv>},
        {"Execute", Guarded<System_Execute>},
        {"Spawn", Guarded<System_Spawn>},
        {"DeleteFile", Guarded<System_DeleteFile>},
        {"CopyFile", Guarded<System_CopyFile>},
        {"MoveFile", Guarded<System_MoveFile>},
        {"Exists", Guarded<System_Exists>},
        {"IsDirectory", Guarded<System_IsDirectory>},
        {"SetOption", Guarded<System_SetOption>},
    };
    return BuildClass(isolate, MakeClassDef("System", 1, kAccessors, kMethods));
}

}  // namespace qfjsbinding
