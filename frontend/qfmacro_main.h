// The whole qfmacro run: command line, macro file check, merge, host launch
// and the closing report.
#ifndef QFMACRO_FRONTEND_QFMACRO_MAIN_H
#define QFMACRO_FRONTEND_QFMACRO_MAIN_H

namespace qfmacro {

// Returns the process exit status (see exit_status.h). argv is permuted.
int qfmacro_main(int argc, char** argv);

}  // namespace qfmacro

#endif  // QFMACRO_FRONTEND_QFMACRO_MAIN_H
