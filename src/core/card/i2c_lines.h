#pragma once
// The two I2C lines as the bus master moves them, whatever carries them. Levels are those on the
// wire: true is high (released), false is low. The protocol needs nothing else.

namespace chromaflow {

class I2cLines {
 public:
  virtual ~I2cLines() = default;
  // Both lines at once, in one step.
  virtual void setLines(bool sclHigh, bool sdaHigh) = 0;
  // SCL up or down, SDA left as it is.
  virtual void raiseScl() = 0;
  virtual void lowerScl() = 0;
  // The level of SDA on the wire: what the master releases and a chip may pull low.
  virtual bool sdaHigh() = 0;
};

}  // namespace chromaflow
