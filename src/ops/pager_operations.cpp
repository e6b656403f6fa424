#include "ops/pager_operations.h"

namespace ccp::ops {

PagerOperations::PagerOperations(editor::EditorContext& context, OperationRules rules,
                                 link::ProgrammerTransfers& transfers, OperationDialog& dialog,
                                 const form::MenuItem& repair, const std::uint8_t& deviceSelect)
    : context_(context), rules_(rules), transfers_(transfers), dialog_(dialog), repair_(repair),
      deviceSelect_(deviceSelect) {
}

void PagerOperations::fail(const char* line) {
    context_.log.append(line);
    context_.ui().beep();
}

} // namespace ccp::ops
