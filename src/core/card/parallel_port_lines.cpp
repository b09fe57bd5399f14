#include "core/card/parallel_port_lines.h"

namespace chromaflow {

ParallelPortLines::ParallelPortLines(PortAccess& port, BusWiring wiring) : port_(&port), wiring_(wiring) {}

ParallelPortLines::ParallelPortLines(PortSet& ports, BusWiring wiring)
    : ports_(&ports), port_(&ports.portAccess(ParallelPortKind::Lpt1)), wiring_(wiring) {}

void ParallelPortLines::select(ParallelPortKind kind) {
  selected_ = kind;
  registers_ = registersOf(kind);
  if (ports_) port_ = &ports_->portAccess(kind);
}

}  // namespace chromaflow
