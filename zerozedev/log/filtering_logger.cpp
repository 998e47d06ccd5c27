#include "zerozedev/log/filtering_logger.h"

#include "zerozedev/log/log_data.h"

namespace cpplog {

FilteringLogger::FilteringLogger(int lowestLevel, BaseLogger* forward, bool ownsForward)
    : lowestLevel_(lowestLevel), forward_(forward), ownsForward_(ownsForward) {}

FilteringLogger::~FilteringLogger() {
  if (ownsForward_) delete forward_;
}

bool FilteringLogger::Deliver(LogData& record) {
  if (record.level < lowestLevel_) return true;
  return forward_ ? forward_->Deliver(record) : false;
}

}  // namespace cpplog
