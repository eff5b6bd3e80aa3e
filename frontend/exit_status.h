// qfmacro's own exit statuses. They share the 0-255 range with the host
// application's statuses, which are passed through unchanged.
#ifndef QFMACRO_FRONTEND_EXIT_STATUS_H
#define QFMACRO_FRONTEND_EXIT_STATUS_H

namespace qfmacro {

enum : int {
  kStatusSuccess = 0,
  kStatusStartFailed = 230,        // the host could not be started
  kStatusWaitFailed = 231,         // waiting for the host failed
  kStatusHostSignalled = 232,      // the host was ended by a signal
  kStatusException = 234,          // an error with a text (printed first)
  kStatusUnknownException = 235,   // any other error ("Unknown error.")
  kStatusMacroFileEmpty = 236,
  kStatusMacroFileSizeError = 237, // the size could not be determined (e.g. a directory)
  kStatusMacroFileOtherError = 238,
  kStatusCancelled = 241,          // reported by the host when the batch was cancelled
  kStatusUsage = 255,              // command-line error; the usage text was printed
};

}  // namespace qfmacro

#endif  // QFMACRO_FRONTEND_EXIT_STATUS_H
