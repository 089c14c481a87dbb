#include <iostream>

#include "reformat/run.h"

int main() {
  return reformat::run(reformat::colreformat_flavor(), std::cin, std::cout,
                       std::cerr);
}
