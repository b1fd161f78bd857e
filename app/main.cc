// lexora: the dictionary program.
#include "app/app.h"

int main(int argc, char** argv) {
  return lexora::run_program(argc, argv);
}
