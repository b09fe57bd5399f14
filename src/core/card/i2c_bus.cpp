#include "core/card/i2c_bus.h"

namespace chromaflow {

I2cBus::I2cBus(PortAccess& port, BusWiring wiring) : lines_(port, wiring), protocol_(lines_) {}

I2cBus::I2cBus(PortSet& ports, BusWiring wiring) : lines_(ports, wiring), protocol_(lines_) {}

void I2cBus::SelectParallelPort(int kind) {
  if (auto known = portKindOf(kind)) SelectParallelPort(*known);
}

}  // namespace chromaflow
