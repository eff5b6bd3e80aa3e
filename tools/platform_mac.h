// The platform layer: the services the library needs from the desktop
// platform, under the names the library exports them by. On Linux they are
// answered from the loader, the environment and the XDG user directories.
#ifndef QFJS_TOOLS_PLATFORM_MAC_H
#define QFJS_TOOLS_PLATFORM_MAC_H

#include <string>

#include "qfjs/qfjs.h"

// Standard-directory identifiers and the user domain mask, with the values the
// platform's file manager uses for them.
enum : unsigned long {
    kPlatformDocumentDirectory = 9,
    kPlatformDesktopDirectory = 12,
    kPlatformUserDomainMask = 1,
};

extern "C" {

// The directory that holds the library's resources (the ICU data file): the
// folder of the loaded library file.
QFJS_EXPORT std::string MacOS_GetResourcePath();

// The current user's home directory.
QFJS_EXPORT std::string MacOS_PathForHomeDirectory();

// The first directory for a standard-directory identifier in the given
// domains; empty when there is none.
QFJS_EXPORT std::string MacOS_PathForDirectory(unsigned long directory, unsigned long domainMask);

}  // extern "C"

namespace qfjsbinding {

// The process's locale identifier (for example "en_US"); empty when unknown.
std::string CurrentLocaleIdentifier();

}  // namespace qfjsbinding

#endif
