#include "frontend/qfmacro_main.h"

int main(int argc, char** argv) {
  return qfmacro::qfmacro_main(argc, argv);
}
