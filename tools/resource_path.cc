#include <dlfcn.h>

#include <string>

#include "tools/platform_mac.h"

// The library's resources are installed beside the library file itself; ask
// the dynamic loader which file this function was loaded from.
std::string MacOS_GetResourcePath() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&MacOS_GetResourcePath), &info) == 0 || !info.dli_fname) {
        return std::string();
    }
    std::string path = info.dli_fname;
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    path.resize(slash);
    return path;
}
