#include "reformat/run.h"

#include <memory>

#include "io/runtime.h"
#include "reformat/dialogue.h"
#include "reformat/load.h"
#include "reformat/outputs.h"
#include "reformat/reader_context.h"
#include "reformat/series_table.h"

namespace reformat {

int run(const Flavor& flavor, std::istream& in, std::ostream& out,
        std::ostream& err) {
  // The tables are filled before the first line of the introduction.
  auto table = std::make_unique<SeriesTable>();
  io::Runtime runtime(io::with_environment(flavor.io), in, out, err);
  ReaderContext context(runtime, flavor.format);
  try {
    run_dialogue(runtime, flavor, *table);
    load_and_write(context, *table);
    write_closing_report(runtime, *table);
    require(runtime, runtime.close_unit(k_column_unit));
    runtime.stop_run(" ", 0);
  } catch (const io::RunEnd& end) {
    return end.status;
  }
}

}  // namespace reformat
