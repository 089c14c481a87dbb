#include <iostream>

#include "reformat/run.h"

int main() {
  return reformat::run(reformat::mac_flavor(), std::cin, std::cout, std::cerr);
}
