#include "core/card/parallel_port.h"

namespace chromaflow {

const char* portName(ParallelPortKind kind) {
  switch (kind) {
    case ParallelPortKind::Prn: return "Prn";
    case ParallelPortKind::Lpt2: return "Lpt2";
    case ParallelPortKind::Lpt1: break;
  }
  return "Lpt1";
}

}  // namespace chromaflow
