#include "MadeUpRows.h"

#include <string>

namespace libinfo::support {

ScanRunner MadeUpRows(int count, const char* texts) {
  const std::string text = texts;
  return [count, text](const LibraryScan&, const std::atomic<bool>& stopped,
                       const LibraryScan::RowSink& sink) {
    int rows = 0;
    for (; rows < count && !stopped.load(); ++rows) {
      sink({"library" + std::to_string(rows) + ".dll", text, text, text, text});
    }
    return rows;
  };
}

}  // namespace libinfo::support
