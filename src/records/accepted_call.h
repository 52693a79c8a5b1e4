#pragma once
// One accepted call as the commit step writes it: its trace, its measured
// parameters and those of the call before it in the same recording.
#include "records/call_records.h"

namespace quilve {

struct AcceptedCall {
  ChirpRecord trace;
  CallParameters call;
  CallParameters previous;
};

}  // namespace quilve
