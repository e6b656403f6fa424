// The default DecoderImage block. Every encoding of the 5003 layout starts from
// it and then overwrites its fields; bytes that no setting names keep the
// values below. It holds the six default addresses 2004000-2004040 in steps of 8,
// all enabled, and the synthesizer words 28 58 80 / 01 00 11.
#pragma once

#include "model/image.h"

namespace ccp::model {

const DecoderImage& defaultDecoderBlock();

} // namespace ccp::model
