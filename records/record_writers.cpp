// The record writers and the text import that the save and load commands choose among, by file name.
#include "records/record_writers.h"

namespace records {

const RecordFormats& InstalledFormats() {
  static const RecordFormats formats{};
  return formats;
}

}  // namespace records
