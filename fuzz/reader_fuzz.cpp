// Arbitrary bytes as a measurement file, read series by series through
// trrw until no series follows. The first byte picks the flavour. A stop
// (too many text lines) or a failure report ends one input like a run.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>

#include "reformat/flavor.h"
#include "reformat/series_table.h"
#include "reformat/trrw.h"

namespace {

const std::string& scratch_name(const char* what) {
  static const std::string names[2] = {
      "/tmp/reader_fuzz_" + std::to_string(::getpid()) + ".dat",
      "/tmp/reader_fuzz_" + std::to_string(::getpid()) + ".echo"};
  return names[what[0] == 'e' ? 1 : 0];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  if (size == 0) {
    return 0;
  }
  const reformat::Flavor flavor = (data[0] & 1) != 0
                                      ? reformat::mac_flavor()
                                      : reformat::colreformat_flavor();
  {
    std::ofstream file(scratch_name("data"), std::ios::binary);
    file.write(reinterpret_cast<const char*>(data + 1),
               static_cast<std::streamsize>(size - 1));
  }
  std::istringstream console_in;
  std::ostringstream console_out;
  std::ostringstream errors;
  io::Runtime runtime(flavor.io, console_in, console_out, errors);
  reformat::ReaderContext context(runtime, flavor.format);
  static reformat::SeriesBuffer buffer;
  try {
    reformat::require(
        runtime, runtime.open_unit(19, scratch_name("data"), "OLD", "READ"));
    reformat::require(runtime, runtime.open_unit(18, scratch_name("echo")));
    buffer.series_no = 0;
    // Every call consumes at least one line, so the loop ends with the
    // file; the bound only guards against a reader that stops consuming.
    for (std::size_t call = 0; call <= size; ++call) {
      reformat::trrw(context, buffer.id, buffer.first_year, buffer.count,
                     buffer.values, buffer.series_no, 19, 18, "mr");
      if (buffer.count == reformat::k_no_series) {
        break;
      }
    }
    reformat::require(runtime, runtime.close_all_units());
  } catch (const io::RunEnd&) {
  }
  return 0;
}
